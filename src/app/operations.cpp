#include "app/operations.h"

#include "bhavcopy/bhavcopy_convert.h"
#include "bhavcopy/bhavcopy_download.h"
#include "exchange/bse_day_fetch.h"
#include "exchange/day_fetch.h"
#include "indices/index_day_fetch.h"
#include "indices/index_convert.h"
#include "indices/index_history.h"
#include "derivatives/fo_convert.h"
#include "derivatives/fo_download.h"
#include "histories/scrip_wise.h"
#include "settings/ini_file.h"
#include "scrip/scrip_convert.h"
#include "scrip/scrip_download.h"
#include "update/chart_import.h"

namespace quillon {

namespace {

ConversionJob conversion_job(const WindowModel& model, Platform& platform) {
  return {.source_folder = model.txtSourceFolder,
          .dest_folder = model.txtDestFolder,
          .date_pattern = platform.date_pattern.short_date_pattern(),
          .jobs = model.jobs.value_or(0),
          .open_interest = model.Combo1ListIndex == 1};
}

void take_conversion(WindowModel& model, Platform& platform, std::string_view prefix,
                     const ConversionResult& result) {
  model.File1 = {result.listed_folder, result.listed_pattern, result.listed};
  model.colAmiFiles.insert(model.colAmiFiles.end(), result.written.begin(), result.written.end());
  if (result.nothing_to_convert) platform.messages.show("No files available to convert");
  report_failure(platform.messages, prefix, result.failure);
}

DownloadTools download_tools(Platform& platform, StatusSink& status) {
  return {.fetcher = platform.fetcher,
          .disk = platform.disk,
          .status = status,
          .progress = platform.progress,
          .events = platform.events,
          .batch = platform.batch_fetcher};
}

// The day-by-day downloads' pace: --jobs and --rate; without --rate 3
// requests a second, 1 to BSE's host, as its users keep to.
ParallelOptions parallel_options(const WindowModel& model, bool bse = false) {
  return {.jobs = model.jobs.value_or(2), .rate = model.download_rate.value_or(bse ? 1 : 3)};
}

}  // namespace

void report_failure(MessageBox& messages, std::string_view prefix,
                    const std::optional<std::string>& failure) {
  if (failure) messages.show(std::string(prefix) + *failure);
}

bool downloads_from_bse(const WindowModel& model) {
  return model.rbSource == kSourceBse && model.gExchangeLayout == ExchangeLayout::current;
}

void fOutput(WindowModel& model, Platform& platform) {
  ModelStatus status(model);
  if (model.rbScripWise) {
    TradingCalendar calendar;
    calendar.add_overrides(ReadIniSection(platform.disk, std::string(kHolidaysSection), model.gstrIniPath));
    take_conversion(model, platform, "fOutput: ",
                    convert_scrip_wise({.conversion = conversion_job(model, platform),
                                        .symbol_length = model.txtLength,
                                        .adjust = model.chkAdjust,
                                        .exchange = model.rbSource == kSourceBse ? Exchange::bse : Exchange::nse},
                                       calendar, platform.disk, platform.progress, status));
    return;
  }
  // The last download's files; its list holds one empty entry when it found none.
  const std::vector<std::string>& last = model.arrBhavFiles;
  const bool none = last.empty() || last.front().empty();
  const BhavcopyConversionJob job{.conversion = conversion_job(model, platform),
                                  .downloaded_only = model.rbSource != kSourceFolder,
                                  .downloaded = none ? std::vector<std::string>{} : last,
                                  .symbol_length = model.txtLength};
  take_conversion(model, platform, "fOutput: ",
                  convert_bhavcopies(job, platform.disk, platform.progress, status));
}

void fConvertIndex(WindowModel& model, Platform& platform) {
  ModelStatus status(model);
  take_conversion(model, platform, "fConvertIndex: ",
                  convert_index_histories(conversion_job(model, platform), platform.disk,
                                          platform.progress, status));
}

void fConvertScrip(WindowModel& model, Platform& platform) {
  ModelStatus status(model);
  take_conversion(model, platform, "fConvertScrip: ",
                  convert_scrip_histories(conversion_job(model, platform), model.txtScrip,
                                          platform.disk, platform.progress, status));
}

void fConvertFo(WindowModel& model, Platform& platform) {
  ModelStatus status(model);
  take_conversion(model, platform, "fConvertFo: ",
                  convert_fo_files({.conversion = conversion_job(model, platform),
                                    .downloaded_only = model.rbSource != kSourceFolder,
                                    .downloaded = model.arrFoFiles,
                                    .open_interest = model.Combo1ListIndex == 1},
                                   platform.disk, platform.progress, status));
}

void fGetFoFiles(WindowModel& model, Platform& platform, const Date& from, const Date& to) {
  ModelStatus status(model);
  const DownloadResult result = download_fo_days({.exchange_url = model.gstrExchangeUrl,
                                                  .layout = model.gExchangeLayout,
                                                  .folder = model.txtSourceFolder,
                                                  .from = from,
                                                  .to = to,
                                                  .date_pattern = platform.date_pattern.short_date_pattern(),
                                                  .parallel = parallel_options(model)},
                                                 download_tools(platform, status));
  model.arrFoFiles = result.files;
  report_failure(platform.messages, "fGetFoFiles: ", result.failure);
}

void fGetNseFileAlt(WindowModel& model, Platform& platform, const Date& from, const Date& to) {
  if (model.txtSourceFolder.empty()) {
    platform.messages.show("Please select a valid Source folder");
    platform.pointer.arrow();
    return;
  }
  if (model.txtDestFolder.empty()) {
    platform.messages.show("Please Select a Valid Destination Folder");
    return;
  }
  ModelStatus status(model);
  const std::string pattern = platform.date_pattern.short_date_pattern();
  const DayFetchJob day_job{model.gstrExchangeUrl, model.gExchangeLayout, model.txtSourceFolder};
  ActionFetches actions(day_job, pattern, platform.disk);
  const bool bse = downloads_from_bse(model);
  BhavcopyDownloadJob job{.exchange_url = bse ? model.gstrBseUrl : model.gstrExchangeUrl,
                          .layout = model.gExchangeLayout,
                          .folder = model.txtSourceFolder,
                          .from = from,
                          .to = to,
                          .date_pattern = pattern,
                          .parallel = parallel_options(model, bse),
                          .after_day = {},
                          .exchange = bse ? Exchange::bse : Exchange::nse};
  const bool with_actions = !bse && model.gExchangeLayout == ExchangeLayout::current;
  if (with_actions)
    job.after_day = [&](const Date& day, const DayFetchOutcome& got) { return actions.after_day(day, got); };
  const DownloadResult result = download_bhavcopies(job, download_tools(platform, status));
  if (with_actions && !result.failure && !platform.progress.stop_requested())
    fetch_symbol_changes(model, platform, actions);
  model.arrBhavFiles = result.files.empty() ? std::vector<std::string>{""} : result.files;
  report_failure(platform.messages, "fGetNseFileAlt: ", result.failure);
}

void fgetIndices(WindowModel& model, Platform& platform, const Date& from, const Date& to) {
  ModelStatus status(model);
  IndexDownloadJob job{.exchange_url = model.gstrExchangeUrl,
                       .layout = model.gExchangeLayout,
                       .folder = model.txtSourceFolder,
                       .from = from,
                       .to = to,
                       .entries = model.arrIndexList,
                       .settings_file = model.gstrIniPath,
                       .parallel = parallel_options(model)};
  if (job.layout == ExchangeLayout::current) {
    // A first run without [QN_Indices]: today's names, in memory only.
    if (!job.entries) job.entries = default_index_list();
    const IndexDownloadResult result = download_index_days(job, download_tools(platform, status));
    report_failure(platform.messages, "fgetIndices: ", result.failure);
    return;
  }
  const IndexDownloadResult result = download_index_histories(
      job, download_tools(platform, status), platform.browser, platform.program_folder,
      [&](const IndexFile& file) { return FGetNseIndex(model, platform, file); });
  if (!result.query_address.empty()) {
    model.strIndexQueryUrl = model.WebBrowser1 = result.query_address;
    model.strIndexFileUrl = result.file_address;
  }
  report_failure(platform.messages, "fgetIndices: ", result.failure);
}

DownloadResult FGetNseIndex(WindowModel& model, Platform& platform, const IndexFile& file) {
  ModelStatus status(model);
  DownloadResult result = download_index_history(file, model.txtSourceFolder, platform.fetcher, status);
  report_failure(platform.messages, "FGetNseIndex: ", result.failure);
  return result;
}

void fDownloadScrip(WindowModel& model, Platform& platform, const Date& from, const Date& to) {
  ModelStatus status(model);
  const ScripDownloadJob job{.exchange_url = model.gstrExchangeUrl,
                             .layout = model.gExchangeLayout,
                             .folder = model.txtSourceFolder,
                             .symbol = model.txtScrip,
                             .from = from,
                             .to = to,
                             .date_pattern = platform.date_pattern.short_date_pattern(),
                             .parallel = parallel_options(model)};
  const DownloadResult result =
      job.layout == ExchangeLayout::current
          ? download_scrip_days(job, download_tools(platform, status))
          : download_scrip_history(job, download_tools(platform, status), platform.program_folder);
  report_failure(platform.messages, "fDownloadScrip: ", result.failure);
}

bool fUpdateAmi(WindowModel& model, Platform& platform, const std::string& strFile) {
  ModelStatus status(model);
  const ChartImportResult result = import_into_chart_database(
      {.file = strFile, .database_folder = model.gstrAmiPath}, platform.brokers, platform.pointer,
      status);
  if (result.failure)
    model.Text1.append(std::string(kCrLf) + "fUpdateAmi AmiBorker : " +
                       std::to_string(result.error_number) + *result.failure + std::string(kCrLf));
  return !result.failure;
}

void fetch_symbol_changes(WindowModel& model, Platform& platform, ActionFetches& actions) {
  actions.fetch_symbol_changes(platform.fetcher);
  if (const std::string line = actions.failures_line(); !line.empty())
    model.Text1.append(std::string(kCrLf) + line);
}

DayFetches exchange_day_fetches(WindowModel& model, Platform& platform) {
  const DayFetchJob job{.exchange_url = model.gstrExchangeUrl,
                        .layout = model.gExchangeLayout,
                        .folder = model.txtSourceFolder};
  Disk& disk = platform.disk;
  std::shared_ptr<ActionFetches> actions;
  const bool bse = downloads_from_bse(model);
  if (model.chkEOD && job.layout == ExchangeLayout::current && !bse)
    actions = std::make_shared<ActionFetches>(job, platform.date_pattern.short_date_pattern(), disk);
  const DayFetchJob bse_job{.exchange_url = model.gstrBseUrl, .layout = job.layout, .folder = job.folder};
  auto bhavcopy = [job, bse_job, bse, &disk, actions](const Date& day) -> std::unique_ptr<SteppedDayFetch> {
    if (bse) return std::make_unique<BseDayFetch>(bse_job, day, disk);
    std::unique_ptr<SteppedDayFetch> fetch = std::make_unique<BhavcopyDayFetch>(job, day, disk);
    if (!actions) return fetch;
    return std::make_unique<FollowedDayFetch>(
        std::move(fetch), [actions, day](const DayFetchOutcome& got) { return actions->after_day(day, got); });
  };
  auto index = [job, &disk](const Date& day) -> std::unique_ptr<SteppedDayFetch> {
    return std::make_unique<IndexDayFetch>(job, day, disk);
  };
  auto fo = [job, &disk](const Date& day) { return fo_day_fetch(job, day, disk); };
  // Every INDEX_<short>.csv from all the daily index files kept, so they hold
  // the user's whole index history.
  auto rebuild = [&model, &platform] {
    ModelStatus status(model);
    const DownloadResult result = rebuild_index_histories(
        model.txtSourceFolder, model.arrIndexList ? *model.arrIndexList : default_index_list(),
        platform.disk, status);
    report_failure(platform.messages, "cmdCatchUp: ", result.failure);
  };
  return {.bhavcopy = bhavcopy, .index = index, .fo = fo, .rebuild_indices = rebuild, .actions = actions};
}

CatchUpTools catch_up_tools(WindowModel& model, Platform& platform, StatusSink& status) {
  return {.download = download_tools(platform, status),
          .parallel = parallel_options(model, downloads_from_bse(model))};
}

}  // namespace quillon
