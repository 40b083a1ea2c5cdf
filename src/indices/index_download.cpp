#include "indices/index_download.h"

#include <charconv>
#include <deque>

#include "base/text.h"
#include "exchange/day_fetch.h"
#include "indices/index_day_fetch.h"
#include "indices/index_history.h"
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

// The day of a daily index file's name, "ind_close_all_DDMMYYYY.csv".
std::optional<Date> index_file_day(std::string_view name) {
  constexpr std::string_view head = "ind_close_all_", tail = ".csv";
  if (name.size() != head.size() + 8 + tail.size() ||
      !equal_ignoring_ascii_case(name.substr(0, head.size()), head) ||
      !equal_ignoring_ascii_case(name.substr(head.size() + 8), tail))
    return std::nullopt;
  int v[3] = {};
  const size_t at[] = {0, 2, 4, 8};
  for (int i = 0; i < 3; ++i) {
    const char* first = name.data() + head.size() + at[i];
    const char* last = name.data() + head.size() + at[i + 1];
    if (std::find_if_not(first, last, [](char c) { return c >= '0' && c <= '9'; }) != last ||
        std::from_chars(first, last, v[i]).ptr != last)
      return std::nullopt;
  }
  if (!is_valid_date(v[2], v[1], v[0])) return std::nullopt;
  return Date{v[2], v[1], v[0]};
}

std::string day_text(const Date& d) { return format_date(d, "dd-MMM-yyyy"); }

}  // namespace

DownloadResult rebuild_index_histories(const std::string& source_folder,
                                       const std::vector<std::string>& index_list, Disk& disk,
                                       StatusSink& status,
                                       const std::optional<std::pair<Date, Date>>& range) {
  DownloadResult result;
  result.failure = failure_of([&] {
    const std::string day_folder = index_day_folder(source_folder);
    std::vector<std::pair<Date, std::string>> names;
    if (range) {
      for (Date d = range->first; d <= range->second; d = next_day(d))
        names.emplace_back(d, folder_with_separator(day_folder) + index_day_file_name(d));
    } else {
      disk.make_folders(day_folder);
      for (const std::string& name : disk.list(day_folder, "ind_close_all_*.csv"))
        if (const std::optional<Date> d = index_file_day(name))
          names.emplace_back(*d, folder_with_separator(day_folder) + name);
    }
    std::deque<std::string> texts;  // the views of `days` stay valid as it grows
    std::vector<IndexDay> days;
    for (const auto& [day, path] : names) {
      if (!disk.is_file(path)) continue;
      disk.read(path, texts.emplace_back());
      days.push_back({day, texts.back()});
    }
    const std::string where =
        range ? "from " + day_text(range->first) + " to " + day_text(range->second)
              : "in '" + day_folder + "'";
    for (size_t i = 0; i < index_list.size(); ++i) {
      if (index_list[i].empty()) continue;
      const Entry names_of = split_entry(index_list[i], static_cast<int>(i) + 1);
      status.append(std::string(kCrLf) + "Downloading Index data for " + names_of.short_name);
      std::string text, why;
      if (build_index_history(names_of.index_name, days, text)) {
        const std::string local = join_path(source_folder, "INDEX_" + names_of.short_name + ".csv");
        try {
          disk.write(local, text, false);
          result.files.push_back(local);
        } catch (const Error& e) {
          why = e.what();
        }
      } else {
        why = "the name '" + names_of.index_name +
              "' is in none of the exchange's daily index files " + where + ".";
      }
      status.append(std::string(kCrLf) + (why.empty() ? std::string(" Index Download is complete.")
                                                      : " Index Download failed: " + why));
    }
  });
  return result;
}

namespace {

[[noreturn]] void throw_no_index_list(const IndexDownloadJob& job) {
  throw Error("There is no index list: the settings file '" + job.settings_file +
              "' has no [QN_Indices] section, or it is empty.");
}

}  // namespace

IndexDownloadResult download_index_days(const IndexDownloadJob& job, const DownloadTools& tools) {
  IndexDownloadResult result;
  result.failure = failure_of([&] {
    if (!job.entries) throw_no_index_list(job);
    tools.disk.remove_stale_temporaries(index_day_folder(job.folder));
    std::vector<Date> days;
    std::vector<std::unique_ptr<SteppedDayFetch>> fetches;
    for (Date day = job.from; day <= job.to; day = next_day(day)) {
      days.push_back(day);
      fetches.push_back(std::make_unique<IndexDayFetch>(
          DayFetchJob{job.exchange_url, job.layout, job.folder}, day, tools.disk));
    }
    const int total = static_cast<int>(days.size());
    std::string not_stored;  // the days that answered, or failed, without a file
    auto finished = [&](size_t i) {
      tools.progress.report(static_cast<int>(i), total);
      tools.events.pump();
      tools.status.show_address(index_day_address(job.exchange_url, days[i]));
      const DayFetchOutcome& got = fetches[i]->outcome();
      if (got.state == DayFetchState::rejected || got.state == DayFetchState::failed)
        not_stored += (not_stored.empty() ? "" : " ") + day_text(days[i]) + ": " + got.reason;
    };
    if (run_day_fetches(fetches, job.parallel, tools, finished,
                        [&] { return tools.progress.stop_requested(); })) {
      tools.status.append(std::string(kCrLf) + std::string(kStoppedByUser));
      return;
    }
    tools.progress.report(total, total);
    DownloadResult rebuilt = rebuild_index_histories(job.folder, *job.entries, tools.disk,
                                                     tools.status, std::pair{job.from, job.to});
    result.files = std::move(rebuilt.files);
    if (!not_stored.empty())
      tools.status.append(std::string(kCrLf) + "Daily index files not stored: " + not_stored);
    if (rebuilt.failure) throw Error(*rebuilt.failure);
  });
  return result;
}

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
    if (!job.entries) throw_no_index_list(job);
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
