#include "indices/index_download.h"

#include "base/text.h"
#include "platform/text_file.h"

namespace quillon {

namespace {

// The index name as the query page takes it: "&" becomes "%26", then a blank
// becomes "+"; nothing else changes.
std::string encode_index_name(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == '&') out += "%26";
    else if (c == ' ') out += '+';
    else out += c;
  }
  return out;
}

struct Entry {
  std::string index_name, short_name;
};

// The names of an entry of the list; throws Error naming the entry (the
// `number`th of the list) when it lacks either.
Entry split_entry(const std::string& entry, int number) {
  const std::string which = "The index entry '" + entry + "' (entry " + date_number(number) +
                            " of [QN_Indices]) has no ";
  const size_t eq = entry.find('=');
  if (eq == std::string::npos)
    throw Error(which + "\"=\" between index name and short name.");
  const std::string index_name(trim(std::string_view(entry).substr(0, eq), " "));
  const std::string short_name(trim(std::string_view(entry).substr(eq + 1), " "));
  // An entry without either name would fetch a nameless index or write a
  // nameless file: it stops the run like an entry without "=".
  if (index_name.empty() || short_name.empty())
    throw Error(which + (index_name.empty() ? "index name before" : "short name after") + " \"=\".");
  check_plain_file_name(short_name, "index short name");
  return {index_name, short_name};
}

}  // namespace

std::string index_date_parts(const Date& from, const Date& to) {
  return date_number(from.day) + date_number(from.month) + date_number(from.year) +
         date_number(to.day) + date_number(to.month) + date_number(to.year);
}

std::string index_query_text(const std::string& index_name, const Date& from, const Date& to) {
  return "IndexType=" + encode_index_name(index_name) + "&Fromday=" + date_number(from.day) +
         "&Frommon=" + date_number(from.month) + "&Fromyr=" + date_number(from.year) +
         "&Today=" + date_number(to.day) + "&Tomon=" + date_number(to.month) +
         "&Toyr=" + date_number(to.year) + "&Indicesdata=Get+Details&check=new";
}

DownloadResult download_index_history(const IndexFile& file, const std::string& folder,
                                      Fetcher& fetcher, StatusSink& status) {
  DownloadResult result;
  result.failure = failure_of([&] {
    status.append(std::string(kCrLf) + "Downloading Index data for " + file.short_name);
    const std::string local = join_path(folder, "INDEX_" + file.short_name + ".csv");
    const FetchResult r = fetcher.fetch(file.address, local);
    if (r.stored) result.files.push_back(local);
    // A file that did not arrive is said so, never reported as complete.
    status.append(std::string(kCrLf) + (r.stored ? std::string(" Index Download is complete.")
                                                 : " Index Download failed: " + r.error));
  });
  return result;
}

IndexDownloadResult download_index_histories(
    const IndexDownloadJob& job, const DownloadTools& tools, Browser& browser,
    ProgramFolder& program_folder, const std::function<DownloadResult(const IndexFile&)>& fetch_file) {
  IndexDownloadResult result;
  result.failure = failure_of([&] {
    if (!job.entries)
      throw Error("There is no index list: the settings file '" + job.settings_file +
                  "' has no [QN_Indices] section, or it is empty.");
    const std::vector<std::string>& list = *job.entries;
    if (!job.folder.empty()) tools.disk.remove_stale_temporaries(job.folder);
    int total = 0;
    for (const std::string& entry : list) total += entry.empty() ? 0 : 1;
    int done = 0;
    std::string scratch;
    for (size_t i = 0; i < list.size(); ++i) {
      if (list[i].empty()) continue;
      const Entry names = split_entry(list[i], static_cast<int>(i) + 1);
      const std::string& index_name = names.index_name;
      tools.progress.report(done, total);

      result.query_address = job.exchange_url + "/marketinfo/indices/histdata/historicalindices.jsp?" +
                             index_query_text(index_name, job.from, job.to);
      result.file_address = job.exchange_url + "/content/indices/histdata/" + index_name +
                            index_date_parts(job.from, job.to) + ".csv";
      browser.navigate(result.query_address);
      if (scratch.empty()) scratch = scratch_page_path(program_folder);
      tools.fetcher.fetch(result.query_address, scratch);
      tools.events.pump();
      const DownloadResult got = fetch_file({result.file_address, names.short_name});
      result.files.insert(result.files.end(), got.files.begin(), got.files.end());

      ++done;
      if (done < total && tools.progress.stop_requested()) {
        tools.status.append(std::string(kCrLf) + std::string(kStoppedByUser));
        return;
      }
    }
    tools.progress.report(total, total);
  });
  return result;
}

}  // namespace quillon
