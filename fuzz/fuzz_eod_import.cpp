// Feeds one input as an EOD text file to the chart database's import, into a
// fresh database each time. The import must never crash; it either takes the
// whole file or throws AutomationError and stores nothing.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "chartdb/eod_database.h"
#include "platform/interfaces.h"
#include "platform/text_file.h"

namespace {

const std::string& work_folder() {
  static const std::string folder = [] {
    std::string t = "/tmp/quillon-fuzz-db-XXXXXX";
    if (::mkdtemp(t.data()) == nullptr) ::abort();
    return t;
  }();
  return folder;
}

void remove_database(const std::string& folder) {
  for (const char* suffix : {"", "-wal", "-shm"})
    ::unlink((quillon::join_path(folder, quillon::kEodDatabaseFile) + suffix).c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& folder = work_folder();
  const std::string file = quillon::join_path(folder, "in_DX.txt");
  quillon::write_file_atomically(file, {reinterpret_cast<const char*>(data), size});
  remove_database(folder);
  {
    auto db = quillon::EodDatabase::open(folder);
    size_t records = 0;
    bool refused = false;
    try {
      records = db->import_file(file);
    } catch (const quillon::AutomationError& e) {
      refused = true;
      const std::string what = e.what();
      if (e.number() != quillon::kErrBadRecord || what.rfind("Line ", 0) != 0 ||
          what.find(file) == std::string::npos)
        ::abort();  // not a clear error naming the file and the line
    }
    const int64_t stored = db->quote_count();
    if (refused ? stored != 0 : stored > static_cast<int64_t>(records) ||
                                    (records > 0) != (stored > 0))
      ::abort();  // a part of a refused file, or not the whole of a taken one
    if (!refused && db->symbols().size() > records) ::abort();
  }
  remove_database(folder);
  return 0;
}
