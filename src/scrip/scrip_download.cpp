#include "scrip/scrip_download.h"

#include "base/text.h"
#include "base/url_text.h"
#include "exchange/day_fetch.h"
#include "scrip/scrip_history.h"

namespace quillon {

namespace {

std::string date_parts(const Date& d) {
  return date_number(d.day) + date_number(d.month) + date_number(d.year);
}

}  // namespace

std::string scrip_query_text(const std::string& symbol, const Date& from, const Date& to) {
  return "inputtext=" + encode_query_value(symbol) + "&series=X&Fromday=" +
         date_number(from.day) + "&Frommon=" + date_number(from.month) +
         "&Fromyr=" + date_number(from.year) + "&Today=" + date_number(to.day) +
         "&Tomon=" + date_number(to.month) + "&Toyr=" + date_number(to.year) +
         "&submit=Get+Results&check=new";
}

std::string scrip_file_name(const std::string& symbol, const Date& from, const Date& to) {
  return date_parts(from) + date_parts(to) + symbol + "XN.csv";
}

DownloadResult download_scrip_history(const ScripDownloadJob& job, const DownloadTools& tools,
                                      ProgramFolder& program_folder) {
  DownloadResult result;
  result.failure = failure_of([&] {
    const std::string symbol = upper_ascii(job.symbol);
    check_plain_file_name(symbol, "scrip symbol");
    const std::string request_url = job.exchange_url + "/marketinfo/equities/scripvol/histscrip.jsp?" +
                                    scrip_query_text(symbol, job.from, job.to);
    const std::string file_name = scrip_file_name(symbol, job.from, job.to);
    const std::string csv_url = job.exchange_url + "/content/equities/scripvol/datafiles/" + file_name;

    if (!job.folder.empty()) tools.disk.remove_stale_temporaries(job.folder);
    tools.progress.report(0, 1);
    tools.status.append(std::string(kCrLf) + "downloading data for " + symbol);
    tools.fetcher.fetch(request_url, scratch_page_path(program_folder));
    tools.events.pump();
    const std::string local = folder_with_separator(job.folder) + file_name;
    const FetchResult r = tools.fetcher.fetch(csv_url, local);
    if (r.stored) result.files.push_back(local);
    // A file that did not arrive is said so, never reported as completed.
    tools.status.append(std::string(kCrLf) + "downloading data for " + symbol +
                        (r.stored ? std::string(" is completed.") : " failed: " + r.error));
    tools.progress.report(1, 1);
  });
  return result;
}

DownloadResult download_scrip_days(const ScripDownloadJob& job, const DownloadTools& tools) {
  DownloadResult result;
  result.failure = failure_of([&] {
    const std::string symbol = upper_ascii(job.symbol);
    check_plain_file_name(symbol, "scrip symbol");
    if (!job.folder.empty()) tools.disk.remove_stale_temporaries(job.folder);
    tools.status.append(std::string(kCrLf) + "downloading data for " + symbol);
    const DateReader dates(job.date_pattern);
    ScripHistory history(symbol);
    std::string text;
    std::vector<Date> days;
    std::vector<std::unique_ptr<SteppedDayFetch>> fetches;
    for (Date day = job.from; day <= job.to; day = next_day(day)) {
      days.push_back(day);
      fetches.push_back(std::make_unique<BhavcopyDayFetch>(
          DayFetchJob{job.exchange_url, ExchangeLayout::current, job.folder}, day, tools.disk));
    }
    const int total = static_cast<int>(days.size());
    std::optional<Error> failure;  // a day file that cannot be read ends the run
    auto finished = [&](size_t i) {
      if (failure) return;  // the transfers still in flight when it ended
      tools.progress.report(static_cast<int>(i), total);
      tools.events.pump();
      tools.status.show_address(daily_bhavcopy_address(job.exchange_url, days[i]));
      const DayFetchOutcome& got = fetches[i]->outcome();
      const std::string line =
          std::string(kCrLf) + "Downloading BhavCopy for " + format_date(days[i], job.date_pattern);
      if (got.state == DayFetchState::stored)
        tools.status.append(line + " <- file downloaded....");
      else if (got.state == DayFetchState::rejected || got.state == DayFetchState::failed)
        tools.status.append(line + " <- file not stored: " + got.reason);
      if (got.state != DayFetchState::stored && got.state != DayFetchState::already_there) return;
      try {
        tools.disk.read(got.path, text);
      } catch (const Error& e) {
        failure = e;
        return;
      }
      try {
        history.add_day_file(text, dates);
      } catch (const Error& e) {
        failure = Error(got.path + ", " + e.what());
      }
    };
    const bool stopped = run_day_fetches(fetches, job.parallel, tools, finished, [&] {
      return failure || tools.progress.stop_requested();
    });
    if (failure) throw *failure;
    if (stopped) {
      tools.status.append(std::string(kCrLf) + std::string(kStoppedByUser));
      return;
    }
    tools.progress.report(total, total);
    const std::string head = std::string(kCrLf) + "downloading data for " + symbol;
    if (history.empty()) {
      tools.status.append(head + " failed: the symbol is in none of the daily Bhavcopy files from " +
                          format_date(job.from, job.date_pattern) + " to " +
                          format_date(job.to, job.date_pattern) + ".");
      return;
    }
    const std::string local =
        folder_with_separator(job.folder) + scrip_file_name(symbol, job.from, job.to);
    tools.disk.write(local, history.text(), false);
    result.files.push_back(local);
    tools.status.append(head + " is completed.");
  });
  return result;
}

}  // namespace quillon
