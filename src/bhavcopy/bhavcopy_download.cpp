#include "bhavcopy/bhavcopy_download.h"

#include "base/text.h"
#include "platform/text_file.h"
#include "platform/zip_reader.h"

namespace quillon {

namespace {

// The exchange keeps its older daily files only zipped: the same address with
// ".zip" appended, holding the one CSV. It goes to a temporary file beside the
// day's file and is unpacked under the day's name all at once. A damaged
// archive or one without a CSV counts as a failed transfer, as does a file
// that cannot be written: nothing new is stored and nothing is said.
void unpack_zipped(const DownloadTools& tools, const FetchResult& got, const std::string& zip_path,
                   const std::string& local) {
  struct RemoveAfter {
    Disk& disk;
    std::string path;
    ~RemoveAfter() { disk.remove(path); }
  } zip{tools.disk, zip_path};
  if (!got.stored) return;
  try {
    tools.disk.write(local, read_single_csv_from_zip(zip.path), false);
  } catch (const Error&) {
  }
}

}  // namespace

std::string bhavcopy_address(const std::string& base, const Date& day) {
  const std::string_view mon = month_abbrev(day.month);
  const std::string year = format_date(day, "yyyy");
  std::string a = base;
  a.append("/content/historical/EQUITIES/").append(year).append("/").append(mon);
  a.append("/cm").append(format_date(day, "dd")).append(mon).append(year).append("bhav.csv");
  return a;
}

std::string bhavcopy_file_name(const Date& day) { return format_date(day, "yyyy_MM_dd") + ".csv"; }

DownloadResult download_bhavcopies(const BhavcopyDownloadJob& job, const DownloadTools& tools) {
  DownloadResult result;
  result.failure = failure_of([&] {
    StatusSink& status = tools.status;
    status.clear();
    const std::string folder = folder_with_separator(job.folder);
    tools.disk.remove_stale_temporaries(job.folder);  // of a run killed before it ended
    std::vector<Date> days;
    std::vector<FetchRequest> requests;
    for (Date day = job.from; day <= job.to; day = next_day(day)) {
      days.push_back(day);
      requests.push_back({bhavcopy_address(job.exchange_url, day), folder + bhavcopy_file_name(day)});
    }
    const int total = static_cast<int>(days.size());
    std::vector<std::string> zips(days.size());  // where a day's zipped copy goes

    auto deliver = [&](size_t i, const FetchResult& got) -> std::optional<FetchRequest> {
      const std::string& local = requests[i].local_path;
      if (zips[i].empty() && !got.stored && got.http_status == 404) {
        zips[i] = temp_name_for(local) + ".zip";
        return FetchRequest{requests[i].address + ".zip", zips[i]};
      }
      if (!zips[i].empty()) unpack_zipped(tools, got, zips[i], local);
      tools.progress.report(static_cast<int>(i), total);
      tools.events.pump();
      status.append(std::string(kCrLf) + "Downloading BhavCopy for " +
                    format_date(days[i], job.date_pattern));
      status.show_address(requests[i].address);
      if (tools.disk.is_file(local)) {
        result.files.push_back(local);
        status.append(" <- file downloaded....");
      } else {
        status.append(" <- file doesnt exists....");
      }
      return std::nullopt;
    };
    SerialBatchFetcher one_at_a_time(tools.fetcher);
    ParallelOptions options = job.parallel;
    if (!tools.batch) options = {.jobs = 1, .rate = 0};
    if (fetch_in_order(requests, options, tools.batch ? *tools.batch : one_at_a_time, deliver,
                       [&] { return tools.progress.stop_requested(); })) {
      status.append(std::string(kCrLf) + std::string(kStoppedByUser));
      return;
    }
    tools.progress.report(total, total);
    status.append(std::string(kCrLf) + "Data is extracted from the NSE Site.");
  });
  return result;
}

}  // namespace quillon
