#include "platform/zip_reader.h"

#include <zip.h>

#include <memory>
#include <string_view>

#include "platform/interfaces.h"

namespace quillon {

namespace {

// A daily file is a few megabytes at most; anything far larger is not one.
constexpr zip_uint64_t kMaxCsvSize = 512ull * 1024 * 1024;

bool ends_with_csv(std::string_view name) {
  if (name.size() < 4) return false;
  std::string_view ext = name.substr(name.size() - 4);
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  return ext[0] == '.' && lower(ext[1]) == 'c' && lower(ext[2]) == 's' && lower(ext[3]) == 'v';
}

}  // namespace

std::string read_single_csv_from_zip(const std::string& zip_path) {
  int code = 0;
  std::unique_ptr<zip_t, void (*)(zip_t*)> archive(
      zip_open(zip_path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code), zip_discard);
  if (!archive) {
    zip_error_t err;
    zip_error_init_with_code(&err, code);
    std::string what = zip_error_strerror(&err);
    zip_error_fini(&err);
    throw Error("The zip file '" + zip_path + "' cannot be read: " + what + ".");
  }
  const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
  zip_int64_t found = -1;
  std::string found_name;
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(archive.get(), static_cast<zip_uint64_t>(i), 0);
    if (!name || !ends_with_csv(name)) continue;
    if (found >= 0)
      throw Error("The zip file '" + zip_path + "' holds more than one CSV file ('" +
                  found_name + "', '" + name + "').");
    found = i;
    found_name = name;
  }
  if (found < 0) throw Error("The zip file '" + zip_path + "' holds no CSV file.");

  const auto index = static_cast<zip_uint64_t>(found);
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(archive.get(), index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
    throw Error("The zip file '" + zip_path + "' does not tell the size of '" + found_name + "'.");
  if (st.size > kMaxCsvSize)
    throw Error("'" + found_name + "' in the zip file '" + zip_path + "' is too large.");
  std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen_index(archive.get(), index, 0),
                                                         zip_fclose);
  if (!file)
    throw Error("Cannot unpack '" + found_name + "' from the zip file '" + zip_path +
                "': " + zip_strerror(archive.get()) + ".");
  std::string data(static_cast<size_t>(st.size), '\0');
  zip_uint64_t got = 0;
  while (got < st.size) {
    zip_int64_t n = zip_fread(file.get(), data.data() + got, st.size - got);
    if (n < 0)
      throw Error("Cannot unpack '" + found_name + "' from the zip file '" + zip_path +
                  "': " + zip_file_strerror(file.get()) + ".");
    if (n == 0) break;
    got += static_cast<zip_uint64_t>(n);
  }
  // One more read past the end makes the library compare the checksum.
  char extra = 0;
  if (got != st.size || zip_fread(file.get(), &extra, 1) != 0)
    throw Error("'" + found_name + "' in the zip file '" + zip_path + "' is damaged.");
  return data;
}

}  // namespace quillon
