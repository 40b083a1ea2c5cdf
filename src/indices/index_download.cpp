#include "indices/index_download.h"

#include <exception>
#include <vector>

#include "download/download_support.h"
#include "platform/text_file.h"

namespace quillon {

namespace {

std::string trim_spaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return std::string(s);
}

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

void fgetIndices(WindowModel& w, Platform& p) {
  try {
    if (!w.arrIndexList)
      throw Error("There is no index list: the settings file '" + w.gstrIniPath +
                  "' has no [QN_Indices] section, or it is empty.");
    const std::vector<std::string> list = *w.arrIndexList;
    if (!w.txtSourceFolder.empty()) remove_stale_temporaries(w.txtSourceFolder);
    int total = 0;
    for (const std::string& entry : list) total += entry.empty() ? 0 : 1;
    int done = 0;
    std::string scratch;
    for (size_t i = 0; i < list.size(); ++i) {
      const std::string& entry = list[i];
      if (entry.empty()) continue;
      const size_t eq = entry.find('=');
      if (eq == std::string::npos)
        throw Error("The index entry '" + entry + "' (entry " + date_number(static_cast<int>(i) + 1) +
                    " of [QN_Indices]) has no \"=\" between index name and short name.");
      const std::string short_name = trim_spaces(std::string_view(entry).substr(eq + 1));
      const std::string index_name = trim_spaces(std::string_view(entry).substr(0, eq));
      // An entry without either name would fetch a nameless index or write a
      // nameless file: it stops the run like an entry without "=".
      if (index_name.empty() || short_name.empty())
        throw Error("The index entry '" + entry + "' (entry " +
                    date_number(static_cast<int>(i) + 1) + " of [QN_Indices]) has no " +
                    (index_name.empty() ? "index name before" : "short name after") + " \"=\".");
      check_plain_file_name(short_name, "index short name");
      const DateReader dates(p.date_pattern.short_date_pattern());
      const Date from = read_date_box(w.TxtFromDt, dates, "From");
      const Date to = read_date_box(w.TxtToDt, dates, "To");
      p.progress.report(done, total);

      const std::string& base = w.gstrExchangeUrl;
      w.strIndexQueryUrl = base + "/marketinfo/indices/histdata/historicalindices.jsp?" +
                           index_query_text(index_name, from, to);
      w.strIndexFileUrl =
          base + "/content/indices/histdata/" + index_name + index_date_parts(from, to) + ".csv";
      w.WebBrowser1 = w.strIndexQueryUrl;
      p.browser.navigate(w.strIndexQueryUrl);
      if (scratch.empty()) scratch = scratch_page_path(p.program_folder);
      p.fetcher.fetch(w.strIndexQueryUrl, scratch);
      p.events.pump();
      const std::string file_url = w.strIndexFileUrl;
      FGetNseIndex(w, p, file_url, short_name);

      ++done;
      if (done < total && p.progress.stop_requested()) {
        w.Text1.append(std::string(kCrLf) + std::string(kStoppedByUser));
        return;
      }
    }
    p.progress.report(total, total);
  } catch (const std::exception& e) {
    p.messages.show(std::string("fgetIndices: ") + e.what());
  }
}

void FGetNseIndex(WindowModel& w, Platform& p, const std::string& file_url,
                  const std::string& short_name) {
  try {
    w.Text1.append(std::string(kCrLf) + "Downloading Index data for " + short_name);
    const FetchResult r =
        p.fetcher.fetch(file_url, join_path(w.txtSourceFolder, "INDEX_" + short_name + ".csv"));
    // A file that did not arrive is said so, never reported as complete.
    w.Text1.append(std::string(kCrLf) + (r.stored ? std::string(" Index Download is complete.")
                                                  : " Index Download failed: " + r.error));
  } catch (const std::exception& e) {
    p.messages.show(std::string("FGetNseIndex: ") + e.what());
  }
}

}  // namespace quillon
