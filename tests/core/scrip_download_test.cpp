// The single-scrip history download against a real HTTP server.
#include <gtest/gtest.h>

#include "app/operations.h"
#include "http_server.h"
#include "live_platform.h"
#include "scrip/scrip_download.h"

namespace quillon::testing {
namespace {

const std::string kQuery = "/marketinfo/equities/scripvol/histscrip.jsp?";
const std::string kFile = "/content/equities/scripvol/datafiles/";

// The symbol is upper-cased everywhere, percent-encoded in the query and
// kept as typed in the file name; the folder's trailing separator is
// optional.
TEST(ScripDownload, QueryFileNameAndStatusLines) {
  struct Case {
    std::string typed, symbol, query_value, wire_name, folder_tail;
  } cases[] = {
      {"infy", "INFY", "INFY", "INFY", ""},
      {"m&m", "M&M", "M%26M", "M&M", "/"},
      {"a b+c=d", "A B+C=D", "A%20B%2BC%3DD", "A%20B+C=D", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    TempDir tmp;
    TestServer server;
    LivePlatform live;
    live.fakes.program_folder.folder = tmp.sub("program");
    write_text(tmp.path() + "/program/QM.INI", "");  // a portable copy
    const std::string file_name = "5120082032008" + c.symbol + "XN.csv";
    const std::string wire_name = "5120082032008" + c.wire_name + "XN.csv";
    server.serve(kFile + wire_name, "history of " + c.typed);
    server.serve(kQuery.substr(0, kQuery.size() - 1), "<html>results</html>");
    WindowModel w;
    w.gstrExchangeUrl = server.base();
    w.txtSourceFolder = tmp.sub("S") + c.folder_tail;
    w.TxtFromDt = "05/01/2008";
    w.TxtToDt = "20/03/2008";
    w.txtScrip = c.typed;
    w.Text1.append("before");
    fDownloadScrip(w, live.platform, {2008, 1, 5}, {2008, 3, 20});

    EXPECT_EQ(server.targets(),
              (std::vector<std::string>{kQuery + "inputtext=" + c.query_value +
                                            "&series=X&Fromday=5&Frommon=1&Fromyr=2008&Today=20"
                                            "&Tomon=3&Toyr=2008&submit=Get+Results&check=new",
                                        kFile + wire_name}));
    EXPECT_EQ(read_text(tmp.path() + "/S/" + file_name), "history of " + c.typed);
    EXPECT_EQ(read_text(tmp.path() + "/program/temp.html"), "<html>results</html>");
    EXPECT_EQ(w.Text1.text(), "before\r\ndownloading data for " + c.symbol +
                                  "\r\ndownloading data for " + c.symbol + " is completed.");
    EXPECT_EQ(live.fakes.events.pumps, 1);
    EXPECT_TRUE(live.fakes.messages.shown.empty());
  }
}

TEST(ScripDownload, SymbolThatIsNoPlainFileNameFetchesNothing) {
  for (std::string typed : {"../x", "a/b", ".", "x\\y"}) {
    TestPlatform tp;
    WindowModel w;
    w.txtSourceFolder = "S";
    w.TxtFromDt = w.TxtToDt = "31/01/2008";
    w.txtScrip = typed;
    fDownloadScrip(w, tp.platform, {2008, 1, 31}, {2008, 1, 31});
    ASSERT_EQ(tp.messages.shown.size(), 1u) << typed;
    EXPECT_EQ(tp.messages.shown[0].rfind("fDownloadScrip: The scrip symbol '", 0), 0u)
        << tp.messages.shown[0];
    EXPECT_TRUE(tp.fetcher.requests.empty());
    EXPECT_TRUE(w.Text1.text().empty());
  }
}

// A history file that does not arrive is never reported as completed.
TEST(ScripDownload, MissingFileIsReportedAsFailed) {
  TempDir tmp;
  TestPlatform tp;
  tp.program_folder.folder = tmp.path();
  WindowModel w;
  w.txtSourceFolder = tmp.path();
  w.TxtFromDt = w.TxtToDt = "31/01/2008";
  w.txtScrip = "infy";
  fDownloadScrip(w, tp.platform, {2008, 1, 31}, {2008, 1, 31});
  EXPECT_EQ(w.Text1.text(),
            "\r\ndownloading data for INFY\r\ndownloading data for INFY failed: not found");
  EXPECT_TRUE(tp.messages.shown.empty());
}

}  // namespace
}  // namespace quillon::testing
