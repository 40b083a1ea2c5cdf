// The Download command: its checks in their fixed order and what it starts.
#include <gtest/gtest.h>

#include "app/window_commands.h"
#include "app/operations.h"
#include "fakes.h"

namespace quillon::testing {
namespace {

struct Command : ::testing::Test {
  TempDir tmp;
  TestPlatform tp;
  WindowCommands window{tp.platform};
  WindowModel& w = window.model();
  void SetUp() override {
    tp.program_folder.folder = tmp.path();
    w.TxtFromDt = w.TxtToDt = "31/01/2008";
    w.txtSourceFolder = "S";
    w.txtDestFolder = "D";
    w.arrIndexList = {"S&P CNX NIFTY=NIFTY"};
    w.arrBhavFiles = {""};
  }
  // What was fetched, one word per download run: bhavcopy, scrip, indices.
  std::vector<std::string> runs() const {
    std::vector<std::string> seen;
    for (const auto& [address, path] : tp.fetcher.requests) {
      std::string kind = address.find("/EQUITIES/") != std::string::npos ? "bhavcopy"
                         : address.find("scripvol") != std::string::npos ? "scrip"
                                                                         : "indices";
      if (seen.empty() || seen.back() != kind) seen.push_back(kind);
    }
    return seen;
  }
};

TEST_F(Command, ChecksInTheirFixedOrderOnlyTheFirstFailureShows) {
  struct Case {
    int source;
    std::string from, to, src, dest, message;
  } cases[] = {
      {kSourceNse, "", "", "", "", "Please Enter a Valid From Date."},
      {kSourceNse, "31/02/2008", "x", "", "", "Please Enter a Valid From Date."},
      {kSourceNse, "31/01/2008", "", "", "", "Please Enter a Valid To Date."},
      {kSourceNse, "31/01/2008", "2008-02-01", "", "", "Please select a valid Source folder"},
      {kSourceNse, "31/01/2008", "1/2/08", "S", "", "Please select a valid Dest. folder"},
      {kSourceBse, "", "", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    tp.messages.shown.clear();
    tp.pointer.log.clear();
    window.rbSource_Click(c.source);
    w.TxtFromDt = c.from;
    w.TxtToDt = c.to;
    w.txtSourceFolder = c.src;
    w.txtDestFolder = c.dest;
    window.cmdProcess_Click();
    EXPECT_EQ(tp.messages.shown,
              c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
    EXPECT_EQ(tp.pointer.log, (std::vector<std::string>{"busy", "arrow"}));
  }
  EXPECT_TRUE(tp.fetcher.requests.empty());
}

TEST_F(Command, DispatchTable) {
  struct Case {
    bool eod;
    std::string scrip;
    bool indices;
    std::vector<std::string> runs;
  } cases[] = {
      {true, "", false, {"bhavcopy"}},
      {true, " ", false, {"scrip"}},  // a blank is a scrip
      {true, "", true, {"bhavcopy", "indices"}},
      {true, "INFY", true, {"scrip", "indices"}},
      {false, "INFY", true, {"indices"}},
      {false, "", false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.runs));
    tp.fetcher.requests.clear();
    w.chkEOD = c.eod;
    w.txtScrip = c.scrip;
    w.chkIndices = c.indices;
    window.cmdProcess_Click();
    EXPECT_EQ(runs(), c.runs);
    EXPECT_TRUE(tp.messages.shown.empty());
  }
}

TEST_F(Command, StopDuringTheBhavcopyStopsTheIndicesToo) {
  w.TxtToDt = "02/02/2008";
  w.chkIndices = true;
  tp.progress.stop_after = 1;
  window.cmdProcess_Click();
  EXPECT_EQ(runs(), std::vector<std::string>{"bhavcopy"});
  EXPECT_EQ(w.Text1.text(),
            "\r\nDownloading BhavCopy for 31/01/2008 <- file doesnt exists...."
            "\r\nDownload stopped by the user.");
}

}  // namespace
}  // namespace quillon::testing
