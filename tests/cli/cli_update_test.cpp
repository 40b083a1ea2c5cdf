// `quillon ... convert update` run as users run it: a Bhavcopy file in a
// source folder, the settings file naming the database folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "chartdb/eod_database.h"
#include "fakes.h"

namespace quillon {
namespace {

using testing::read_text;
using testing::write_text;

class CliUpdate : public ::testing::Test {
 protected:
  // Runs convert and update with AmiPath set; returns the exit status.
  int convert_update(const std::string& ami_path) {
    write_text(
        src + "/cm31JAN2008bhav.csv",
        "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\r\n"
        "ABC,EQ,1234.50,1250.00,1220.10,1245.30,1245.00,1230.00,125000,1.5,31-JAN-2008,\r\n");
    write_text(tmp.path() + "/QM.INI", "[QN_EOD]\r\nAmiPath=" + ami_path + "\r\n");
    const int rc =
        std::system((std::string(QUILLON_BINARY) + " --settings " + tmp.path() +
                     "/QM.INI --source folder --source-folder " + src + " --dest-folder " + dst +
                     " convert update >" + tmp.path() + "/out 2>" + tmp.path() + "/err")
                        .c_str());
    out = read_text(tmp.path() + "/out");
    err = read_text(tmp.path() + "/err");
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  testing::TempDir tmp;
  std::string src = tmp.sub("src"), dst = tmp.sub("dst"), db = tmp.sub("db"), out, err;
  std::string out_file = dst + "/cm31JAN2008bhav_DX.txt";
};

TEST_F(CliUpdate, ConvertsAndImportsIntoTheAmiPathDatabase) {
  EXPECT_EQ(convert_update(db), 0) << err;
  EXPECT_EQ(err, "");
  EXPECT_EQ(out,
            "\nExtract of Data from BhavCopy is done....!"
            "\nAmiBroker Update: loaded DB " +
                db +
                "...\n"
                "\nAmiBroker Update: AB path is: " +
                db +
                "...\n"
                "\nAmiBroker Update: Updating AmiBroker with  " +
                out_file + "...\n\n");
  EXPECT_EQ(EodDatabase::open(db)->quotes("ABC"),
            (std::vector<Quote>{{"ABC", 20080131, 1234.5, 1250, 1220.1, 1245.3, 125000}}));
}

// A failed import is a status line, not a message box: exit status 0.
TEST_F(CliUpdate, AMissingDatabaseFolderIsReportedPerFile) {
  EXPECT_EQ(convert_update(tmp.path() + "/missing"), 0) << err;
  EXPECT_NE(out.find("\nfUpdateAmi AmiBorker : 1004No chart database is open, so '" + out_file),
            std::string::npos)
      << out;
}

}  // namespace
}  // namespace quillon
