#include "actions/action_fetch.h"

#include "exchange/action_lists.h"
#include "base/text.h"
#include "download/download_support.h"
#include "platform/text_file.h"
#include "platform/zip_reader.h"

namespace quillon {

namespace {

// A session's PR bundle: its bc*.csv member kept. Failures other than a 404
// or a bundle without the member are added to `failures`.
class PrBundleFetch final : public SteppedDayFetch {
 public:
  PrBundleFetch(const std::string& address, std::string local, std::string day, Disk& disk,
                std::vector<std::string>& failures)
      : disk_(disk), day_(std::move(day)), failures_(failures) {
    outcome_.path = std::move(local);
    request_ = FetchRequest{address, temp_name_for(outcome_.path) + ".zip"};
  }

  void take(const FetchResult& got) override {
    const Temporary temp{disk_, request_->local_path};
    request_.reset();
    outcome_ = got.stored ? unpack(temp.path) : not_stored(got, outcome_.path);
    if (outcome_.state == DayFetchState::rejected || outcome_.state == DayFetchState::failed)
      failures_.push_back(day_ + ": " + outcome_.reason);
  }

 private:
  DayFetchOutcome unpack(const std::string& temp) {
    std::string body;
    DayFetchOutcome out{DayFetchState::failed, {}, outcome_.path};
    if (!read_answer(disk_, temp, body, out)) return out;
    std::optional<std::string> csv;
    try {
      csv = read_csv_member_from_zip_data(body, [](std::string_view name) {
        const std::string_view file = name.substr(name.rfind('/') + 1);  // npos + 1 == 0
        return equal_ignoring_ascii_case(file.substr(0, 2), "bc");
      });
    } catch (const Error& e) {
      return {DayFetchState::rejected, e.what(), outcome_.path};
    }
    if (!csv) return {DayFetchState::not_found, "The bundle holds no list of corporate actions.", outcome_.path};
    return write_day_file(disk_, outcome_.path, *csv);
  }

  Disk& disk_;
  std::string day_;
  std::vector<std::string>& failures_;
};

}  // namespace

std::string action_folder(const std::string& source_folder) {
  return folder_with_separator(source_folder) + "actions";
}

std::string pr_bundle_address(std::string_view base, const Date& day) {
  return std::string(base) + "/archives/equities/bhavcopy/pr/PR" + format_date(day, "ddMMyy") + ".zip";
}

std::string symbol_change_address(std::string_view base) {
  return std::string(base) + "/content/equities/symbolchange.csv";
}

std::unique_ptr<SteppedDayFetch> ActionFetches::after_day(const Date& day, const DayFetchOutcome& day_file) {
  if (day_file.state != DayFetchState::stored && day_file.state != DayFetchState::already_there) return nullptr;
  const std::string folder = action_folder(job_.folder);
  const std::string local = join_path(folder, format_date(day, "yyyy_MM_dd") + "_bc.csv");
  if (disk_.is_file(local)) return nullptr;
  try {
    disk_.make_folders(folder);
  } catch (const Error& e) {
    failures_.push_back(format_date(day, date_pattern_) + ": " + e.what());
    return nullptr;
  }
  return std::make_unique<PrBundleFetch>(pr_bundle_address(job_.exchange_url, day), local,
                                         format_date(day, date_pattern_), disk_, failures_);
}

void ActionFetches::fetch_symbol_changes(Fetcher& fetcher) {
  const std::string folder = action_folder(job_.folder);
  const std::string local = join_path(folder, "symbolchange.csv");
  const std::optional<std::string> failure = failure_of([&] {
    disk_.make_folders(folder);
    const std::string temp = temp_name_for(local);
    const Temporary removed{disk_, temp};
    const FetchResult got = fetcher.fetch(symbol_change_address(job_.exchange_url), temp);
    if (!got.stored) throw Error(not_stored(got, local).reason);
    std::string body;
    disk_.read(temp, body);
    ActionLists read;
    read_action_list(local, body, read);
    if (action_list_kind(body) != ActionListKind::symbol_changes || read.changes.empty())
      throw Error("The answer is not a list of symbol changes: " + kind_of_body(body) + ".");
    disk_.write(local, body, false);
  });
  if (failure) failures_.push_back("symbolchange.csv: " + *failure);
}

std::string ActionFetches::failures_line() const {
  if (failures_.empty()) return {};
  std::string line = "Corporate actions not stored:";
  for (size_t i = 0; i < failures_.size(); ++i) line += (i ? "; " : " ") + failures_[i];
  return line;
}

}  // namespace quillon
