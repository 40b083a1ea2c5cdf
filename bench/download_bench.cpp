// Download benchmark: 250 daily Bhavcopy files (about 250 KB each) served by
// a local HTTP server that waits 50 ms before each answer, as a distant
// server does. Fetched by curl's command-line tool one by one in one process
// and by `quillon ... --jobs 4 --rate 0 download`, in RUNS paired runs: the
// target is at most 0.35 of curl's time. Then once by quillon with the
// defaults (2 in flight, 3 requests a second): the target is a wall time
// within 10% of what the rate allows, (250 - 1) / 3 seconds.
//
//   download_bench [RUNS]      (default 3)
#include <httplib.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bhavcopy/bhavcopy_download.h"
#include "base/dates.h"

extern char** environ;

namespace {

using quillon::Date;

// About 250 KB of Bhavcopy lines for one day.
std::string day_file(const Date& d) {
  const std::string stamp = quillon::format_date(d, "dd") + "-" +
                            std::string(quillon::month_abbrev(d.month)) + "-" +
                            quillon::format_date(d, "yyyy");
  std::string s = "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\n";
  for (int i = 0; s.size() < 250 * 1024; ++i)
    s += "SYMBOL" + std::to_string(i) + ",EQ,1234.50,1240.00,1220.25,1235.75,1235.00,1230.10," +
         std::to_string(100000 + i * 37) + ",123456789.25," + stamp + ",\n";
  return s;
}

// Runs a program with its standard output and error sent to /dev/null and
// returns the wall time in seconds, or a negative number when it failed.
double timed_run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  const auto t0 = std::chrono::steady_clock::now();
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? s : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  constexpr size_t kDays = 250;
  constexpr double kDefaultRate = 3;
  namespace fs = std::filesystem;
  const fs::path work = fs::temp_directory_path() / ("quillon-bench-" + std::to_string(getpid()));
  fs::create_directories(work);

  // 250 days in a row, each with its file.
  std::map<std::string, std::string> files;
  std::vector<std::string> addresses;
  httplib::Server server;
  server.set_keep_alive_max_count(100000);
  server.set_tcp_nodelay(true);
  const int port = server.bind_to_any_port("127.0.0.1");
  const std::string base = "http://127.0.0.1:" + std::to_string(port);
  size_t bytes = 0;
  Date last{2023, 1, 1};
  for (Date d = last; addresses.size() < kDays; d = quillon::next_day(d)) {
    last = d;
    const std::string address = quillon::bhavcopy_address(base, d);
    addresses.push_back(address);
    std::string body = day_file(d);
    bytes += body.size();
    files[address.substr(base.size())] = std::move(body);
  }
  server.Get(".*", [&](const httplib::Request& req, httplib::Response& res) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto it = files.find(req.path);
    if (it == files.end()) {
      res.status = 404;
      res.set_content("<html><body>Not Found</body></html>", "text/html");
    } else {
      res.set_content(it->second, "text/csv");
    }
  });
  std::thread listener([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));

  // curl: the same addresses, serially, in one process.
  const fs::path curl_dir = work / "curl", quillon_dir = work / "quillon";
  fs::create_directories(curl_dir);
  fs::create_directories(quillon_dir);
  {
    std::ofstream cfg(work / "curl.cfg");
    int i = 0;
    for (const std::string& a : addresses)
      cfg << "url = \"" << a << "\"\noutput = \"" << (curl_dir / std::to_string(i++)).string()
          << "\"\n";
  }
  const std::vector<std::string> curl_cmd = {"curl", "--silent", "--config", (work / "curl.cfg").string()};
  const std::string to = quillon::format_date(last, "yyyy-MM-dd");
  auto quillon_cmd = [&](std::vector<std::string> options) {
    std::vector<std::string> cmd = {QUILLON_BINARY, "--settings", (work / "QM.INI").string(),
                                    "--from", "2023-01-01", "--to", to, "--source-folder",
                                    quillon_dir.string(), "--dest-folder", quillon_dir.string(),
                                    "--exchange-url", base, "--exchange-layout", "legacy"};
    cmd.insert(cmd.end(), options.begin(), options.end());
    cmd.push_back("download");
    return cmd;
  };
  auto stored = [&] {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(quillon_dir)) n += e.is_regular_file() ? 1 : 0;
    fs::remove_all(quillon_dir);
    fs::create_directories(quillon_dir);
    return n;
  };

  std::printf("%zu addresses, %.1f MB, 50 ms before each answer, %d paired runs\n",
              addresses.size(), static_cast<double>(bytes) / (1024 * 1024), runs);
  std::vector<double> curl_times, quillon_times, ratios;
  bool ok = true;
  for (int r = 0; r < runs && ok; ++r) {
    const double c = timed_run(curl_cmd);
    const double q = timed_run(quillon_cmd({"--jobs", "4", "--rate", "0"}));
    const size_t n = stored();
    ok = c >= 0 && q >= 0 && n == files.size();
    std::printf("run %d: curl one by one %.3f s, quillon --jobs 4 --rate 0 %.3f s (%.2f), %zu files\n",
                r + 1, c, q, q / c, n);
    curl_times.push_back(c);
    quillon_times.push_back(q);
    ratios.push_back(q / c);
  }
  std::sort(ratios.begin(), ratios.end());
  std::printf("jobs 4, rate 0 against curl: median ratio %.2f (spread %.2f-%.2f; target <= 0.35)\n",
              ratios[ratios.size() / 2], ratios.front(), ratios.back());

  const double allowed = static_cast<double>(kDays - 1) / kDefaultRate;
  const double d = ok ? timed_run(quillon_cmd({})) : -1;
  const size_t n = stored();
  ok = ok && d >= 0 && n == files.size();
  std::printf("defaults (jobs 2, rate 3): %.3f s, the rate allows %.3f s: %+.1f%% (target within 10%%), %zu files\n",
              d, allowed, 100 * (d - allowed) / allowed, n);
  if (!ok) std::fprintf(stderr, "download_bench: a run failed or stored too few files\n");
  server.stop();
  listener.join();
  fs::remove_all(work);
  return ok ? 0 : 1;
}
