#include "bhavcopy/bhavcopy_download.h"

#include "base/text.h"
#include "platform/text_file.h"
#include "platform/zip_reader.h"

namespace quillon {

namespace {

int count_days(Date from, const Date& to) {
  int n = 0;
  for (; from <= to; from = next_day(from)) ++n;
  return n;
}

// The exchange keeps its older daily files only zipped: the same address with
// ".zip" appended, holding the one CSV. It goes to a temporary file beside the
// day's file and is unpacked under the day's name all at once. A damaged
// archive or one without a CSV counts as a failed transfer, as does a file
// that cannot be written: nothing new is stored and nothing is said.
void fetch_zipped(const DownloadTools& tools, const std::string& address,
                  const std::string& local) {
  struct RemoveAfter {
    Disk& disk;
    std::string path;
    ~RemoveAfter() { disk.remove(path); }
  } zip{tools.disk, temp_name_for(local) + ".zip"};
  if (!tools.fetcher.fetch(address + ".zip", zip.path).stored) return;
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
    const int total = count_days(job.from, job.to);
    int done = 0;
    for (Date day = job.from; day <= job.to; day = next_day(day)) {
      tools.progress.report(done, total);
      tools.events.pump();
      const std::string address = bhavcopy_address(job.exchange_url, day);
      status.append(std::string(kCrLf) + "Downloading BhavCopy for " +
                    format_date(day, job.date_pattern));
      status.show_address(address);
      const std::string local = folder + bhavcopy_file_name(day);
      const FetchResult got = tools.fetcher.fetch(address, local);
      if (!got.stored && got.http_status == 404) fetch_zipped(tools, address, local);
      if (tools.disk.is_file(local)) {
        result.files.push_back(local);
        status.append(" <- file downloaded....");
      } else {
        status.append(" <- file doesnt exists....");
      }
      ++done;
      if (day < job.to && tools.progress.stop_requested()) {
        status.append(std::string(kCrLf) + std::string(kStoppedByUser));
        return;
      }
    }
    tools.progress.report(total, total);
    status.append(std::string(kCrLf) + "Data is extracted from the NSE Site.");
  });
  return result;
}

}  // namespace quillon
