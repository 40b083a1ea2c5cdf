// Import speed of the chart database: a history of daily EOD files (by
// default 2,500 trading days of 2,300 symbols each) imported one file at a
// time, each through a fresh "Broker.Application" object as the Update
// command does. Prints records per second (also without the time spent
// waiting for a core other programs held) and the peak memory; the load
// average before and after says how quiet the machine was.
//
//   import_bench [FILES [RECORDS_PER_FILE [FOLDER]]]
//
// Each file is written just before its import and deleted after it; only
// the Import calls are timed. The database is left in FOLDER when one is
// given, otherwise it is made in a temporary folder and removed.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/broker_registry.h"
#include "chartdb/eod_server.h"
#include "platform/text_file.h"
#include "base/dates.h"

namespace {

using namespace quillon;
using Steady = std::chrono::steady_clock;

double cpu_seconds() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// This thread's time on a core and its time waiting, ready to run, for a
// core another program held (/proc/thread-self/schedstat). On a shared
// machine, wall time minus the wait is what the import would take on a
// quiet one.
struct ThreadTimes {
  double run = 0, wait = 0;
};
ThreadTimes thread_times() {
  ThreadTimes t;
  std::FILE* f = std::fopen("/proc/thread-self/schedstat", "r");
  if (!f) return t;
  unsigned long long run_ns = 0, wait_ns = 0;
  if (std::fscanf(f, "%llu %llu", &run_ns, &wait_ns) == 2)
    t = {static_cast<double>(run_ns) / 1e9, static_cast<double>(wait_ns) / 1e9};
  std::fclose(f);
  return t;
}

long peak_rss_kb() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_maxrss;
}

void append_int(std::string& out, long long v) {
  char buf[24];
  out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// A price with two decimals, written as the converters write numbers.
void append_price(std::string& out, long long paise) {
  append_int(out, paise / 100);
  if (long long frac = paise % 100) {
    out.push_back('.');
    out.push_back(static_cast<char>('0' + frac / 10));
    if (frac % 10) out.push_back(static_cast<char>('0' + frac % 10));
  }
}

std::string load_average() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

int arg(int argc, char** argv, int i, int def) { return argc > i ? std::atoi(argv[i]) : def; }

}  // namespace

int main(int argc, char** argv) {
  std::printf("load average before: %s\n", load_average().c_str());
  const int files = arg(argc, argv, 1, 2500);
  const int per_file = arg(argc, argv, 2, 2300);
  std::string folder;
  bool remove_folder = false;
  if (argc > 3) {
    folder = argv[3];
    std::filesystem::create_directories(folder);
  } else {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quillon-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) return 1;
    folder = tmpl;
    remove_folder = true;
  }

  // Symbols of 3 to 10 capitals, in ascending order as the exchange lists them.
  std::vector<std::string> symbols;
  unsigned seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xffffff; };
  for (int i = 0; i < per_file; ++i) {
    std::string s;
    const unsigned len = 3 + next() % 8;
    for (unsigned k = 0; k < len; ++k) s.push_back(static_cast<char>('A' + next() % 26));
    s += std::to_string(i);  // distinct
    symbols.push_back(s);
  }
  std::sort(symbols.begin(), symbols.end());

  EodServer server;
  BrokerRegistry brokers;
  register_sqlite_broker(brokers, server);
  if (!brokers.create(kBrokerProgId)->LoadDatabase(folder)) {
    std::fprintf(stderr, "cannot open a database in %s\n", folder.c_str());
    return 1;
  }

  std::string text;
  const std::string path = join_path(folder, "day_DX.txt");
  Date day{2000, 1, 3};  // a Monday
  int weekday = 0;       // 0 = Monday
  double import_seconds = 0, import_cpu = 0;
  ThreadTimes import_thread;
  long long records = 0;
  for (int f = 0; f < files; ++f) {
    while (weekday >= 5) {  // trading days only
      day = next_day(day);
      weekday = (weekday + 1) % 7;
    }
    const long long date = day.year * 10000LL + day.month * 100 + day.day;
    text.clear();
    for (int i = 0; i < per_file; ++i) {
      const long long base = 1000 + (i * 7919 + f * 13) % 500000;
      text.append(symbols[static_cast<size_t>(i)]).push_back(',');
      append_int(text, date);
      text.push_back(',');
      append_price(text, base);
      text.push_back(',');
      append_price(text, base + 150);
      text.push_back(',');
      append_price(text, base - 95);
      text.push_back(',');
      append_price(text, base + 35);
      text.push_back(',');
      append_int(text, 100 + (i * 104729LL + f) % 5000000);
      text.append("\r\n");
    }
    write_file_atomically(path, text);

    const auto t0 = Steady::now();
    const double c0 = cpu_seconds();
    const ThreadTimes before = thread_times();
    brokers.create(kBrokerProgId)->Import(0, path, kEodImportFormat);
    import_cpu += cpu_seconds() - c0;
    const ThreadTimes after = thread_times();
    import_thread.run += after.run - before.run;
    import_thread.wait += after.wait - before.wait;
    import_seconds += std::chrono::duration<double>(Steady::now() - t0).count();
    records += per_file;
    day = next_day(day);
    weekday = (weekday + 1) % 7;
  }
  std::filesystem::remove(path);

  const auto s0 = Steady::now();
  brokers.create(kBrokerProgId)->SaveDataBase();
  const double save_seconds = std::chrono::duration<double>(Steady::now() - s0).count();

  EodDatabase& db = *server.database();
  const auto q0 = Steady::now();
  const size_t series = db.quotes(symbols[symbols.size() / 2]).size();
  const double query_seconds = std::chrono::duration<double>(Steady::now() - q0).count();
  const auto l0 = Steady::now();
  const size_t listed = db.symbols().size();
  const double list_seconds = std::chrono::duration<double>(Steady::now() - l0).count();
  const auto db_bytes = std::filesystem::file_size(db.file_path());

  std::printf("load average after: %s\n", load_average().c_str());
  std::printf("import: %d files x %d records = %lld records\n", files, per_file, records);
  std::printf("import: %.2f s, %.0f records/s (CPU %.2f s, %.0f records per CPU second)\n",
              import_seconds, static_cast<double>(records) / import_seconds, import_cpu,
              static_cast<double>(records) / import_cpu);
  std::printf("import: of the %.2f s, %.2f s on a core, %.2f s waiting for a core held by "
              "other programs; without that wait %.0f records/s\n",
              import_seconds, import_thread.run, import_thread.wait,
              static_cast<double>(records) / (import_seconds - import_thread.wait));
  std::printf("save (checkpoint): %.2f s; database file %.1f MB\n", save_seconds,
              static_cast<double>(db_bytes) / 1e6);
  std::printf("import and save: %.0f records/s (target >= 1,000,000)\n",
              static_cast<double>(records) / (import_seconds + save_seconds));
  std::printf("one symbol's series: %zu quotes in %.3f s; symbol list: %zu in %.3f s\n", series,
              query_seconds, listed, list_seconds);
  std::printf("peak memory (ru_maxrss): %.1f MB\n", static_cast<double>(peak_rss_kb()) / 1024.0);

  if (remove_folder) {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  return 0;
}
