// Conversion benchmark: generates a folder of synthetic daily Bhavcopy files
// in the exchange's layout (250 days of 2,500 rows by default), converts it
// in folder mode with quillon (on every core, and with --jobs 1) over the
// outputs of the run before, as an evening's conversion of the folder does
// (unchanged outputs are left alone), and into a new empty folder where
// every output is new (a new folder each round, all removed at the end:
// files deleted just before would slow the file system's choice of new
// inodes, which the measure is not about); in the same rounds it converts the folder with a
// tuned mawk program doing the same rule and reads it with cat. The runs take turns, round after round; it prints the
// median and spread of each one's time, of quillon's time over mawk's and
// over cat's, and quillon's peak memory; then the peak memory of a
// conversion of 1,000 such files. The load average before and after says
// how quiet the machine was.
//
//   convert_bench QUILLON [DAYS [ROWS_PER_DAY [ROUNDS]]]
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <random>
#include <string>
#include <vector>

#include "bench_run.h"

namespace {

namespace fs = std::filesystem;

std::string price(std::mt19937& rng, int cents_max) {
  int cents = 5 + static_cast<int>(rng() % static_cast<unsigned>(cents_max));
  char buf[32];
  int n = std::snprintf(buf, sizeof buf, "%d.%02d", cents / 100, cents % 100);
  return std::string(buf, static_cast<size_t>(n));
}

const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                         "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

size_t generate(const fs::path& folder, int days, int rows, size_t& records) {
  fs::create_directories(folder);
  std::mt19937 rng(42);
  std::vector<std::string> symbols;
  for (int i = 0; i < rows; ++i) {
    std::string s;
    int len = 3 + static_cast<int>(rng() % 10);
    for (int k = 0; k < len; ++k) s.push_back(static_cast<char>('A' + rng() % 26));
    symbols.push_back(s);
  }
  const char* series[] = {"EQ", "EQ", "EQ", "EQ", "BE", "BL", "N1", "EQ"};
  size_t bytes = 0;
  records = 0;
  for (int d = 0; d < days; ++d) {
    int year = 2008 + d / 336, month = (d / 28) % 12, day = d % 28 + 1;
    char date[16];
    std::snprintf(date, sizeof date, "%02d-%s-%d", day, kMonths[month], year);
    char name[32];
    std::snprintf(name, sizeof name, "cm%02d%s%dbhav.csv", day, kMonths[month], year);
    std::string text =
        "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,"
        "TOTALTRADES,ISIN,\n";
    for (int i = 0; i < rows; ++i) {
      const char* ser = series[rng() % 8];
      if (ser[0] == 'E' || (ser[0] == 'B' && ser[1] == 'E')) ++records;
      unsigned long long volume = rng() % 1000000000ULL;
      text += symbols[static_cast<size_t>(i)] + "," + ser + "," + price(rng, 500000) + "," +
              price(rng, 500000) + "," + price(rng, 500000) + "," + price(rng, 500000) + "," +
              price(rng, 500000) + "," + price(rng, 500000) + "," + std::to_string(volume) + "," +
              std::to_string(volume * 31) + ".5," + date + "," + std::to_string(rng() % 90000) +
              ",INE" + std::to_string(100000 + i) + "01010,\n";
    }
    std::ofstream(folder / name, std::ios::binary) << text;
    bytes += text.size();
  }
  return bytes;
}

const char* kAwk = R"AWK(
BEGIN { FS = ","; m["JAN"]="01"; m["FEB"]="02"; m["MAR"]="03"; m["APR"]="04"; m["MAY"]="05";
  m["JUN"]="06"; m["JUL"]="07"; m["AUG"]="08"; m["SEP"]="09"; m["OCT"]="10"; m["NOV"]="11";
  m["DEC"]="12" }
FNR == 1 { if (out != "") close(out); base = FILENAME; sub(/^.*\//, "", base);
  sub(/\..*$/, "", base); out = dest "/" base "_DX.txt"; printf "" > out }
NF < 11 { next }
$9 == "TOTTRDQTY" { next }
$2 != "EQ" && $2 != "BE" { next }
{ split($11, d, "-");
  printf "%s,%s%s%02d,%.15g,%.15g,%.15g,%.15g,%.15g\r\n", substr($1, 1, 10), d[3], m[toupper(d[2])],
    d[1], $3, $4, $5, $6, $9 > out }
)AWK";


// The floor of making every output new: the files of `outputs` written
// into a new folder by this process alone, each to a temporary then
// renamed, as the program writes them. Returns the seconds the writing
// took. One file in memory at a time: a child started later would count
// memory this process holds as its own.
double write_alone(const fs::path& outputs, const fs::path& folder) {
  fs::create_directories(folder);
  std::chrono::steady_clock::duration took{};
  for (auto& e : fs::directory_iterator(outputs)) {
    std::ifstream in(e.path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {}), name = e.path().filename().string();
    const std::string path = (folder / name).string(), temp = (folder / ("." + name + ".tmp")).string();
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
        ::close(fd) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      std::exit(1);
    }
    took += std::chrono::steady_clock::now() - start;
  }
  return std::chrono::duration<double>(took).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: convert_bench QUILLON [DAYS [ROWS_PER_DAY [ROUNDS]]]\n");
    return 2;
  }
  const std::string quillon = fs::absolute(argv[1]).string();
  const int days = argc > 2 ? std::atoi(argv[2]) : 250;
  const int rows = argc > 3 ? std::atoi(argv[3]) : 2500;
  const int rounds = std::max(1, argc > 4 ? std::atoi(argv[4]) : 7);
  const fs::path root = fs::temp_directory_path() / ("quillon-bench-" + std::to_string(getpid()));
  const fs::path src = root / "src", dst = root / "dst", awk_dst = root / "awk";
  fs::path fresh;
  fs::create_directories(dst);
  fs::create_directories(awk_dst);
  std::printf("load average before: %s (on %u cores)\n", load_average().c_str(),
              std::thread::hardware_concurrency());
  size_t records = 0;
  const size_t bytes = generate(src, days, rows, records);
  std::ofstream(root / "rule.awk") << kAwk;

  std::vector<std::string> files;
  for (auto& e : fs::directory_iterator(src)) files.push_back(e.path().string());
  std::sort(files.begin(), files.end());

  std::vector<std::string> cat = {"cat"};
  cat.insert(cat.end(), files.begin(), files.end());
  std::vector<std::string> awk = {"mawk", "-v", "dest=" + awk_dst.string(), "-f",
                                  (root / "rule.awk").string()};
  awk.insert(awk.end(), files.begin(), files.end());
  auto convert = [&](const fs::path& from, const fs::path& to, const char* jobs) {
    std::vector<std::string> q = {quillon, "--settings", (root / "QM.INI").string(), "--source",
                                  "folder", "--source-folder", from.string(), "--dest-folder",
                                  to.string(), "convert"};
    if (jobs) q.insert(q.begin() + 1, {"--jobs", jobs});
    return q;
  };

  run(cat);  // warm the page cache
  checked(convert(src, dst, nullptr));
  std::vector<double> bare;
  std::vector<double> tq, tq1, tqf, tc, ta, over_awk, over_cat, fresh_over_awk, fresh_over_cat, cq, cq1, cc, ca;
  long peak_kb = 0;
  for (int r = 0; r < rounds; ++r) {
    const Timing q = checked(convert(src, dst, nullptr));
    const Timing q1 = checked(convert(src, dst, "1"));
    fresh = root / ("new" + std::to_string(r));
    fs::create_directories(fresh);
    const Timing qf = checked(convert(src, fresh, nullptr));
    tqf.push_back(qf.seconds);
    bare.push_back(write_alone(dst, root / ("alone" + std::to_string(r))));
    const Timing c = checked(cat);
    const Timing a = checked(awk);
    cq.push_back(q.cpu_seconds);
    cq1.push_back(q1.cpu_seconds);
    cc.push_back(c.cpu_seconds);
    ca.push_back(a.cpu_seconds);
    tq.push_back(q.seconds);
    tq1.push_back(q1.seconds);
    tc.push_back(c.seconds);
    ta.push_back(a.seconds);
    over_awk.push_back(q.seconds / a.seconds);
    over_cat.push_back(q.seconds / c.seconds);
    fresh_over_awk.push_back(qf.seconds / a.seconds);
    fresh_over_cat.push_back(qf.seconds / c.seconds);
    peak_kb = std::max({peak_kb, q.peak_kb, qf.peak_kb});
  }

  // The awk rule and quillon must agree on every record.
  bool same = true;
  for (const fs::path& folder : {dst, fresh}) {
    for (auto& e : fs::directory_iterator(folder)) {
      std::ifstream a(e.path(), std::ios::binary), b(awk_dst / e.path().filename(), std::ios::binary);
      std::string x((std::istreambuf_iterator<char>(a)), {}), y((std::istreambuf_iterator<char>(b)), {});
      if (x != y) {
        same = false;
        std::fprintf(stderr, "outputs differ: %s\n", e.path().c_str());
        break;
      }
    }
  }

  const double mb = static_cast<double>(bytes) / 1e6;
  std::printf("input: %d files, %.1f MB, %zu records written; %d rounds, medians (min to max)\n",
              days, mb, records, rounds);
  std::printf("quillon convert:          %s s\n", spread(tq, "%.3f").c_str());
  std::printf("quillon convert --jobs 1: %s s\n", spread(tq1, "%.3f").c_str());
  std::printf("quillon, every output new: %s s\n", spread(tqf, "%.3f").c_str());
  std::printf("  the same files written alone: %s s\n", spread(bare, "%.3f").c_str());
  std::printf("mawk same rule:           %s s\n", spread(ta, "%.3f").c_str());
  std::printf("cat to /dev/null:         %s s\n", spread(tc, "%.3f").c_str());
  std::printf("CPU time (user and system): quillon %s s, --jobs 1 %s s, mawk %s s, cat %s s\n",
              spread(cq, "%.3f").c_str(), spread(cq1, "%.3f").c_str(), spread(ca, "%.3f").c_str(),
              spread(cc, "%.3f").c_str());
  std::printf("quillon / mawk: %s (target <= 0.10)\n", spread(over_awk, "%.3f").c_str());
  std::printf("quillon / cat:  %s (target <= 1.2)\n", spread(over_cat, "%.2f").c_str());
  std::printf("every output new: quillon / mawk %s, quillon / cat %s\n",
              spread(fresh_over_awk, "%.3f").c_str(), spread(fresh_over_cat, "%.2f").c_str());
  std::printf("peak memory, %d files: %.1f MB\n", days, static_cast<double>(peak_kb) / 1024);
  std::printf("outputs identical to the awk rule: %s\n", same ? "yes" : "NO");
  fs::remove_all(awk_dst);
  fs::remove_all(dst);
  for (int r = 0; r < rounds; ++r)
    for (const char* folder : {"new", "alone"}) fs::remove_all(root / (folder + std::to_string(r)));

  // Peak memory at 1,000 files: the same folder grown to 1,000 days.
  if (days < 1000) {
    fs::remove_all(src);
    generate(src, 1000, rows, records);
    fs::create_directories(root / "dst1000");
    const Timing big = checked(convert(src, root / "dst1000", nullptr));
    std::printf("peak memory, 1000 files: %.1f MB (target < 32); %.3f s\n",
                static_cast<double>(big.peak_kb) / 1024, big.seconds);
  }
  std::printf("load average after: %s\n", load_average().c_str());
  fs::remove_all(root);
  return same ? 0 : 1;
}
