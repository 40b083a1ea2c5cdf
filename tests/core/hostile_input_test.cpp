// Odd and hostile input files and scrip boxes: each gives the correct record
// or a message naming the file and the line, never a wrong record.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "app/operations.h"
#include "bhavcopy/bhavcopy_convert.h"
#include "fakes.h"
#include "indices/index_convert.h"
#include "scrip/scrip_convert.h"

namespace quillon {
namespace {

using testing::folder_names;
using testing::read_text;
using testing::TempDir;
using testing::TestPlatform;
using testing::write_text;
using namespace std::string_literals;

enum Kind { kBhav, kIndex, kScrip };

const std::string kHeader[] = {
    "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,",
    "Date,Open,High,Low,Close", "Symbol,Series,Date,Prev Close,Open,High,Low,Last,Close"};
const char* kInput[] = {"d.csv", "INDEX_X.csv", "1INFYXN.csv"};
const char* kOutput[] = {"d_DX.txt", "INDEX_X_DX.txt", "1INFYXN_DX.txt"};
const char* kPrefix[] = {"fOutput: ", "fConvertIndex: ", "fConvertScrip: "};

std::string bhav(const std::string& symbol, const std::string& open, const std::string& date) {
  return symbol + ",EQ," + open + ",2,3,4,5,6,7,8," + date + ",";
}

TEST(HostileInput, RecordOrMessageWithFileAndLine) {
  const std::string big(10 * 1024 * 1024, '7');  // a 10 MB field
  struct Case {
    Kind kind;
    std::string body;      // the input after its header line and a line end
    std::optional<std::string> output;  // nothing: the run stops with a message
    const char* message;   // what the message says after "line 2: "
  } cases[] = {
      // Lines of 10 MB.
      {kBhav, bhav("ABCDEFGHIJ" + big, "1", "31-JAN-2008") + "\n",
       "ABCDEFGHIJ,20080131,1,2,3,4,7\r\n", nullptr},
      {kBhav, std::string(10 * 1024 * 1024, ',') + "\n", "", nullptr},
      {kBhav, bhav("A", big, "31-JAN-2008") + "\n", std::nullopt,
       "the OPEN value '7777777777777777777777777777777777777777...' is not a number"},
      {kIndex, big + ",1,2,3,4\n", std::nullopt, "the date '7777777777777777777777777777777777777777...'"},
      // NUL and non-UTF-8 bytes: copied where a field is copied, refused where
      // a number or a date is read.
      {kBhav, bhav(std::string("A\0B", 3), "1", "31-JAN-2008") + "\n",
       "A\0B,20080131,1,2,3,4,7\r\n"s, nullptr},
      {kBhav, bhav("A", std::string("12\0", 3), "31-JAN-2008") + "\n", std::nullopt,
       "the OPEN value '12?' is not a number"},
      {kBhav, bhav("\xff\xfe\xc4", "1", "31-JAN-2008") + "\n", "\xff\xfe\xc4,20080131,1,2,3,4,7\r\n",
       nullptr},
      {kScrip, "INFY,EQ,31-J\xc4N-2008,0,1,2,3,4,5\n", std::nullopt, "the date '31-J\xc4N-2008'"},
      // Line ends and a byte-order mark.
      {kBhav, bhav("A", "1", "31-JAN-2008") + "\r" + bhav("B", "1", "31-JAN-2008") + "\r",
       "A,20080131,1,2,3,4,7\r\nB,20080131,1,2,3,4,7\r\n", nullptr},
      {kIndex, "31-Jan-2008,1,2,3,4\r1-Feb-2008,1,2,3,4\r", "X,20080131,1,2,3,4,0\r\nX,20080201,1,2,3,4,0\r\n",
       nullptr},
      // Numbers.
      {kBhav, bhav("A", "1e400", "31-JAN-2008") + "\n", std::nullopt, "the OPEN value '1e400' is not a number"},
      {kBhav, bhav("A", "-0", "31-JAN-2008") + "\n", "A,20080131,0,2,3,4,7\r\n", nullptr},
      {kIndex, "31-Jan-2008,1,2,3,NaN\n", std::nullopt, "the CLOSE value 'NaN' is not a number"},
      {kScrip, "INFY,EQ,20080131,0,0x10,2,3,4,5\n", std::nullopt, "the OPEN value '0x10' is not a number"},
      {kScrip, "INFY,EQ,20080131,0,1,2,3,4,-0.00\n", "INFY,20080131,1,2,3,4,0\r\n", nullptr},
      // Dates that do not exist.
      {kBhav, bhav("A", "1", "31-FEB-2008") + "\n", std::nullopt,
       "the date '31-FEB-2008' is neither a date nor a whole number"},
      {kIndex, "00-JAN-2008,1,2,3,4\n", std::nullopt, "the date '00-JAN-2008' is neither a date"},
      {kScrip, "INFY,EQ,2147483648,0,1,2,3,4,5\n", std::nullopt, "the date '2147483648' is neither"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(kPrefix[c.kind] + c.body.substr(0, 60));
    TempDir tmp;
    TestPlatform tp;
    WindowModel w;
    w.txtSourceFolder = tmp.sub("src");
    w.txtDestFolder = tmp.sub("dst");
    w.rbSource = kSourceFolder;
    w.txtScrip = "INFY";
    const std::string input = w.txtSourceFolder + "/" + kInput[c.kind];
    const std::string output = w.txtDestFolder + "/" + kOutput[c.kind];
    // The Bhavcopy file's header starts with a UTF-8 byte-order mark.
    write_text(input, (c.kind == kBhav ? "\xEF\xBB\xBF" : "") + kHeader[c.kind] + "\r\n" + c.body);
    if (c.kind == kBhav) fOutput(w, tp.platform);
    if (c.kind == kIndex) fConvertIndex(w, tp.platform);
    if (c.kind == kScrip) fConvertScrip(w, tp.platform);
    if (c.output) {
      ASSERT_TRUE(tp.messages.shown.empty()) << tp.messages.shown[0].substr(0, 300);
      EXPECT_EQ(read_text(output), *c.output);
    } else {
      ASSERT_EQ(tp.messages.shown.size(), 1u);
      const std::string& m = tp.messages.shown[0];
      EXPECT_EQ(m.rfind(kPrefix[c.kind] + input + ", line 2: " + c.message, 0), 0u) << m.substr(0, 300);
      EXPECT_LT(m.size(), 600u);
      EXPECT_TRUE(folder_names(w.txtDestFolder).empty());
    }
  }
}

// Whatever the scrip box holds, only files of the source folder are read and
// only the destination folder is written.
TEST(HostileInput, ScripBox) {
  const std::string long_scrip(300, 'Q');
  struct Case {
    std::string scrip;
    const char* converted;  // output name, or nullptr: "No files available to convert"
  } cases[] = {
      {"../x", nullptr},      {"a/b", nullptr},       {"M&M", "1120082032008M&MXN_DX.txt"},
      {"A B", "1120082032008A BXN_DX.txt"}, {long_scrip, nullptr}, {"*", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scrip.substr(0, 20));
    TempDir tmp;
    TestPlatform tp;
    WindowModel w;
    w.txtSourceFolder = tmp.sub("src");
    w.txtDestFolder = tmp.sub("dst");
    tmp.sub("x1XN.csv");  // a folder whose name the pattern of "../x" would take
    write_text(tmp.path() + "/x2XN.csv", "h\nX,EQ,20080131,0,1,2,3,4,5\n");
    for (const char* name : {"1120082032008M&MXN.csv", "1120082032008A BXN.csv"})
      write_text(w.txtSourceFolder + "/" + name, "h\nM&M,EQ,20080131,0,1,2,3,4,5\n");
    w.txtScrip = c.scrip;
    w.chkEOD = true;
    fConvertScrip(w, tp.platform);
    const auto produced = folder_names(w.txtDestFolder);
    if (c.converted) {
      EXPECT_TRUE(tp.messages.shown.empty());
      EXPECT_EQ(produced, std::vector<std::string>{c.converted});
      EXPECT_EQ(read_text(w.txtDestFolder + "/" + c.converted), "M&M,20080131,1,2,3,4,5\r\n");
    } else if (c.scrip == "*") {
      EXPECT_EQ(produced.size(), 2u);  // every scrip file of the folder, as the pattern says
    } else {
      EXPECT_EQ(tp.messages.shown, std::vector<std::string>{"No files available to convert"});
      EXPECT_TRUE(produced.empty());
    }
    EXPECT_EQ(folder_names(tmp.path()), (std::vector<std::string>{"dst", "src", "x1XN.csv", "x2XN.csv"}));
  }
}

}  // namespace
}  // namespace quillon
