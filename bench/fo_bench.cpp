// F&O benchmark: generates 25 UDiFF F&O day files of 100,000 rows (2 %
// futures, the rest options; about 20 MB each) in <source>/fo and cash UDiFF
// day files of the same total size in <source>, then times, round after
// round, quillon converting the F&O files alone and the cash files alone
// (folder mode, every core, outputs already there after the first run);
// prints the medians, their spread, the ratio and the F&O run's peak memory.
// The load average before and after says how quiet the machine was.
//
//   fo_bench QUILLON [DAYS [ROWS_PER_DAY [ROUNDS]]]
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_run.h"

namespace {

namespace fs = std::filesystem;

const std::string kColumns =
    "TradDt,BizDt,Sgmt,Src,FinInstrmTp,FinInstrmId,ISIN,TckrSymb,SctySrs,XpryDt,FininstrmActlXpryDt,StrkPric,OptnTp,"
    "FinInstrmNm,OpnPric,HghPric,LwPric,ClsPric,LastPric,PrvsClsgPric,UndrlygPric,SttlmPric,OpnIntrst,"
    "ChngInOpnIntrst,TtlTradgVol,TtlTrfVal,TtlNbOfTxsExctd,SsnId,NewBrdLotQty,Rmks,Rsvd1,Rsvd2,Rsvd3,Rsvd4\n";

std::string price(std::mt19937& rng) {
  char buf[32];
  const unsigned paise = 500 + rng() % 5000000;
  std::snprintf(buf, sizeof buf, "%u.%02u", paise / 100, paise % 100);
  return buf;
}

// Day d of September and October 2024 (weekdays only), as YYYY-MM-DD.
std::string day_text(int d) {
  const int day = 2 + d % 20, month = 9 + d / 20;
  return "2024-" + std::string(1, char('0' + month / 10)) + char('0' + month % 10) + "-" + char('0' + day / 10) +
         char('0' + day % 10);
}

size_t generate_fo(const fs::path& folder, int days, int rows, std::mt19937& rng) {
  fs::create_directories(folder);
  size_t bytes = 0;
  for (int d = 0; d < days; ++d) {
    const std::string date = day_text(d);
    // Written a row at a time: the figures of a child started later count
    // the memory this process holds as the child's own.
    std::ofstream file(folder / ("2024_" + date.substr(5, 2) + "_" + date.substr(8, 2) + ".csv"), std::ios::binary);
    file << kColumns;
    bytes += kColumns.size();
    for (int i = 0; i < rows; ++i) {
      const bool future = i % 50 == 0;  // 2 %
      const std::string symbol = "SYM" + std::to_string(i / 150);
      const std::string expiry = i % 3 == 0 ? "2024-10-31" : i % 3 == 1 ? "2024-11-28" : "2024-12-26";
      const std::string o = price(rng), c = price(rng);
      const std::string row = date + "," + date + ",FO,NSE," + (future ? "STF" : i % 2 ? "STO" : "IDO") + "," +
              std::to_string(35000 + i) + ",," + symbol + ",," + expiry + "," + expiry + "," +
              (future ? "," : "2400.00," + std::string(i % 4 ? "CE" : "PE")) + "," + symbol + "X," + o + "," +
              price(rng) + "," + price(rng) + "," + c + "," + c + "," + price(rng) + ",25810.85," + c + "," +
              std::to_string(rng() % 5000000) + ",-75900," + std::to_string(rng() % 90000) +
              ",17610263267.50,16174,F1,25,,,,,\n";
      file << row;
      bytes += row.size();
    }
  }
  return bytes;
}

// Cash UDiFF day files of `bytes` in all over `days` files.
void generate_cash(const fs::path& folder, int days, size_t bytes, std::mt19937& rng) {
  for (int d = 0; d < days; ++d) {
    const std::string date = day_text(d);
    std::ofstream file(folder / ("2024_" + date.substr(5, 2) + "_" + date.substr(8, 2) + ".csv"), std::ios::binary);
    file << kColumns;
    for (size_t written = kColumns.size(), i = 0; written < bytes / static_cast<size_t>(days); ++i) {
      const std::string c = price(rng);
      const std::string row = date + "," + date + ",CM,NSE,STK," + std::to_string(10000 + i) + ",INE" + std::to_string(100000 + i) +
              "01010,SYM" + std::to_string(i) + "," + (i % 9 ? "EQ" : "BE") + ",,,,,SYMBOL " + std::to_string(i) +
              " LIMITED," + price(rng) + "," + price(rng) + "," + price(rng) + "," + c + "," + c + "," + price(rng) +
              ",," + c + ",,," + std::to_string(rng() % 10000000) + ",7028192322.85,109949,F1,1,,,,,\n";
      file << row;
      written += row.size();
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: fo_bench QUILLON [DAYS [ROWS_PER_DAY [ROUNDS]]]\n");
    return 2;
  }
  const std::string quillon = fs::absolute(argv[1]).string();
  const int days = argc > 2 ? std::atoi(argv[2]) : 25;
  const int rows = argc > 3 ? std::atoi(argv[3]) : 100000;
  const int rounds = std::max(1, argc > 4 ? std::atoi(argv[4]) : 7);
  const fs::path root = fs::temp_directory_path() / ("quillon-fo-bench-" + std::to_string(getpid()));
  const fs::path src = root / "src", dst = root / "dst";
  fs::create_directories(dst);
  std::printf("load average before: %s (on %u cores)\n", load_average().c_str(), std::thread::hardware_concurrency());
  std::mt19937 rng(42);
  const size_t bytes = generate_fo(src / "fo", days, rows, rng);
  generate_cash(src, days, bytes, rng);
  auto convert = [&](bool fo) {
    return std::vector<std::string>{quillon, "--settings", (root / "QM.INI").string(), "--source", "folder",
                                    "--source-folder", src.string(), "--dest-folder", dst.string(),
                                    fo ? "--no-eod" : "--eod", fo ? "--fo" : "--no-fo", "convert"};
  };
  std::vector<std::string> cat = {"cat"};
  for (const fs::path& folder : {src, src / "fo"})
    for (auto& e : fs::directory_iterator(folder))
      if (e.is_regular_file()) cat.push_back(e.path().string());
  run(cat);  // the page cache warm
  checked(convert(true));
  checked(convert(false));
  std::vector<double> fo, cash, ratio;
  long peak_kb = 0;
  for (int r = 0; r < rounds; ++r) {
    const Timing f = checked(convert(true)), c = checked(convert(false));
    fo.push_back(f.seconds), cash.push_back(c.seconds), ratio.push_back(f.seconds / c.seconds);
    peak_kb = std::max(peak_kb, f.peak_kb);
  }
  std::printf("input: %d F&O files of %d rows, %.1f MB, and cash files as large; %d rounds, medians (min to max)\n",
              days, rows, static_cast<double>(bytes) / 1e6, rounds);
  std::printf("F&O conversion:   %s s\n", spread(fo, "%.3f").c_str());
  std::printf("cash conversion:  %s s\n", spread(cash, "%.3f").c_str());
  std::printf("F&O / cash:       %s (target <= 1.5)\n", spread(ratio, "%.2f").c_str());
  std::printf("peak memory, F&O: %.1f MB (target < 32)\n", static_cast<double>(peak_kb) / 1024);
  std::printf("load average after: %s\n", load_average().c_str());
  fs::remove_all(root);
  return 0;
}
