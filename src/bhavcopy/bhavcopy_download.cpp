#include "bhavcopy/bhavcopy_download.h"

#include <sys/stat.h>
#include <unistd.h>

#include <exception>

#include "download/download_support.h"
#include "platform/text_file.h"
#include "platform/zip_reader.h"

namespace quillon {

namespace {

bool is_regular_file(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

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
void fetch_zipped(Platform& p, const std::string& address, const std::string& local) {
  struct RemoveAfter {
    std::string path;
    ~RemoveAfter() { ::unlink(path.c_str()); }
  } zip{temp_name_for(local) + ".zip"};
  if (!p.fetcher.fetch(address + ".zip", zip.path).stored) return;
  try {
    write_file_atomically(local, read_single_csv_from_zip(zip.path));
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

void fGetNseFileAlt(WindowModel& w, Platform& p, const Date& from, const Date& to) {
  try {
    if (w.txtSourceFolder.empty()) {
      p.messages.show("Please select a valid Source folder");
      p.pointer.arrow();
      return;
    }
    if (w.txtDestFolder.empty()) {
      p.messages.show("Please Select a Valid Destination Folder");
      return;
    }
    w.Text1.clear();
    const std::string folder = folder_with_separator(w.txtSourceFolder);
    remove_stale_temporaries(w.txtSourceFolder);  // of a run killed before it ended
    w.arrBhavFiles.assign(1, std::string());
    const std::string short_date = p.date_pattern.short_date_pattern();
    const int total = count_days(from, to);
    int done = 0;
    for (Date day = from; day <= to; day = next_day(day)) {
      p.progress.report(done, total);
      p.events.pump();
      const std::string address = bhavcopy_address(w.gstrExchangeUrl, day);
      w.Text1.append(std::string(kCrLf) + "Downloading BhavCopy for " +
                     format_date(day, short_date));
      w.txtLabel = address;
      const std::string local = folder + bhavcopy_file_name(day);
      const FetchResult got = p.fetcher.fetch(address, local);
      if (!got.stored && got.http_status == 404) fetch_zipped(p, address, local);
      if (is_regular_file(local)) {
        if (w.arrBhavFiles.size() == 1 && w.arrBhavFiles.front().empty())
          w.arrBhavFiles.front() = local;
        else
          w.arrBhavFiles.push_back(local);
        w.Text1.append(" <- file downloaded....");
      } else {
        w.Text1.append(" <- file doesnt exists....");
      }
      ++done;
      if (day < to && p.progress.stop_requested()) {
        w.Text1.append(std::string(kCrLf) + std::string(kStoppedByUser));
        return;
      }
    }
    p.progress.report(total, total);
    w.Text1.append(std::string(kCrLf) + "Data is extracted from the NSE Site.");
  } catch (const std::exception& e) {
    p.messages.show(std::string("fGetNseFileAlt: ") + e.what());
  }
}

}  // namespace quillon
