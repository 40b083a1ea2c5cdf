// Scrip-wise benchmark: generates a folder of daily Bhavcopy files (2,500
// weekdays of 2,500 rows by default, prices walking from day to day, a few
// bonus issues and splits with their records in actions/) and times, round
// after round, quillon's date-wise conversion of the folder and its
// scrip-wise --adjust conversion, each into a new empty folder and again
// over its own outputs; prints the medians, their spread, the ratios and
// the peak memory. Then the evening: the histories imported into a chart
// database, one more day added, and "convert update" timed. Last, the peak
// memory of a scrip-wise conversion of a much longer folder (8,000 days).
// The load average before and after says how quiet the machine was.
//
//   scrip_wise_bench QUILLON [DAYS [ROWS_PER_DAY [ROUNDS [LONG_DAYS]]]]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "bench_run.h"

namespace {

namespace fs = std::filesystem;

struct Symbol {
  std::string name, series, isin;
  long close;  // paise
  int event_day;  // the day of its bonus or split, -1 none
};

std::string rupees(long paise) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%ld.%02ld", paise / 100, paise % 100);
  return buf;
}

const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// The weekdays from 2 January 1995 on.
std::vector<std::chrono::year_month_day> weekdays(int count) {
  using namespace std::chrono;
  std::vector<year_month_day> found;
  for (sys_days d = sys_days{year{1995} / 1 / 2}; static_cast<int>(found.size()) < count; d += std::chrono::days{1})
    if (weekday(d) != Saturday && weekday(d) != Sunday) found.emplace_back(d);
  return found;
}

// Writes days [first, last) of the folder; the symbols' prices go on from
// where the last call left them.
void generate(const fs::path& folder, std::vector<Symbol>& symbols, int first, int last, std::mt19937& rng) {
  fs::create_directories(folder / "actions");
  const auto days = weekdays(last);
  for (int d = first; d < last; ++d) {
    const auto& ymd = days[static_cast<size_t>(d)];
    const int y = static_cast<int>(ymd.year()), m = static_cast<int>(static_cast<unsigned>(ymd.month())),
              day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    char name[32], stamp[16], dmy[16];
    std::snprintf(name, sizeof name, "%04d_%02d_%02d.csv", y, m, day);
    std::snprintf(stamp, sizeof stamp, "%02d-%s-%04d", day, kMonths[m - 1], y);
    std::snprintf(dmy, sizeof dmy, "%02d/%02d/%04d", day, m, y);
    std::string text = "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,TOTALTRADES,ISIN,\n";
    std::string actions;
    for (Symbol& s : symbols) {
      const long last_close = s.close;
      long close = last_close + static_cast<long>(rng() % 401) * last_close / 10000 - 2 * last_close / 100;
      if (s.event_day == d) {
        const bool split = rng() % 2;
        close = close / (split ? 5 : 2);
        actions += "EQ," + s.name + ",X Ltd," + dmy + ", , ," + dmy + ", , ," +
                   (split ? "FV SPLIT FRM RS 10 TO RS 2" : "BONUS 1:1") + "\n";
      }
      s.close = close = std::max(close, 5L);
      const long open = close + static_cast<long>(rng() % 21) - 10, high = std::max(open, close) + 15,
                 low = std::max(std::min(open, close) - 15, 1L);
      const unsigned long volume = rng() % 10000000UL;
      text += s.name + "," + s.series + "," + rupees(std::max(open, 1L)) + "," + rupees(high) + "," + rupees(low) + "," +
              rupees(close) + "," + rupees(close) + "," + rupees(last_close) + "," + std::to_string(volume) + "," +
              std::to_string(volume * 3) + ".5," + stamp + "," + std::to_string(rng() % 90000) + "," + s.isin + ",\n";
    }
    std::ofstream(folder / name, std::ios::binary) << text;
    if (!actions.empty())
      std::ofstream(folder / "actions" / (std::string(name, 10) + "_bc.csv"), std::ios::binary)
          << "SERIES,SYMBOL,SECURITY,RECORD_DT,BC_STRT_DT,BC_END_DT,EX_DT,ND_STRT_DT,ND_END_DT,PURPOSE\n" + actions;
  }
}

