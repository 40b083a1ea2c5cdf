// Feeds one input as an EOD text file to the chart database's import, into a
// fresh database each time. The import must never crash; it either takes the
// whole file or throws AutomationError and stores nothing.
#include <cstdint>
#include <filesystem>
#include <string>

#include "chartdb/eod_database.h"
#include "fakes.h"
#include "platform/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const quillon::testing::TempDir folder;
  const std::string file = folder.path() + "/in_DX.txt";
  quillon::write_file_atomically(file, {reinterpret_cast<const char*>(data), size});
  for (const char* suffix : {"", "-wal", "-shm"})
    std::filesystem::remove(quillon::join_path(folder.path(), quillon::kEodDatabaseFile) + suffix);
  auto db = quillon::EodDatabase::open(folder.path());
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
  if (refused ? stored != 0 : stored > static_cast<int64_t>(records) || (records > 0) != (stored > 0))
    ::abort();  // a part of a refused file, or not the whole of a taken one
  if (!refused && db->symbols().size() > records) ::abort();
  return 0;
}
