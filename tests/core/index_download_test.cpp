// The index history download: addresses, query texts, local names, status
// lines and the failures that end the run.
#include <gtest/gtest.h>

#include "app/operations.h"
#include "http_server.h"
#include "indices/index_download.h"
#include "live_platform.h"
#include "download/download_support.h"

namespace quillon::testing {
namespace {

const std::string kQuery = "/marketinfo/indices/histdata/historicalindices.jsp?";
const std::string kFile = "/content/indices/histdata/";

TEST(IndexDownload, AddressesQueryTextsAndLocalNames) {
  TempDir tmp;
  TestServer server;
  LivePlatform live;
  live.fakes.program_folder.folder = tmp.sub("program");
  write_text(tmp.path() + "/program/QM.INI", "");  // a portable copy: scratch files beside it
  WindowModel w;
  w.gstrExchangeUrl = server.base();
  w.txtSourceFolder = tmp.sub("S");
  w.TxtFromDt = "01/12/2007";
  w.TxtToDt = "9/2/2008";
  w.arrIndexList = {"S&P CNX NIFTY=NIFTY", "   BANK NIFTY  =  BANKNIFTY ", "", "a=b=c", ""};
  server.serve(kFile + "S&P%20CNX%20NIFTY1122007922008.csv", "nifty");
  server.serve(kFile + "BANK%20NIFTY1122007922008.csv", "bank");
  server.serve(kFile + "a1122007922008.csv", "abc");
  server.serve(kQuery.substr(0, kQuery.size() - 1), "<html>query page</html>");
  fgetIndices(w, live.platform, {2007, 12, 1}, {2008, 2, 9});

  const std::string dates = "&Fromday=1&Frommon=12&Fromyr=2007&Today=9&Tomon=2&Toyr=2008"
                            "&Indicesdata=Get+Details&check=new";
  std::vector<std::string> expected;
  for (auto [query_name, file_name] : {std::pair{"S%26P+CNX+NIFTY", "S&P%20CNX%20NIFTY"},
                                       std::pair{"BANK+NIFTY", "BANK%20NIFTY"},
                                       std::pair{"a", "a"}}) {
    const std::string query = kQuery + "IndexType=" + query_name + dates;
    expected.insert(expected.end(),
                    {query, query, kFile + file_name + "1122007922008.csv"});  // browser, page, file
  }
  EXPECT_EQ(server.targets(), expected);
  EXPECT_EQ(folder_names(w.txtSourceFolder),
            (std::vector<std::string>{"INDEX_BANKNIFTY.csv", "INDEX_NIFTY.csv", "INDEX_b=c.csv"}));
  EXPECT_EQ(read_text(w.txtSourceFolder + "/INDEX_NIFTY.csv"), "nifty");
  EXPECT_EQ(read_text(live.fakes.program_folder.folder + "/temp.html"), "<html>query page</html>");
  EXPECT_EQ(w.Text1.text(),
            "\r\nDownloading Index data for NIFTY\r\n Index Download is complete."
            "\r\nDownloading Index data for BANKNIFTY\r\n Index Download is complete."
            "\r\nDownloading Index data for b=c\r\n Index Download is complete.");
  EXPECT_EQ(w.strIndexFileUrl, server.base() + kFile + "a1122007922008.csv");
  EXPECT_EQ(live.fakes.events.pumps, 3);
  EXPECT_TRUE(live.fakes.messages.shown.empty());

  // The worked example: 5 to 31 January 2008.
  EXPECT_EQ(index_query_text("S&P CNX NIFTY", {2008, 1, 5}, {2008, 1, 31}),
            "IndexType=S%26P+CNX+NIFTY&Fromday=5&Frommon=1&Fromyr=2008&Today=31&Tomon=1"
            "&Toyr=2008&Indicesdata=Get+Details&check=new");
  EXPECT_EQ(index_date_parts({2008, 1, 5}, {2008, 1, 31}), "5120083112008");
}

TEST(IndexDownload, FailuresEndTheRunAtTheFailingEntry) {
  struct Case {
    std::optional<std::vector<std::string>> list;
    int indices_fetched;
    std::string message_start;
  } cases[] = {
      {std::nullopt, 0, "fgetIndices: There is no index list"},
      {std::vector<std::string>{"A=X", "B=Y", "C", "D=Z"}, 2, "fgetIndices: The index entry 'C'"},
      {std::vector<std::string>{"A=X", "B=../Y"}, 1, "fgetIndices: The index short name '../Y'"},
      {std::vector<std::string>{"A=.."}, 0, "fgetIndices: The index short name '..'"},
      {std::vector<std::string>{"A=X", "=X"}, 1, "fgetIndices: The index entry '=X' (entry 2"},
      {std::vector<std::string>{" A = "}, 0, "fgetIndices: The index entry ' A = ' (entry 1"},
      {std::vector<std::string>{"A=a\\b"}, 0, "fgetIndices: The index short name 'a\\b'"},
      {std::vector<std::string>{"A=a\tb"}, 0, "fgetIndices: The index short name 'a?b'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message_start);
    TempDir tmp;
    TestPlatform tp;
    tp.program_folder.folder = tmp.path();
    WindowModel w;
    w.txtSourceFolder = "S";
    w.TxtFromDt = w.TxtToDt = "31/01/2008";
    w.arrIndexList = c.list;
    fgetIndices(w, tp.platform, {2008, 1, 31}, {2008, 1, 31});
    ASSERT_EQ(tp.messages.shown.size(), 1u);
    EXPECT_EQ(tp.messages.shown[0].rfind(c.message_start, 0), 0u) << tp.messages.shown[0];
    EXPECT_EQ(tp.fetcher.requests.size(), 2u * c.indices_fetched);
    EXPECT_EQ(tp.browser.addresses.size(), 1u * c.indices_fetched);
  }
}

TEST(IndexDownload, StopsAfterTheCurrentIndexWhenAsked) {
  TempDir tmp;
  TestPlatform tp;
  tp.program_folder.folder = tmp.path();
  WindowModel w;
  w.txtSourceFolder = "S";
  w.TxtFromDt = w.TxtToDt = "31/01/2008";
  w.arrIndexList = {"A=X", "", "B=Y", "C=Z"};
  tp.progress.stop_after = 1;
  fgetIndices(w, tp.platform, {2008, 1, 31}, {2008, 1, 31});
  EXPECT_EQ(w.Text1.text(),
            "\r\nDownloading Index data for X\r\n Index Download failed: not found"
            "\r\nDownload stopped by the user.");
  EXPECT_EQ(tp.progress.reports, (std::vector<std::pair<int, int>>{{0, 3}}));
}

// A portable copy (QM.INI beside the program) keeps its scratch page beside
// it; any other copy in the user's cache folder, made with its parents.
TEST(ScratchPage, ProgramFolderOfAPortableCopyOrElseTheUsersCacheFolder) {
  TempDir tmp;
  ScopedEnv cache("XDG_CACHE_HOME", tmp.path() + "/home/cache");
  FakeProgramFolder program;
  program.folder = tmp.sub("bin");
  EXPECT_EQ(scratch_page_path(program), tmp.path() + "/home/cache/quillon/temp.html");
  EXPECT_TRUE(std::filesystem::is_directory(tmp.path() + "/home/cache/quillon"));
  write_text(tmp.path() + "/bin/QM.INI", "");
  EXPECT_EQ(scratch_page_path(program), tmp.path() + "/bin/temp.html");
}

}  // namespace
}  // namespace quillon::testing
