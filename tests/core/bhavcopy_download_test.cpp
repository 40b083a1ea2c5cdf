// The daily Bhavcopy download against a real HTTP server on 127.0.0.1.
#include <gtest/gtest.h>
#include <zip.h>

#include "app/operations.h"
#include "bhavcopy/bhavcopy_convert.h"
#include "bhavcopy/bhavcopy_download.h"
#include "http_server.h"
#include "live_platform.h"

namespace quillon::testing {
namespace {

const std::string kPath = "/content/historical/EQUITIES/";

std::string bhav_csv(const std::string& symbol, const std::string& date) {
  return "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\n" +
         symbol + ",EQ,100.50,110,99,105.25,105,100,1234,129000.5," + date + ",\n" + symbol +
         ",N1,1,1,1,1,1,1,1,1," + date + ",\n";
}

// A zip archive holding the given files, deflated or stored as they are.
std::string make_zip(const std::vector<std::pair<std::string, std::string>>& files,
                     bool stored = false) {
  TempDir tmp;
  const std::string path = tmp.path() + "/a.zip";
  int err = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  for (const auto& [name, data] : files) {
    zip_source_t* src = zip_source_buffer(z, data.data(), data.size(), 0);
    zip_int64_t i = zip_file_add(z, name.c_str(), src, ZIP_FL_OVERWRITE);
    if (stored) zip_set_file_compression(z, static_cast<zip_uint64_t>(i), ZIP_CM_STORE, 0);
  }
  zip_close(z);
  return read_text(path);
}

struct BhavcopyRun : ::testing::Test {
  TempDir tmp;
  TestServer server;
  LivePlatform live;
  WindowModel w;
  std::string src = tmp.sub("S"), dest = tmp.sub("D");
  void SetUp() override {
    w.gstrExchangeUrl = server.base();
    w.txtSourceFolder = src;
    w.txtDestFolder = dest;
  }
};

// A range over a year end with one day missing, in two regional forms and
// with and without a trailing separator; the files then feed a conversion.
TEST_F(BhavcopyRun, RangeOverAYearEndWithAMissingDayThenConvert) {
  server.serve(kPath + "2008/DEC/cm30DEC2008bhav.csv", bhav_csv("INFY", "30-DEC-2008"));
  server.serve(kPath + "2008/DEC/cm31DEC2008bhav.csv", bhav_csv("INFY", "31-DEC-2008"));
  server.serve(kPath + "2009/JAN/cm02JAN2009bhav.csv", bhav_csv("TCS", "02-JAN-2009"));
  struct Case {
    std::string pattern, folder, shown[4];
  } cases[] = {
      {"dd/MM/yyyy", src, {"30/12/2008", "31/12/2008", "01/01/2009", "02/01/2009"}},
      {"M/d/yy", src + "/", {"12/30/08", "12/31/08", "1/1/09", "1/2/09"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    live.fakes.date_pattern.pattern = c.pattern;
    w.txtSourceFolder = c.folder;
    w.Text1.append("text of an earlier run");
    fGetNseFileAlt(w, live.platform, {2008, 12, 30}, {2009, 1, 2});

    EXPECT_EQ(w.Text1.text(),
              "\r\nDownloading BhavCopy for " + c.shown[0] + " <- file downloaded...."
              "\r\nDownloading BhavCopy for " + c.shown[1] + " <- file downloaded...."
              "\r\nDownloading BhavCopy for " + c.shown[2] + " <- file doesnt exists...."
              "\r\nDownloading BhavCopy for " + c.shown[3] + " <- file downloaded...."
              "\r\nData is extracted from the NSE Site.");
    EXPECT_EQ(w.arrBhavFiles, (std::vector<std::string>{src + "/2008_12_30.csv", src + "/2008_12_31.csv",
                                                        src + "/2009_01_02.csv"}));
    EXPECT_EQ(w.txtLabel, server.base() + kPath + "2009/JAN/cm02JAN2009bhav.csv");
    EXPECT_TRUE(live.fakes.messages.shown.empty());
  }
  std::vector<std::string> one_run = {
      kPath + "2008/DEC/cm30DEC2008bhav.csv",     kPath + "2008/DEC/cm31DEC2008bhav.csv",
      kPath + "2009/JAN/cm01JAN2009bhav.csv",     kPath + "2009/JAN/cm01JAN2009bhav.csv.zip",
      kPath + "2009/JAN/cm02JAN2009bhav.csv"};
  std::vector<std::string> two_runs = one_run;
  two_runs.insert(two_runs.end(), one_run.begin(), one_run.end());
  EXPECT_EQ(server.targets(), two_runs);
  EXPECT_EQ(folder_names(src),
            (std::vector<std::string>{"2008_12_30.csv", "2008_12_31.csv", "2009_01_02.csv"}));
  EXPECT_EQ(live.fakes.events.pumps, 8);
  EXPECT_EQ(live.fakes.progress.reports.back(), (std::pair<int, int>{4, 4}));

  fOutput(w, live.platform);
  EXPECT_TRUE(live.fakes.messages.shown.empty()) << live.fakes.messages.shown.front();
  EXPECT_EQ(read_text(dest + "/2009_01_02_DX.txt"), "TCS,20090102,100.5,110,99,105.25,1234\r\n");
  EXPECT_EQ(w.colAmiFiles.size(), 3u);
}

TEST_F(BhavcopyRun, FromLaterThanToFetchesNothing) {
  fGetNseFileAlt(w, live.platform, {2008, 2, 1}, {2008, 1, 31});
  EXPECT_EQ(w.Text1.text(), "\r\nData is extracted from the NSE Site.");
  EXPECT_EQ(w.arrBhavFiles, std::vector<std::string>{""});
  EXPECT_TRUE(server.targets().empty());
}

// The exchange serves older days only zipped. An earlier copy of the day
// stays when the new one does not arrive, and counts as downloaded.
TEST_F(BhavcopyRun, ZippedDayUnpackedUnderTheDaysName) {
  const std::string csv = bhav_csv("INFY", "31-JAN-2008");
  const std::string plain = kPath + "2008/JAN/cm31JAN2008bhav.csv";
  std::string damaged = make_zip({{"cm31JAN2008bhav.csv", csv}}, true);
  damaged.replace(damaged.find("INFY,EQ"), 4, "INFX");  // the checksum no longer fits
  struct Case {
    const char* name;
    std::string zip;
    bool earlier;
    std::string expected;  // "" for no file
  } cases[] = {
      {"one csv", make_zip({{"cm31JAN2008bhav.csv", csv}}), false, csv},
      {"one csv, earlier copy", make_zip({{"cm31JAN2008bhav.CSV", csv}}), true, csv},
      {"cut short", make_zip({{"cm31JAN2008bhav.csv", csv}}).substr(0, 60), false, ""},
      {"damaged", damaged, true, "earlier"},
      {"no csv", make_zip({{"readme.txt", "x"}}), true, "earlier"},
      {"two csv", make_zip({{"a.csv", csv}, {"b.csv", csv}}), false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string local = src + "/2008_01_31.csv";
    std::filesystem::remove(local);
    if (c.earlier) write_text(local, "earlier");
    server.serve(plain, "<html>gone</html>", 404);
    server.serve(plain + ".zip", c.zip);
    fGetNseFileAlt(w, live.platform, {2008, 1, 31}, {2008, 1, 31});
    const bool there = !c.expected.empty();
    EXPECT_EQ(w.Text1.text(), std::string("\r\nDownloading BhavCopy for 31/01/2008") +
                                  (there ? " <- file downloaded...." : " <- file doesnt exists....") +
                                  "\r\nData is extracted from the NSE Site.");
    EXPECT_EQ(folder_names(src), there ? std::vector<std::string>{"2008_01_31.csv"}
                                       : std::vector<std::string>{});
    if (there) {
      EXPECT_EQ(read_text(local), c.expected);
    }
  }
}

}  // namespace
}  // namespace quillon::testing
