// Conversion benchmark: generates a folder of synthetic daily Bhavcopy files
// in the exchange's layout, converts it in folder mode with quillon, and in
// the same run converts it with an awk program doing the same rule and
// reads it with cat. Prints MB/s, records/s, peak memory and both ratios.
//
//   convert_bench QUILLON [DAYS] [ROWS_PER_DAY]
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Timing {
  double seconds = 0;
  long peak_kb = 0;
  int status = 0;
};

// Runs argv (optionally with stdout to a file) and returns wall time and the
// child's peak resident memory.
Timing run(const std::vector<std::string>& argv, const std::string& stdout_path = "/dev/null") {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), environ) != 0) {
    std::fprintf(stderr, "cannot start %s\n", args[0]);
    std::exit(2);
  }
  int status = 0;
  struct rusage ru {};
  wait4(pid, &status, 0, &ru);
  auto end = std::chrono::steady_clock::now();
  posix_spawn_file_actions_destroy(&fa);
  return {std::chrono::duration<double>(end - start).count(), ru.ru_maxrss,
          WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

Timing best_of(int n, const std::vector<std::string>& argv) {
  Timing best;
  best.seconds = 1e9;
  for (int i = 0; i < n; ++i) {
    Timing t = run(argv);
    if (t.status != 0) {
      std::fprintf(stderr, "%s exited with %d\n", argv[0].c_str(), t.status);
      std::exit(1);
    }
    if (t.seconds < best.seconds) best.seconds = t.seconds;
    best.peak_kb = std::max(best.peak_kb, t.peak_kb);
  }
  return best;
}

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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: convert_bench QUILLON [DAYS] [ROWS_PER_DAY]\n");
    return 2;
  }
  const std::string quillon = fs::absolute(argv[1]).string();
  const int days = argc > 2 ? std::atoi(argv[2]) : 500;
  const int rows = argc > 3 ? std::atoi(argv[3]) : 2500;
  const fs::path root = fs::temp_directory_path() / ("quillon-bench-" + std::to_string(getpid()));
  const fs::path src = root / "src", dst = root / "dst", awk_dst = root / "awk";
  fs::create_directories(dst);
  fs::create_directories(awk_dst);
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
  std::vector<std::string> q = {quillon, "--settings", (root / "QM.INI").string(), "--source",
                                "folder", "--source-folder", src.string(), "--dest-folder",
                                dst.string(), "convert"};

  run(cat);  // warm the page cache
  const Timing tq = best_of(5, q);
  const Timing tc = best_of(5, cat);
  const Timing ta = best_of(2, awk);

  // The awk rule and quillon must agree on every record.
  bool same = true;
  for (auto& e : fs::directory_iterator(dst)) {
    std::ifstream a(e.path(), std::ios::binary), b(awk_dst / e.path().filename(), std::ios::binary);
    std::string x((std::istreambuf_iterator<char>(a)), {}), y((std::istreambuf_iterator<char>(b)), {});
    if (x != y) {
      same = false;
      std::fprintf(stderr, "outputs differ: %s\n", e.path().filename().c_str());
      break;
    }
  }

  const double mb = static_cast<double>(bytes) / 1e6;
  std::printf("input: %d files, %.1f MB, %zu records written\n", days, mb, records);
  std::printf("quillon convert: %.3f s  %.0f MB/s  %.0f records/s  peak memory %.1f MB\n",
              tq.seconds, mb / tq.seconds, static_cast<double>(records) / tq.seconds,
              static_cast<double>(tq.peak_kb) / 1024);
  std::printf("mawk same rule:  %.3f s  %.0f MB/s  peak memory %.1f MB\n", ta.seconds,
              mb / ta.seconds, static_cast<double>(ta.peak_kb) / 1024);
  std::printf("cat to /dev/null: %.3f s  %.0f MB/s\n", tc.seconds, mb / tc.seconds);
  std::printf("speed-up over mawk: %.1fx (target >= 7)\n", ta.seconds / tq.seconds);
  std::printf("time / cat time:    %.2fx (target <= 2)\n", tq.seconds / tc.seconds);
  std::printf("peak memory:        %.1f MB (target < 32)\n", static_cast<double>(tq.peak_kb) / 1024);
  std::printf("outputs identical to the awk rule: %s\n", same ? "yes" : "NO");
  fs::remove_all(root);
  return same ? 0 : 1;
}
