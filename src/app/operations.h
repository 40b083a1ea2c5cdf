// The window's operations under the names its commands know them by. Each
// maps the window model to the plain job of its feature folder, runs the
// operation there with the pieces of the platform it uses, and maps the
// result back (the "one empty entry means none" list of the last download
// included). A failure is shown as a message under the operation's prefix
// ("fOutput: " + what failed, naming the file and line).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/window_model.h"
#include "base/dates.h"
#include "actions/action_fetch.h"
#include "catchup/catch_up.h"
#include "download/download_support.h"
#include "indices/index_download.h"
#include "platform/platform.h"

namespace quillon {

// Shows prefix + the failure, when there is one.
void report_failure(MessageBox& messages, std::string_view prefix,
                    const std::optional<std::string>& failure);

// The window's status box (Text1) and address box (txtLabel) as an
// operation's status.
class ModelStatus final : public StatusSink {
 public:
  explicit ModelStatus(WindowModel& model) : model_(model) {}
  void append(std::string_view piece) override { model_.Text1.append(piece); }
  void clear() override { model_.Text1.clear(); }
  void show_address(const std::string& address) override { model_.txtLabel = address; }

 private:
  WindowModel& model_;
};

// Convert: the Bhavcopy files (the last download's with NSE or BSE, every
// *.csv of the source folder with Folder), the index histories and the
// scrip histories of the scrip box. Outputs are queued in colAmiFiles and
// the listing shown in File1.
void fOutput(WindowModel& model, Platform& platform);
void fConvertIndex(WindowModel& model, Platform& platform);
void fConvertScrip(WindowModel& model, Platform& platform);
// The F&O files: the last download's (arrFoFiles) with NSE or BSE, every
// *.csv of <source folder>/fo with Folder; into <destination folder>/fo.
void fConvertFo(WindowModel& model, Platform& platform);

// Whether Download and Catch up fetch BSE's day files instead of the
// exchange's: BSE chosen, in the current layout (in the legacy one BSE
// fetches nothing with Download, as it never did).
bool downloads_from_bse(const WindowModel& model);

// Download, over the dates the date boxes hold: the Bhavcopy days (into
// arrBhavFiles; BSE's when downloads_from_bse, at most 1 request a second
// unless --rate says), every index of arrIndexList (each file through
// FGetNseIndex, which reports its own failure) and the scrip history.
void fGetNseFileAlt(WindowModel& model, Platform& platform, const Date& from, const Date& to);
void fgetIndices(WindowModel& model, Platform& platform, const Date& from, const Date& to);
DownloadResult FGetNseIndex(WindowModel& model, Platform& platform, const IndexFile& file);
void fDownloadScrip(WindowModel& model, Platform& platform, const Date& from, const Date& to);
// The F&O Bhavcopy of each day into <source folder>/fo (into arrFoFiles).
void fGetFoFiles(WindowModel& model, Platform& platform, const Date& from, const Date& to);

// The day fetches of catch-up over the window's exchange address and
// source folder: the Bhavcopy into yyyy_mm_dd.csv (BSE's file into
// BSE_yyyy_mm_dd.csv from BSE's address when downloads_from_bse), the daily
// close of all indices into indices/, and the rebuild of the INDEX_*.csv
// files from every daily index file kept there (it reports its own failure).
struct DayFetches {
  DayFetchMaker bhavcopy, index, fo;
  std::function<void()> rebuild_indices;
  // With EOD ticked in the current layout: the corporate actions of each day
  // fetched, and the list of symbol changes (fetch_symbol_changes).
  std::shared_ptr<ActionFetches> actions;
};
DayFetches exchange_day_fetches(WindowModel& model, Platform& platform);
// What catch-up's transfers work with: the platform's fetchers, paced by
// the model's --jobs and --rate (unset: BSE's pace when downloads_from_bse).
CatchUpTools catch_up_tools(WindowModel& model, Platform& platform, StatusSink& status);

// The run's list of symbol changes, once its days are fetched, and the
// status line naming the records that were not stored.
void fetch_symbol_changes(WindowModel& model, Platform& platform, ActionFetches& actions);

// Update of one queued file; its failure goes into the status box as
// "fUpdateAmi AmiBorker : " with the error number and description.
// Returns whether the file was imported.
bool fUpdateAmi(WindowModel& model, Platform& platform, const std::string& strFile);

}  // namespace quillon
