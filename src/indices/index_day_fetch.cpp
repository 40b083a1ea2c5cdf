#include "indices/index_day_fetch.h"

#include "platform/text_file.h"
#include "platform/zip_reader.h"

namespace quillon {

std::string index_day_folder(const std::string& folder) {
  return folder_with_separator(folder) + "indices";
}

IndexDayFetch::IndexDayFetch(const DayFetchJob& job, const Date& day, Disk& disk) : disk_(&disk) {
  const std::string folder = index_day_folder(job.folder);
  const std::string local = folder_with_separator(folder) + index_day_file_name(day);
  outcome_ = {DayFetchState::already_there, {}, local};
  if (disk.is_file(local)) return;
  try {
    disk.make_folders(folder);
  } catch (const std::exception& e) {
    outcome_ = {DayFetchState::failed, e.what(), local};
    return;
  }
  request_ = FetchRequest{index_day_address(job.exchange_url, day), temp_name_for(local)};
}

void IndexDayFetch::take(const FetchResult& got) {
  take_answer(*disk_, got, [this](std::string_view body) {
    return is_index_day_file(body)
               ? write_day_file(*disk_, outcome_.path, body)
               : DayFetchOutcome{DayFetchState::rejected,
                                 "The answer is not a daily index file: " + kind_of_body(body) + ".",
                                 outcome_.path};
  });
}

}  // namespace quillon
