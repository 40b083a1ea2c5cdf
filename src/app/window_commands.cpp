#include "app/window_commands.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <variant>

#include "app/operations.h"
#include "base/dates.h"
#include "base/text.h"
#include "download/download_support.h"
#include "exchange/bse_files.h"
#include "indices/index_history.h"
#include "platform/install_layout.h"
#include "platform/text_file.h"
#include "settings/ini_file.h"

namespace quillon {

namespace {

// A download run from its start to its end: the flag that turns a second
// click away meanwhile, and the busy mouse pointer.
class DownloadRun {
 public:
  DownloadRun(bool& running, MousePointer& pointer) : running_(running), pointer_(pointer) {
    running_ = true;
    pointer_.busy();
  }
  ~DownloadRun() {
    pointer_.arrow();
    running_ = false;
  }
  DownloadRun(const DownloadRun&) = delete;
  DownloadRun& operator=(const DownloadRun&) = delete;

 private:
  bool& running_;
  MousePointer& pointer_;
};


// The lines of an INI section as ReadIniSection gives them, split at every
// NUL, all pieces kept.
std::vector<std::string> split_at_nul(const std::string& section) {
  std::vector<std::string> list;
  size_t start = 0;
  for (;;) {
    const size_t nul = section.find('\0', start);
    list.push_back(section.substr(start, nul == std::string::npos ? nul : nul - start));
    if (nul == std::string::npos) return list;
    start = nul + 1;
  }
}

Date previous_day(const Date& d) {
  using namespace std::chrono;
  const year_month_day ymd{sys_days{year{d.year} / d.month / d.day} - days(1)};
  return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

std::string iso(const Date& d) { return format_date(d, "yyyy-MM-dd"); }

// Records in the EOD text files: their lines.
long long count_records(Disk& disk, const std::vector<std::string>& files) {
  long long n = 0;
  std::string text;
  for (const std::string& f : files) {
    disk.read(f, text);
    n += static_cast<long long>(std::count(text.begin(), text.end(), '\n'));
  }
  return n;
}

}  // namespace

WindowCommands::WindowCommands(Platform& platform, std::string settings_file)
    : platform_(platform), settings_file_(std::move(settings_file)) {}

std::string WindowCommands::web_site_address() {
  return page_address(platform_.program_folder.path(), "README.html");
}
std::string WindowCommands::faq_address() {
  return page_address(platform_.program_folder.path(), "faq.html");
}
std::string WindowCommands::start_page_address() { return "about:blank"; }

void WindowCommands::Form_Load() {
  WindowModel& w = model_;
  Platform& p = platform_;
  report_failure(p.messages, "Form Load ", failure_of([&] {
    // The settings file.
    w.gstrIniPath = settings_file_location(settings_file_, p.program_folder.path());
    // The caption and the link labels.
    w.Caption = std::string("Quillon: ") + kVersion;
    w.Label16Underlined = true;
    w.Label17Underlined = true;
    // The settings.
    const std::string indices = ReadIniSection(p.disk, "QN_Indices", w.gstrIniPath);
    w.gstrAmiPath = ReadIniString(p.disk, "QN_EOD", "AmiPath", "", w.gstrIniPath);
    w.strDataSource = ReadIniString(p.disk, "QN_EOD", "DataSource", "", w.gstrIniPath);
    w.strSourcePath = ReadIniString(p.disk, "QN_EOD", "SourcePath", "", w.gstrIniPath);
    w.strDestPath = ReadIniString(p.disk, "QN_EOD", "DestPath", "", w.gstrIniPath);
    const std::string layout = ReadIniString(p.disk, "QN_EOD", "ExchangeLayout", "", w.gstrIniPath);
    const std::string output = ReadIniString(p.disk, "QN_EOD", "Output", "", w.gstrIniPath);
    w.chkAdjust = ReadIniString(p.disk, "QN_EOD", "Adjust", "", w.gstrIniPath) == "1";
    w.chkFO = ReadIniString(p.disk, "QN_EOD", "FO", "", w.gstrIniPath) == "1";
    if (ReadIniString(p.disk, "QN_EOD", "OI", "", w.gstrIniPath) == "1") w.Combo1ListIndex = 1;
    // The folder boxes, restored for the exchanges only.
    if (w.strDataSource == "NSE" || w.strDataSource == "BSE") {
      w.txtSourceFolder = w.strSourcePath;
      w.txtDestFolder = w.strDestPath;
    }
    if (!indices.empty()) w.arrIndexList = split_at_nul(indices);
    // The browser pane.
    w.WebBrowser1 = start_page_address();
    p.browser.navigate(w.WebBrowser1);
    // The date pattern and the date boxes.
    w.strShortDate = p.date_pattern.short_date_pattern();
    w.strDateFormat = choose_date_format(w.strShortDate);
    const LocalDateTime now = p.clock.now();
    const char sep = date_separator(w.strShortDate);
    w.TxtFromDt = prefill_date(now, w.strDateFormat, sep);
    w.TxtToDt = prefill_date(now, w.strDateFormat, sep);
    w.Label4 = w.strDateFormat;
    // No download yet.
    w.arrBhavFiles.assign(1, std::string());
    if (equal_ignoring_ascii_case(output, "scrip-wise")) w.rbScripWise = true;
    else if (equal_ignoring_ascii_case(output, "date-wise")) w.rbDateWise = true;
    else if (!output.empty())
      p.messages.show("Form Load The settings file's Output '" + output +
                      "' is neither date-wise nor scrip-wise; date-wise is used.");
    if (!layout.empty()) {
      const std::optional<ExchangeLayout> read = parse_exchange_layout(layout);
      if (!read)
        throw Error("The settings file's ExchangeLayout '" + layout +
                    "' is neither current nor legacy; current is used.");
      w.gExchangeLayout = *read;
    }
    const std::string auto_update = ReadIniString(p.disk, "QN_EOD", "AutoUpdate", "", w.gstrIniPath);
    if (auto_update != "" && auto_update != "0" && auto_update != "1")
      throw Error("The settings file's AutoUpdate '" + auto_update + "' is neither 0 nor 1; 0 is used.");
    w.chkAuto = auto_update == "1";
  }));
}

void WindowCommands::cmdProcess_Click() {
  // While a download lets the window process its events a second click would
  // start a run inside the running one; it is ignored instead.
  if (downloading_) return;
  const DownloadRun running(downloading_, platform_.pointer);
  if (model_.rbSource == kSourceNse || downloads_from_bse(model_)) download_checked();
}

// Checks the date and folder boxes in their fixed order, stopping at the first
// that fails, then starts what the check boxes ask for.
void WindowCommands::download_checked() {
  WindowModel& w = model_;
  Platform& p = platform_;
  const DateReader dates(p.date_pattern.short_date_pattern());
  const std::optional<Date> from = w.TxtFromDt.empty() ? std::nullopt : dates.parse(w.TxtFromDt);
  if (!from) return p.messages.show("Please Enter a Valid From Date.");
  const std::optional<Date> to = w.TxtToDt.empty() ? std::nullopt : dates.parse(w.TxtToDt);
  if (!to) return p.messages.show("Please Enter a Valid To Date.");
  if (w.txtSourceFolder.empty()) return p.messages.show("Please select a valid Source folder");
  if (w.txtDestFolder.empty()) return p.messages.show("Please select a valid Dest. folder");
  if (w.chkEOD) {
    if (!w.txtScrip.empty() && !downloads_from_bse(w))  // BSE: its day files only
      fDownloadScrip(w, p, *from, *to);
    else
      fGetNseFileAlt(w, p, *from, *to);
    // A stop asked for during the first download stops the index download too.
    if (w.chkIndices && p.progress.stop_requested()) {
      if (!w.Text1.text().ends_with(kStoppedByUser))
        w.Text1.append(std::string(kCrLf) + std::string(kStoppedByUser));
      return;
    }
  }
  if (w.chkFO && !p.progress.stop_requested()) fGetFoFiles(w, p, *from, *to);
  if (w.chkIndices) fgetIndices(w, p, *from, *to);
}

// Update: every queued file in queue order, then an empty queue. A failure
// of one file is reported by fUpdateAmi and does not stop the others; a
// failure of the loop itself ends the command and keeps the queue.
void WindowCommands::Command3_Click() { import_queue(0); }

// The Update's loop over the queue from `first` on, which it then leaves
// out of the queue.
std::vector<std::string> WindowCommands::import_queue(size_t first) {
  WindowModel& w = model_;
  std::vector<std::string> imported;
  report_failure(platform_.messages, "cmdUpdate: ", failure_of([&] {
    if (w.colAmiFiles.size() <= first) return;
    const int total = static_cast<int>(w.colAmiFiles.size() - first);
    for (int i = 0; i < total; ++i) {
      platform_.progress.report(i, total);
      const std::string strFile = w.colAmiFiles.at(first + static_cast<size_t>(i));
      if (fUpdateAmi(w, platform_, strFile)) imported.push_back(strFile);
    }
    platform_.progress.report(total, total);
    w.colAmiFiles.resize(first);
  }));
  return imported;
}

Date WindowCommands::today() {
  return today_ ? *today_ : india_date(platform_.clock.utc_now());
}

TradingCalendar WindowCommands::trading_calendar(std::vector<std::string>& warnings) {
  TradingCalendar calendar;
  const std::string section =
      ReadIniSection(platform_.disk, std::string(kHolidaysSection), model_.gstrIniPath);
  warnings = calendar.add_overrides(section);
  return calendar;
}

DayFiles WindowCommands::day_files() {
  const std::string_view prefix = downloads_from_bse(model_) ? kBseDayFilePrefix : "";
  if (model_.txtSourceFolder.empty()) return DayFiles({}, prefix);
  return DayFiles(platform_.disk.list(model_.txtSourceFolder, "*.csv"), prefix);
}

bool WindowCommands::cmdGaps_Click(const std::optional<std::string>& from_text,
                                   const std::optional<std::string>& to_text) {
  WindowModel& w = model_;
  Platform& p = platform_;
  auto refuse = [&p](const char* why) {
    p.messages.show(why);
    return false;
  };
  const DateReader dates(p.date_pattern.short_date_pattern());
  std::optional<Date> from, to;
  if (from_text && !(from = dates.parse(*from_text))) return refuse("Please Enter a Valid From Date.");
  if (to_text && !(to = dates.parse(*to_text))) return refuse("Please Enter a Valid To Date.");
  if (w.txtSourceFolder.empty()) return refuse("Please select a valid Source folder");
  bool some_missing = false;
  report_failure(p.messages, "cmdGaps: ", failure_of([&] {
    std::vector<std::string> warnings;
    const TradingCalendar calendar = trading_calendar(warnings);
    for (const std::string& line : warnings) w.Text1.append(line + std::string(kCrLf));
    const DayFiles files = day_files();
    if (!from && files.empty()) {
      p.messages.show("The source folder holds no day file (" + files.prefix() +
                      "yyyy_mm_dd.csv) to start from. Give the first day with --from.");
      return;
    }
    const Date first = from ? *from : *files.oldest();
    const Date yesterday = previous_day(today());
    const Date last = to && *to < yesterday ? *to : yesterday;  // today never counts
    const std::vector<Date> missing = files.missing(calendar, first, last);
    for (const Date& d : missing) w.Text1.append(iso(d) + std::string(kCrLf));
    const size_t trading = first <= last ? calendar.trading_days(first, last).size() : 0;
    w.Text1.append(std::to_string(missing.size()) + " of " + std::to_string(trading) +
                   " trading days from " + iso(first) + " to " + iso(last) +
                   " have no day file." + std::string(kCrLf));
    some_missing = !missing.empty();
  }));
  return some_missing;
}

bool WindowCommands::cmdCatchUp_Click(const std::optional<std::string>& from_text) {
  std::optional<Date> from;
  if (from_text && !(from = DateReader(platform_.date_pattern.short_date_pattern()).parse(*from_text))) {
    platform_.messages.show("Please Enter a Valid From Date.");
    return false;
  }
  return catch_up(from, std::nullopt);
}

bool WindowCommands::fetch_day(const Date& day) { return catch_up(day, day); }

// The run of catch-up from `from` (else after the newest day file), or of
// the one day `only`.
bool WindowCommands::catch_up(const std::optional<Date>& from, const std::optional<Date>& only) {
  if (downloading_) return false;
  const DownloadRun running(downloading_, platform_.pointer);
  WindowModel& w = model_;
  Platform& p = platform_;
  const char* refused = w.txtSourceFolder.empty() ? "Please select a valid Source folder"
                        : w.txtDestFolder.empty() ? "Please select a valid Dest. folder"
                                                  : nullptr;
  if (refused) {
    p.messages.show(refused);
    return false;
  }
  bool still_missing = false;
  report_failure(p.messages, "cmdCatchUp: ", failure_of([&] {
    const std::unique_ptr<FolderLock> lock = p.locks.try_lock(w.txtSourceFolder);
    if (!lock)
      return p.messages.show("Another run holds the source folder '" + w.txtSourceFolder +
                             "' for its catch-up: this one ends without touching a file. "
                             "Try again when that one has ended.");
    const size_t queued = w.colAmiFiles.size();
    ModelStatus status(w);
    status.clear();
    std::vector<std::string> warnings;
    const TradingCalendar calendar = trading_calendar(warnings);
    for (const std::string& line : warnings) status.append(std::string(kCrLf) + line);
    const std::string pattern = p.date_pattern.short_date_pattern();
    const Date today_date = today();
    auto planned = plan_catch_up(calendar, day_files(), from, only ? *only : today_date);
    if (auto* none = std::get_if<NoStartDay>(&planned)) return p.messages.show(none->message);
    CatchUpPlan& plan = std::get<CatchUpPlan>(planned);
    auto before_bse = [](const Date& d) { return d < kBseFirstDay; };  // BSE's older days are not asked
    const size_t older = downloads_from_bse(w) ? std::erase_if(plan.to_fetch, before_bse) : 0;
    status.append(std::string(kCrLf) + "Catching up from " + format_date(plan.from, pattern) +
                  " to " + format_date(plan.today, pattern) + ": " +
                  std::to_string(plan.to_fetch.size()) + " trading days to fetch.");
    if (older > 0) status.append(std::string(kCrLf) + bse_older_days_line(pattern));
    p.disk.remove_stale_temporaries(w.txtSourceFolder);  // of a run killed before it ended
    const DayFetches fetches = exchange_day_fetches(w, p);
    const CatchUpResult result = run_catch_up(
        {.days = plan.to_fetch, .today = today_date, .date_pattern = pattern,
         .already_there = plan.already_there},
        fetches.bhavcopy, w.chkIndices ? fetches.index : DayFetchMaker{}, catch_up_tools(w, p, status),
        w.chkFO ? fetches.fo : DayFetchMaker{});
    // The symbol changes once a run has brought new days.
    if (fetches.actions && !result.stopped && !result.fetched.empty()) fetch_symbol_changes(w, p, *fetches.actions);
    if (w.chkIndices && result.index_days_stored > 0) fetches.rebuild_indices();
    // Convert and Update of exactly the days fetched; nothing when none was.
    if (!result.fetched.empty()) {
      w.arrBhavFiles = result.fetched;
      fOutput(w, p);
    }
    if (!result.fo_fetched.empty()) {
      w.arrFoFiles = result.fo_fetched;
      fConvertFo(w, p);
    }
    if (w.chkIndices && result.index_days_stored > 0) fConvertIndex(w, p);
    long long records = 0;
    if (w.chkAuto || !w.gstrAmiPath.empty()) records = count_records(p.disk, import_queue(queued));
    if (!result.missing.empty())
      status.append(std::string(kCrLf) + missing_days_line(result.missing, pattern));
    status.append(std::string(kCrLf) + catch_up_summary(result, records));
    still_missing = !result.missing.empty();
  }));
  return still_missing;
}

void WindowCommands::cmdConvert_Click() {
  const size_t queued = model_.colAmiFiles.size();
  if (model_.chkEOD) {
    if (!model_.txtScrip.empty())
      fConvertScrip(model_, platform_);
    else
      fOutput(model_, platform_);
  }
  if (model_.chkFO) fConvertFo(model_, platform_);
  if (model_.chkIndices) fConvertIndex(model_, platform_);
  if (model_.chkAuto) import_queue(queued);
}

void WindowCommands::cmdOptions_Click() {
  WindowModel& w = model_;
  if (w.rbSource == kSourceNse) w.strDataSource = "NSE";
  w.strSourcePath = w.txtSourceFolder;
  w.strDestPath = w.txtDestFolder;
  // The three settings are saved in one replacement of the file, so a
  // failed save changes nothing, and the failure is reported so a setting
  // that was not saved never passes for saved. In the current layout a file
  // without [QN_Indices] gets the default index list in the same save.
  std::vector<IniSetting> settings = {{"QN_EOD", "DataSource", w.strDataSource},
                                      {"QN_EOD", "SourcePath", w.strSourcePath},
                                      {"QN_EOD", "DestPath", w.strDestPath}};
  if (w.gExchangeLayout == ExchangeLayout::current &&
      ReadIniSection(platform_.disk, "QN_Indices", w.gstrIniPath).empty()) {
    for (const std::string& entry : default_index_list()) {
      const size_t eq = entry.find('=');
      settings.push_back({"QN_Indices", entry.substr(0, eq), entry.substr(eq + 1)});
    }
  }
  const std::string failure = WriteIniSettings(platform_.disk, settings, w.gstrIniPath);
  if (!failure.empty()) platform_.messages.show("cmdOptions: The settings were not saved. " + failure);
}

void WindowCommands::rbSource_Click(int index) {
  report_failure(platform_.messages, "Source Select Event ", failure_of([&] {
    if (index < kSourceNse || index > kSourceFolder)
      throw Error("There is no data source option " + std::to_string(index) + ".");
    model_.rbSource = index;
    model_.cmdProcessEnabled = index != kSourceFolder;
  }));
}

std::string WindowCommands::FuncGetFolderName(const std::string& prompt) {
  return platform_.folders.pick(prompt);
}

std::string WindowCommands::BrowseFolder() { return FuncGetFolderName("Select a folder"); }

// A cancelled picker leaves the box as it was.
void WindowCommands::Command1_Click() {
  std::string folder = BrowseFolder();
  if (!folder.empty()) model_.txtSourceFolder = folder;
}

void WindowCommands::Command2_Click() {
  std::string folder = BrowseFolder();
  if (!folder.empty()) model_.txtDestFolder = folder;
}

void WindowCommands::Label16_Click() { platform_.web.open(web_site_address()); }
void WindowCommands::Label17_Click() { platform_.web.open(faq_address()); }

}  // namespace quillon
