// Download benchmark: a year of daily Bhavcopy addresses (365 days, about
// 250 KB each, every fourth day missing) served by a local HTTP server,
// fetched once by `quillon ... download` and once by curl's command-line
// tool fetching the same addresses serially in one process. Prints both
// times (best of the runs) and their ratio; the target is at most 1.3.
//
//   download_bench [RUNS]      (default 5)
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
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  namespace fs = std::filesystem;
  const fs::path work = fs::temp_directory_path() / ("quillon-bench-" + std::to_string(getpid()));
  fs::create_directories(work);

  // The year's addresses: every fourth day has no file.
  std::map<std::string, std::string> files;
  std::vector<std::string> addresses;
  httplib::Server server;
  server.set_keep_alive_max_count(100000);
  server.set_tcp_nodelay(true);
  const int port = server.bind_to_any_port("127.0.0.1");
  const std::string base = "http://127.0.0.1:" + std::to_string(port);
  int day_index = 0;
  size_t bytes = 0;
  for (Date d{2023, 1, 1}; d <= Date{2023, 12, 31}; d = quillon::next_day(d), ++day_index) {
    const std::string address = quillon::bhavcopy_address(base, d);
    addresses.push_back(address);
    if (day_index % 4 == 3) continue;
    std::string body = day_file(d);
    bytes += body.size();
    files[address.substr(base.size())] = std::move(body);
  }
  server.Get(".*", [&](const httplib::Request& req, httplib::Response& res) {
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
  const std::vector<std::string> quillon_cmd = {
      QUILLON_BINARY, "--settings", (work / "QM.INI").string(), "--from", "2023-01-01",
      "--to", "2023-12-31", "--source-folder", quillon_dir.string(), "--dest-folder",
      quillon_dir.string(), "--exchange-url", base, "download"};

  std::printf("%zu addresses, %zu files, %.1f MB, %d runs each\n", addresses.size(), files.size(),
              static_cast<double>(bytes) / (1024 * 1024), runs);
  double best_curl = 1e9, best_quillon = 1e9;
  for (int r = 0; r < runs; ++r) {
    const double c = timed_run(curl_cmd);
    const double q = timed_run(quillon_cmd);
    if (c < 0 || q < 0) {
      std::fprintf(stderr, "download_bench: a run failed (curl %.3f, quillon %.3f)\n", c, q);
      server.stop();
      listener.join();
      fs::remove_all(work);
      return 1;
    }
    std::printf("run %d: curl %.3f s, quillon %.3f s\n", r + 1, c, q);
    best_curl = std::min(best_curl, c);
    best_quillon = std::min(best_quillon, q);
  }
  size_t stored = 0;
  for (const auto& e : fs::directory_iterator(quillon_dir)) stored += e.is_regular_file() ? 1 : 0;
  std::printf("best: curl %.3f s, quillon %.3f s, ratio %.2f (target <= 1.30); quillon stored %zu files\n",
              best_curl, best_quillon, best_quillon / best_curl, stored);
  server.stop();
  listener.join();
  fs::remove_all(work);
  return stored == files.size() ? 0 : 1;
}
