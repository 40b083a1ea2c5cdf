#include "platform/zip_reader.h"

#include <zip.h>

#include <functional>
#include <memory>
#include <optional>

#include "base/csv_columns.h"
#include "base/records.h"
#include "base/text.h"
#include "platform/interfaces.h"

namespace quillon {

namespace {

// A daily file is a few megabytes at most; anything far larger is not one.
constexpr zip_uint64_t kMaxCsvSize = 512ull * 1024 * 1024;

using Archive = std::unique_ptr<zip_t, void (*)(zip_t*)>;

bool ends_with_csv(std::string_view name) {
  return name.size() >= 4 && equal_ignoring_ascii_case(name.substr(name.size() - 4), ".csv");
}

// The text of a libzip error, which is released.
std::string error_text(zip_error_t* err) {
  std::string what = zip_error_strerror(err);
  zip_error_fini(err);
  return what;
}

// The one member of an open archive whose name `wanted` takes, or nothing
// when there is none; `archive_name` names the archive in messages ("the
// zip file '...'", "the archive").
std::optional<std::string> read_member(zip_t* archive, const std::string& archive_name,
                                       const std::function<bool(std::string_view)>& wanted) {
  std::string opening = archive_name;
  opening[0] = upper_ascii(opening[0]);
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  zip_int64_t found = -1;
  std::string found_name;
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
    if (!name || !wanted(name)) continue;
    if (found >= 0)
      throw Error(opening + " holds more than one CSV file ('" + found_name + "', '" + name +
                  "').");
    found = i;
    found_name = name;
  }
  if (found < 0) return std::nullopt;

  const std::string member = "'" + found_name + "' in " + archive_name;
  const auto index = static_cast<zip_uint64_t>(found);
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(archive, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
    throw Error(opening + " does not tell the size of '" + found_name + "'.");
  if (st.size > kMaxCsvSize) throw Error(member + " is too large.");
  std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen_index(archive, index, 0),
                                                         zip_fclose);
  if (!file) throw Error("Cannot unpack " + member + ": " + zip_strerror(archive) + ".");
  std::string data(static_cast<size_t>(st.size), '\0');
  zip_uint64_t got = 0;
  while (got < st.size) {
    zip_int64_t n = zip_fread(file.get(), data.data() + got, st.size - got);
    if (n < 0)
      throw Error("Cannot unpack " + member + ": " + zip_file_strerror(file.get()) + ".");
    if (n == 0) break;
    got += static_cast<zip_uint64_t>(n);
  }
  // One more read past the end makes the library compare the checksum.
  char extra = 0;
  if (got != st.size || zip_fread(file.get(), &extra, 1) != 0) throw Error(member + " is damaged.");
  return data;
}

std::string read_csv_member(zip_t* archive, const std::string& archive_name) {
  std::optional<std::string> csv = read_member(archive, archive_name, ends_with_csv);
  if (!csv) {
    std::string opening = archive_name;
    opening[0] = upper_ascii(opening[0]);
    throw Error(opening + " holds no CSV file.");
  }
  return std::move(*csv);
}

// The archive in `body`, open; throws Error for a body that is none.
Archive open_archive(std::string_view body) {
  if (!body.starts_with(std::string_view("PK\x03\x04", 4)))
    throw Error("The answer is not a zip archive: " + kind_of_body(body) + ".");
  zip_error_t err;
  zip_error_init(&err);
  zip_source_t* source = zip_source_buffer_create(body.data(), body.size(), 0, &err);
  Archive archive(source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &err)
                         : nullptr,
                  zip_discard);
  if (!archive) {
    if (source) zip_source_free(source);
    throw Error("The archive cannot be read: " + error_text(&err) + ".");
  }
  zip_error_fini(&err);
  return archive;
}

}  // namespace

// What a body that is no zip archive looks like, for the message.
std::string kind_of_body(std::string_view body) {
  if (body.empty()) return "it is empty";
  const std::string start = upper_ascii(trim(body.substr(0, 512), " \t\r\n"));
  if (start.find("<HTML") != std::string::npos || start.starts_with("<!DOCTYPE"))
    return "it is an HTML page";
  return "it starts with '" + shown(body.substr(0, 16)) + "'";
}

std::string read_single_csv_from_zip(const std::string& zip_path) {
  int code = 0;
  Archive archive(zip_open(zip_path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code), zip_discard);
  if (!archive) {
    zip_error_t err;
    zip_error_init_with_code(&err, code);
    throw Error("The zip file '" + zip_path + "' cannot be read: " + error_text(&err) + ".");
  }
  return read_csv_member(archive.get(), "the zip file '" + zip_path + "'");
}

std::string read_single_csv_from_zip_data(std::string_view body) {
  return read_csv_member(open_archive(body).get(), "the archive");
}

std::optional<std::string> read_csv_member_from_zip_data(
    std::string_view body, const std::function<bool(std::string_view)>& wanted) {
  return read_member(open_archive(body).get(), "the archive",
                     [&](std::string_view name) { return ends_with_csv(name) && wanted(name); });
}

}  // namespace quillon