std::vector<Symbol> make_symbols(int count, int days, std::mt19937& rng) {
  std::vector<Symbol> symbols;
  std::set<std::string> seen;
  const char* series[] = {"EQ", "EQ", "EQ", "EQ", "EQ", "EQ", "EQ", "EQ", "EQ", "EQ", "EQ", "BE", "EQ", "EQ", "EQ", "EQ",
                          "EQ", "EQ", "EQ", "EQ", "EQ", "EQ", "EQ", "BL", "N1"};
  while (static_cast<int>(symbols.size()) < count) {
    std::string name;
    const int len = 3 + static_cast<int>(rng() % 8);
    for (int k = 0; k < len; ++k) name.push_back(static_cast<char>('A' + rng() % 26));
    if (!seen.insert(name).second) continue;
    char isin[16];
    std::snprintf(isin, sizeof isin, "INE%06u01%d", static_cast<unsigned>(symbols.size()), static_cast<int>(rng() % 10));
    symbols.push_back({name, series[rng() % 25], isin, 1000 + static_cast<long>(rng() % 500000),
                       rng() % 100 == 0 ? static_cast<int>(rng() % static_cast<unsigned>(days)) : -1});
  }
  return symbols;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: scrip_wise_bench QUILLON [DAYS [ROWS_PER_DAY [ROUNDS [LONG_DAYS]]]]\n");
    return 2;
  }
  const std::string quillon = fs::absolute(argv[1]).string();
  const int days = argc > 2 ? std::atoi(argv[2]) : 2500;
  const int rows = argc > 3 ? std::atoi(argv[3]) : 2500;
  const int rounds = std::max(1, argc > 4 ? std::atoi(argv[4]) : 3);
  const int long_days = argc > 5 ? std::atoi(argv[5]) : 8000;
  const fs::path root = fs::temp_directory_path() / ("quillon-scrip-bench-" + std::to_string(getpid()));
  const fs::path src = root / "src", db = root / "db", ini = root / "QM.INI";
  fs::create_directories(db);
  std::ofstream(ini) << "[QN_EOD]\r\nAmiPath=" << db.string() << "\r\n";
  std::printf("load average before: %s (on %u cores)\n", load_average().c_str(), std::thread::hardware_concurrency());
  std::mt19937 rng(42);
  std::vector<Symbol> symbols = make_symbols(rows, days, rng);
  generate(src, symbols, 0, days, rng);

  auto convert = [&](const fs::path& to, bool scrip_wise, const std::vector<std::string>& more = {}) {
    std::vector<std::string> q = {quillon, "--settings", ini.string(), "--source", "folder", "--source-folder",
                                  src.string(), "--dest-folder", to.string()};
    if (scrip_wise) q.insert(q.end(), {"--output", "scrip-wise", "--adjust"});
    q.insert(q.end(), more.begin(), more.end());
    q.push_back("convert");
    return q;
  };
  std::vector<std::string> cat = {"cat"};
  for (auto& e : fs::directory_iterator(src))
    if (e.is_regular_file()) cat.push_back(e.path().string());
  run(cat);  // the page cache warm
  const fs::path date_wise = root / "date-wise", scrip_wise = root / "scrip-wise";
  fs::create_directories(date_wise);
  fs::create_directories(scrip_wise);
  checked(convert(date_wise, false));
  checked(convert(scrip_wise, true));
  std::vector<double> dw_new, dw_again, sw_new, sw_again, ratio_new, ratio_again, sw_cpu;
  long peak_kb = 0;
  for (int r = 0; r < rounds; ++r) {
    const fs::path a = root / ("dw" + std::to_string(r)), b = root / ("sw" + std::to_string(r));
    fs::create_directories(a);
    fs::create_directories(b);
    const Timing t1 = checked(convert(a, false)), t2 = checked(convert(date_wise, false));
    const Timing t3 = checked(convert(b, true)), t4 = checked(convert(scrip_wise, true));
    dw_new.push_back(t1.seconds), dw_again.push_back(t2.seconds);
    sw_new.push_back(t3.seconds), sw_again.push_back(t4.seconds), sw_cpu.push_back(t3.cpu_seconds);
    ratio_new.push_back(t3.seconds / t1.seconds), ratio_again.push_back(t4.seconds / t2.seconds);
    peak_kb = std::max({peak_kb, t3.peak_kb, t4.peak_kb});
    fs::remove_all(a);
    fs::remove_all(b);
  }
  std::printf("input: %d days of %d rows; %d rounds, medians (min to max)\n", days, rows, rounds);
  std::printf("date-wise, every output new:   %s s\n", spread(dw_new, "%.3f").c_str());
  std::printf("date-wise, outputs there:      %s s\n", spread(dw_again, "%.3f").c_str());
  std::printf("scrip-wise --adjust, new:      %s s (CPU %s s)\n", spread(sw_new, "%.3f").c_str(),
              spread(sw_cpu, "%.3f").c_str());
  std::printf("scrip-wise --adjust, again:    %s s\n", spread(sw_again, "%.3f").c_str());
  std::printf("scrip-wise / date-wise, new:   %s (target <= 3)\n", spread(ratio_new, "%.2f").c_str());
  std::printf("scrip-wise / date-wise, again: %s (target <= 1.5)\n", spread(ratio_again, "%.2f").c_str());
  std::printf("peak memory, scrip-wise, %d days: %.1f MB (target < 256)\n", days, static_cast<double>(peak_kb) / 1024);

  // The evening: the database holds the histories; one more day comes.
  const fs::path evening = root / "evening";
  fs::create_directories(evening);
  std::vector<std::string> first = convert(evening, true);
  first.push_back("update");
  const Timing load = checked(first);
  std::printf("first import of every history into the database: %.3f s\n", load.seconds);
  std::vector<double> nights;
  for (int r = 0; r < rounds; ++r) {
    generate(src, symbols, days + r, days + r + 1, rng);
    std::vector<std::string> night = convert(evening, true);
    night.push_back("update");
    nights.push_back(checked(night).seconds);
  }
  std::printf("evening, one day more, scrip-wise --adjust convert and update: %s s (target <= 5)\n",
              spread(nights, "%.3f").c_str());

  // Memory of a long history.
  if (long_days > days + rounds) {
    generate(src, symbols, days + rounds, long_days, rng);
    const fs::path longer = root / "long";
    fs::create_directories(longer);
    const Timing t = checked(convert(longer, true));
    std::printf("peak memory, scrip-wise, %d days: %.1f MB (target < 256); %.3f s\n", long_days,
                static_cast<double>(t.peak_kb) / 1024, t.seconds);
  }
  std::printf("load average after: %s\n", load_average().c_str());
  if (std::getenv("QUILLON_BENCH_KEEP")) std::printf("kept: %s\n", root.c_str());  // for a profiler
  else fs::remove_all(root);
  return 0;
}
