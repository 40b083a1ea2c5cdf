// `quillon ... convert update` run as users run it: a Bhavcopy file in a
// source folder, the settings file naming the database folder.
#include <sys/wait.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "amibroker/eod_database.h"
#include "fakes.h"

namespace quillon {
namespace {

using testing::read_text;
using testing::TempDir;
using testing::write_text;

struct Outcome {
  int status;
  std::string out, err;
};

Outcome quillon(const TempDir& tmp, const std::string& args) {
  const std::string out = tmp.path() + "/stdout", err = tmp.path() + "/stderr";
  const int rc = std::system((std::string(QUILLON_BINARY) + " " + args + " >" + out + " 2>" + err).c_str());
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, read_text(out), read_text(err)};
}

class CliUpdate : public ::testing::Test {
 protected:
  CliUpdate() {
    write_text(src + "/cm31JAN2008bhav.csv",
               "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\r\n"
               "ABC,EQ,1234.50,1250.00,1220.10,1245.30,1245.00,1230.00,125000,1.5,31-JAN-2008,\r\n");
  }
  Outcome convert_update(const std::string& ami_path) {
    write_text(ini, "[QN_EOD]\r\nAmiPath=" + ami_path + "\r\n");
    return quillon(tmp, "--settings " + ini + " --source folder --source-folder " + src +
                            " --dest-folder " + dst + " convert update");
  }
  TempDir tmp;
  std::string src = tmp.sub("src"), dst = tmp.sub("dst"), db = tmp.sub("db");
  std::string ini = tmp.path() + "/QM.INI";
  std::string out_file = dst + "/cm31JAN2008bhav_DX.txt";
};

TEST_F(CliUpdate, ConvertsAndImportsIntoTheAmiPathDatabase) {
  const Outcome r = convert_update(db);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "\nExtract of Data from BhavCopy is done....!"
                   "\nAmiBroker Update: loaded DB " + db + "...\n"
                   "\nAmiBroker Update: AB path is: " + db + "...\n"
                   "\nAmiBroker Update: Updating AmiBroker with  " + out_file + "...\n\n");
  auto d = EodDatabase::open(db);
  EXPECT_EQ(d->quotes("ABC"), (std::vector<Quote>{{"ABC", 20080131, 1234.5, 1250, 1220.1, 1245.3, 125000}}));
}

// A failed import is a status line, not a message box: the exit status
// stays 0 as for every status line.
TEST_F(CliUpdate, AMissingDatabaseFolderIsReportedPerFile) {
  const Outcome r = convert_update(tmp.path() + "/missing");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\nAmiBroker Update: AB path is: ...\n"
                       "\nAmiBroker Update: Updating AmiBroker with  " + out_file + "...\n"
                       "\nfUpdateAmi AmiBorker : 1004No chart database is open, so '" + out_file + "'"),
            std::string::npos)
      << r.out;
}

}  // namespace
}  // namespace quillon
