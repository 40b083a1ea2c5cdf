// quillon download as users run it, against a real HTTP server.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "fakes.h"
#include "http_server.h"

namespace quillon::testing {
namespace {

struct Outcome {
  int status;
  std::string out, err;
};

Outcome quillon(const TempDir& tmp, const std::string& args) {
  const std::string cmd = "LC_ALL=en_GB.UTF-8 '" + std::string(QUILLON_BINARY) + "' --settings '" +
                          tmp.path() + "/QM.INI' " + args + " >'" + tmp.path() + "/out' 2>'" +
                          tmp.path() + "/err'";
  const int rc = std::system(cmd.c_str());
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, read_text(tmp.path() + "/out"),
          read_text(tmp.path() + "/err")};
}

TEST(CliDownload, DownloadThenConvertOneDay) {
  TempDir tmp;
  TestServer server;
  server.serve("/content/historical/EQUITIES/2008/JAN/cm31JAN2008bhav.csv",
               "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\n"
               "INFY,EQ,1,2,0.5,1.5,1.5,1,100,150,31-JAN-2008,\n");
  const std::string src = tmp.sub("S"), dest = tmp.sub("D");
  Outcome r = quillon(tmp, "--from 31/01/2008 --to 01/02/2008 --source-folder " + src +
                           " --dest-folder " + dest + " --exchange-url " + server.base() +
                           "/ download convert");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "\nDownloading BhavCopy for 31/01/2008 <- file downloaded...."
            "\nDownloading BhavCopy for 01/02/2008 <- file doesnt exists...."
            "\nData is extracted from the NSE Site."
            "\nExtract of Data from BhavCopy is done....!\n");
  EXPECT_EQ(read_text(dest + "/2008_01_31_DX.txt"), "INFY,20080131,1,2,0.5,1.5,100\r\n");

  r = quillon(tmp, "--exchange-url ftp://example.com download");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--exchange-url takes an http:// or https:// address"), std::string::npos);
}

}  // namespace
}  // namespace quillon::testing
