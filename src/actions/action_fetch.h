// The records of corporate actions and symbol changes from the exchange's
// archive host into <source folder>/actions/, beside the day files a
// download or a catch-up fetches: each session's list from its PR bundle,
// and once per run the list of every change of symbol.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/dates.h"
#include "exchange/day_fetch.h"

namespace quillon {

// <folder>/actions.
std::string action_folder(const std::string& source_folder);

// base + "/archives/equities/bhavcopy/pr/PRDDMMYY.zip".
std::string pr_bundle_address(std::string_view base, const Date& day);

// base + "/content/equities/symbolchange.csv".
std::string symbol_change_address(std::string_view base);

class ActionFetches {
 public:
  // `date_pattern`: the regional pattern the status line shows days in.
  ActionFetches(const DayFetchJob& job, std::string date_pattern, Disk& disk)
      : job_(job), disk_(disk), date_pattern_(std::move(date_pattern)) {}

  // For a day whose day file is there (stored or already there): the fetch
  // of its PR bundle, whose one member named bc*.csv (any letter case) is
  // kept as published as actions/YYYY_MM_DD_bc.csv, whole or not at all;
  // null when that file is there already or the day has no day file. A 404
  // or a bundle without such a member stores nothing and says nothing;
  // other failures are kept for failures_line().
  std::unique_ptr<SteppedDayFetch> after_day(const Date& day, const DayFetchOutcome& day_file);

  // The list of changes of symbol, through `fetcher`, kept as
  // actions/symbolchange.csv when it reads as one (action_lists.h).
  void fetch_symbol_changes(Fetcher& fetcher);

  // "Corporate actions not stored: 28/10/2024: <why>; symbolchange.csv:
  // <why>", or empty when nothing failed.
  std::string failures_line() const;

 private:
  DayFetchJob job_;
  Disk& disk_;
  std::string date_pattern_;
  std::vector<std::string> failures_;
};

}  // namespace quillon
