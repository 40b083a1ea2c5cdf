#include "scrip/scrip_download.h"

#include <exception>

#include "download/download_support.h"
#include "platform/text_file.h"
#include "base/url_text.h"

namespace quillon {

namespace {

std::string upper_case(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

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

void fDownloadScrip(WindowModel& w, Platform& p) {
  try {
    const DateReader dates(p.date_pattern.short_date_pattern());
    const Date from = read_date_box(w.TxtFromDt, dates, "From");
    const Date to = read_date_box(w.TxtToDt, dates, "To");
    const std::string symbol = upper_case(w.txtScrip);
    check_plain_file_name(symbol, "scrip symbol");
    const std::string& base = w.gstrExchangeUrl;
    const std::string request_url =
        base + "/marketinfo/equities/scripvol/histscrip.jsp?" + scrip_query_text(symbol, from, to);
    const std::string file_name = scrip_file_name(symbol, from, to);
    const std::string csv_url = base + "/content/equities/scripvol/datafiles/" + file_name;

    if (!w.txtSourceFolder.empty()) remove_stale_temporaries(w.txtSourceFolder);
    p.progress.report(0, 1);
    w.Text1.append(std::string(kCrLf) + "downloading data for " + symbol);
    p.fetcher.fetch(request_url, scratch_page_path(p.program_folder));
    p.events.pump();
    const FetchResult r =
        p.fetcher.fetch(csv_url, folder_with_separator(w.txtSourceFolder) + file_name);
    // A file that did not arrive is said so, never reported as completed.
    w.Text1.append(std::string(kCrLf) + "downloading data for " + symbol +
                   (r.stored ? std::string(" is completed.") : " failed: " + r.error));
    p.progress.report(1, 1);
  } catch (const std::exception& e) {
    p.messages.show(std::string("fDownloadScrip: ") + e.what());
  }
}

}  // namespace quillon
