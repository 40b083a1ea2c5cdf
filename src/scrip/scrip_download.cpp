#include "scrip/scrip_download.h"

#include "base/text.h"
#include "base/url_text.h"

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

}  // namespace quillon
