#include "app/command_line.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ostream>

#include "base/url_text.h"
#include "calendar/trading_calendar.h"

namespace quillon {

namespace {

constexpr const char* kAdjustNeedsScripWise =
    "--adjust works with --output scrip-wise only; the output is date-wise";

}  // namespace

std::string usage_text() {
  return "Usage: quillon [OPTION]... [COMMAND]...\n"
         "End-of-day share prices of the National Stock Exchange of India: download the\n"
         "exchange's CSV files and convert them into EOD text files for charting programs.\n"
         "\n"
         "Commands, run in the order given (like pressing the window's buttons):\n"
         "  download   fetch the Bhavcopy files, a scrip's or the indices' history\n"
         "  convert    convert the CSV files of the source folder into EOD text files\n"
         "  settings   save the data source and both folders in the settings file\n"
         "  update     import the converted files into the chart database\n"
         "  catch-up   fetch every trading day after the newest day file (or from --from)\n"
         "             up to today that the source folder lacks, convert those days and,\n"
         "             with AmiPath set or Auto Update, import them (--to and --scrip\n"
         "             are not used)\n"
         "  gaps       list the trading days of the range without a day file (default:\n"
         "             the oldest day file to yesterday), one YYYY-MM-DD a line\n"
         "With no command the window opens.\n"
         "\n"
         "Options (each sets one box of the window):\n"
         "  --from TEXT            first day of the range, as the region writes dates\n"
         "  --to TEXT              last day of the range\n"
         "  --scrip TEXT           one symbol instead of the daily Bhavcopy\n"
         "  --source nse|bse|folder  data source (folder: convert every CSV file)\n"
         "  --source-folder DIR    folder of the downloaded CSV files\n"
         "  --dest-folder DIR      folder of the EOD text files\n"
         "  --eod, --no-eod        tick or untick EOD\n"
         "  --indices, --no-indices  tick or untick INDICES\n"
         "  --fo, --no-fo          tick or untick F&O: the derivatives segment's daily\n"
         "                         Bhavcopy downloaded into <source folder>/fo and its\n"
         "                         futures converted into <dest folder>/fo (FO=1 in\n"
         "                         [QN_EOD])\n"
         "  --oi, --no-oi          the record layout with open interest: an eighth\n"
         "                         field (futures: open interest; the full Bhavcopy:\n"
         "                         the deliverable quantity; else 0) (OI=1 in [QN_EOD])\n"
         "  --auto-update, --no-auto-update  tick or untick Auto Update: convert and\n"
         "                         catch-up end with the update of the files they\n"
         "                         converted; overrides AutoUpdate= in [QN_EOD]\n"
         "  --length TEXT          symbol length (empty for no limit)\n"
         "  --output date-wise|scrip-wise  the Bhavcopy conversion's output: one file a\n"
         "                         day (date-wise, the default) or one file a symbol\n"
         "                         with its whole history from every day file of the\n"
         "                         source folder (scrip-wise); overrides Output= in\n"
         "                         [QN_EOD] of the settings file\n"
         "  --adjust, --no-adjust  scrip-wise: adjust the prices before bonus issues and\n"
         "                         changes of face value (Adjust=1 in [QN_EOD])\n"
         "  --settings FILE        settings file to use instead of the usual one (below)\n"
         "  --exchange-url URL     the exchange's base address (http:// or https://;\n"
         "                         default https://nsearchives.nseindia.com)\n"
         "  --bse-url URL          BSE's base address, for --source bse (http:// or\n"
         "                         https://; default https://www.bseindia.com)\n"
         "  --jobs N               at most N downloads in flight at once (default 2), and\n"
         "                         N files converted at once (default: one per core;\n"
         "                         1: one after the other; the outputs and status lines\n"
         "                         are the same whatever N)\n"
         "  --rate R               at most R requests a second to one host (default 3,\n"
         "                         BSE's 1; 0: no limit)\n"
         "  --exchange-layout current|legacy  the exchange's files as published today\n"
         "                         (current, the default) or the old site's pages and\n"
         "                         files, for mirrors of it (legacy); overrides\n"
         "                         ExchangeLayout= in [QN_EOD] of the settings file\n"
         "  --screenshot FILE      open the window with these options, save a picture\n"
         "                         of it as a PNG file and end (takes no command)\n"
         "  --chart SYMBOL         open the chart of SYMBOL in the AmiPath database instead\n"
         "                         of the window (takes no command; --from and --to set\n"
         "                         the range); with --screenshot, exit status 1 when the\n"
         "                         database or the symbol is not found\n"
         "  --today YYYY-MM-DD     the day catch-up, gaps and the calendar take for today\n"
         "                         (default: the date in India, UTC+5:30)\n"
         "  --calendar             open the calendar view of the source folder's day files\n"
         "                         instead of the window (--from, --to set the months;\n"
         "                         with --screenshot, save its picture)\n"
         "  --help                 show this text\n"
         "  --version              show the version\n"
         "\n"
         "The settings file is QM.INI beside the program when there is one (a portable\n"
         "copy), else ~/.config/quillon/QM.INI ($XDG_CONFIG_HOME/quillon/QM.INI), made by\n"
         "the settings command.\n"
         "\n"
         "Status lines go to standard output, message boxes to standard error.\n"
         "Exit status: 0 no message shown, 1 a message was shown, 2 usage error,\n"
         "3 catch-up or gaps left a trading day before today missing.\n"
         "Trading days: Monday to Friday less the exchange's holidays, plus its special\n"
         "sessions; the [QN_Holidays] section of the settings file adds dates\n"
         "(2027-01-26=Republic Day, or a value starting with session for a session).\n";
}

std::optional<CommandLine> parse_command_line(const std::vector<std::string>& args,
                                              std::string& error) {
  CommandLine cl;
  std::vector<std::string> options;  // as given, for --chart's check
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::optional<std::string> inline_value;
    if (arg.rfind("--", 0) == 0) {
      size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        inline_value = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
      }
      options.push_back(arg);
    }
    auto value = [&]() -> std::optional<std::string> {
      if (inline_value) return inline_value;
      if (i + 1 >= args.size()) {
        error = "option " + arg + " needs a value";
        return std::nullopt;
      }
      return args[++i];
    };
    auto flag = [&](bool& target, bool v) {
      if (inline_value) {
        error = "option " + arg + " takes no value";
        return false;
      }
      target = v;
      return true;
    };
    std::optional<std::string>* text_option = nullptr;
    if (arg == "--from") text_option = &cl.from;
    else if (arg == "--to") text_option = &cl.to;
    else if (arg == "--scrip") text_option = &cl.scrip;
    else if (arg == "--source-folder") text_option = &cl.source_folder;
    else if (arg == "--dest-folder") text_option = &cl.dest_folder;
    else if (arg == "--length") text_option = &cl.length;
    else if (arg == "--exchange-url") text_option = &cl.exchange_url;
    else if (arg == "--bse-url") text_option = &cl.bse_url;
    else if (arg == "--screenshot") text_option = &cl.screenshot;
    else if (arg == "--chart") text_option = &cl.chart;
    if (text_option) {
      auto v = value();
      if (!v) return std::nullopt;
      if ((text_option == &cl.exchange_url || text_option == &cl.bse_url) && !is_http_address(*v)) {
        error = arg + " takes an http:// or https:// address, not '" + *v + "'";
        return std::nullopt;
      }
      *text_option = *v;
      continue;
    }
    if (arg == "--jobs" || arg == "--rate") {
      auto v = value();
      if (!v) return std::nullopt;
      double number = -1;
      const char* end = v->data() + v->size();
      const auto [ptr, ec] = std::from_chars(v->data(), end, number);
      const bool whole = ec == std::errc() && ptr == end && std::isfinite(number);
      if (arg == "--jobs" && whole && number >= 1 && number <= 64 && number == std::floor(number)) {
        cl.jobs = static_cast<int>(number);
      } else if (arg == "--rate" && whole && number >= 0) {
        cl.rate = number;
      } else {
        error = arg == "--jobs" ? "--jobs takes a whole number from 1 to 64, not '" + *v + "'"
                                : "--rate takes a number of requests a second (0 for no limit), not '" + *v + "'";
        return std::nullopt;
      }
    } else if (arg == "--settings") {
      auto v = value();
      if (!v) return std::nullopt;
      cl.settings_file = *v;
    } else if (arg == "--source") {
      auto v = value();
      if (!v) return std::nullopt;
      if (*v == "nse") cl.source = kSourceNse;
      else if (*v == "bse") cl.source = kSourceBse;
      else if (*v == "folder") cl.source = kSourceFolder;
      else {
        error = "--source takes nse, bse or folder, not '" + *v + "'";
        return std::nullopt;
      }
    } else if (arg == "--output") {
      auto v = value();
      if (!v) return std::nullopt;
      if (*v != "date-wise" && *v != "scrip-wise") {
        error = "--output takes date-wise or scrip-wise, not '" + *v + "'";
        return std::nullopt;
      }
      cl.scrip_wise = *v == "scrip-wise";
    } else if (arg == "--adjust" || arg == "--no-adjust" || arg == "--fo" || arg == "--no-fo" ||
               arg == "--oi" || arg == "--no-oi") {
      bool b = false;
      if (!flag(b, !arg.starts_with("--no-"))) return std::nullopt;
      (arg.ends_with("adjust") ? cl.adjust : arg.ends_with("fo") ? cl.fo : cl.oi) = b;
    } else if (arg == "--exchange-layout") {
      auto v = value();
      if (!v) return std::nullopt;
      cl.exchange_layout = parse_exchange_layout(*v);
      if (!cl.exchange_layout) {
        error = "--exchange-layout takes current or legacy, not '" + *v + "'";
        return std::nullopt;
      }
    } else if (arg == "--eod" || arg == "--no-eod") {
      bool b = false;
      if (!flag(b, arg == "--eod")) return std::nullopt;
      cl.eod = b;
    } else if (arg == "--indices" || arg == "--no-indices") {
      bool b = false;
      if (!flag(b, arg == "--indices")) return std::nullopt;
      cl.indices = b;
    } else if (arg == "--auto-update" || arg == "--no-auto-update") {
      bool b = false;
      if (!flag(b, arg == "--auto-update")) return std::nullopt;
      cl.auto_update = b;
    } else if (arg == "--today") {
      auto v = value();
      if (!v) return std::nullopt;
      cl.today = parse_ymd(*v, '-');
      if (!cl.today) {
        error = "--today takes a date written YYYY-MM-DD, not '" + *v + "'";
        return std::nullopt;
      }
    } else if (arg == "--calendar") {
      if (!flag(cl.calendar, true)) return std::nullopt;
    } else if (arg == "--help") {
      if (!flag(cl.help, true)) return std::nullopt;
    } else if (arg == "--version") {
      if (!flag(cl.version, true)) return std::nullopt;
    } else if (arg.rfind("-", 0) == 0) {
      error = "unknown option " + arg;
      return std::nullopt;
    } else if (arg == "download" || arg == "convert" || arg == "settings" || arg == "update" ||
               arg == "catch-up" || arg == "gaps") {
      cl.commands.push_back(arg);
    } else {
      error = "unknown command '" + arg + "'";
      return std::nullopt;
    }
  }
  if (cl.screenshot && !cl.commands.empty()) {
    error = "--screenshot opens the window and takes no command";
    return std::nullopt;
  }
  if (cl.adjust == true && cl.scrip_wise == false) {
    error = kAdjustNeedsScripWise;
    return std::nullopt;
  }
  if (cl.calendar && (cl.chart || !cl.commands.empty())) {
    error = "--calendar opens the calendar view and takes no command";
    return std::nullopt;
  }
  if (cl.chart) {
    if (cl.chart->empty()) {
      error = "--chart needs a symbol";
      return std::nullopt;
    }
    if (!cl.commands.empty()) {
      error = "--chart opens the chart window and takes no command";
      return std::nullopt;
    }
    // Those it takes, and those that change nothing of the window's boxes.
    static constexpr std::string_view kTaken[] = {"--chart", "--from",  "--to",      "--settings", "--screenshot",
                                                  "--rate",  "--today", "--calendar", "--help",    "--version"};
    for (const std::string& option : options)
      if (std::find(std::begin(kTaken), std::end(kTaken), option) == std::end(kTaken)) {
        error = "--chart takes no option but --from, --to, --settings and --screenshot";
        return std::nullopt;
      }
  }
  return cl;
}

void apply_options(WindowCommands& window, const CommandLine& cl) {
  WindowModel& w = window.model();
  // The paths that follow a base begin with "/".
  auto base_of = [](std::string base) {
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base;
  };
  if (cl.exchange_url) w.gstrExchangeUrl = base_of(*cl.exchange_url);
  if (cl.bse_url) w.gstrBseUrl = base_of(*cl.bse_url);
  if (cl.exchange_layout) w.gExchangeLayout = *cl.exchange_layout;
  if (cl.from) w.TxtFromDt = *cl.from;
  if (cl.to) w.TxtToDt = *cl.to;
  if (cl.scrip) w.txtScrip = *cl.scrip;
  if (cl.source_folder) w.txtSourceFolder = *cl.source_folder;
  if (cl.dest_folder) w.txtDestFolder = *cl.dest_folder;
  if (cl.length) w.txtLength = *cl.length;
  if (cl.eod) w.chkEOD = *cl.eod;
  if (cl.indices) w.chkIndices = *cl.indices;
  if (cl.auto_update) w.chkAuto = *cl.auto_update;
  if (cl.source) window.rbSource_Click(*cl.source);
  if (cl.jobs) w.jobs = *cl.jobs;
  if (cl.rate) w.download_rate = *cl.rate;
  if (cl.scrip_wise) {
    w.rbScripWise = *cl.scrip_wise;
    w.rbDateWise = !*cl.scrip_wise;
  }
  if (cl.adjust) w.chkAdjust = *cl.adjust;
  if (cl.fo) w.chkFO = *cl.fo;
  if (cl.oi) w.Combo1ListIndex = *cl.oi ? 1 : 0;
}

int run_commands(WindowCommands& window, const CommandLine& cl, std::ostream& err) {
  // With "Folder" as the source the Download button is disabled.
  for (const std::string& c : cl.commands) {
    if ((c == "download" || c == "catch-up") && !window.model().cmdProcessEnabled) {
      err << "quillon: " << c << " needs --source nse or bse; with --source folder there is "
             "nothing to download\n";
      return kExitUsage;
    }
  }
  if (cl.adjust == true && !window.model().rbScripWise) {
    err << "quillon: " << kAdjustNeedsScripWise << "\n";
    return kExitUsage;
  }
  if (cl.today) window.set_today(*cl.today);
  bool missing = false;
  for (const std::string& c : cl.commands) {
    if (c == "download") window.cmdProcess_Click();
    else if (c == "convert") window.cmdConvert_Click();
    else if (c == "settings") window.cmdOptions_Click();
    else if (c == "update") window.Command3_Click();
    else if (c == "catch-up") missing = window.cmdCatchUp_Click(cl.from) || missing;
    else if (c == "gaps") missing = window.cmdGaps_Click(cl.from, cl.to) || missing;
  }
  return missing ? kExitDaysMissing : kExitOk;
}

void StreamMessageBox::show(const std::string& text) {
  ++shown_;
  std::string line;
  line.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    line.push_back(text[i] == '\n' || text[i] == '\r' ? ' ' : text[i]);
  }
  err_ << line << '\n' << std::flush;
}

void write_status_piece(std::ostream& out, std::string_view piece) {
  size_t start = 0;
  for (;;) {
    size_t crlf = piece.find("\r\n", start);
    if (crlf == std::string_view::npos) {
      out << piece.substr(start);
      break;
    }
    out << piece.substr(start, crlf - start) << '\n';
    start = crlf + 2;
  }
  out << std::flush;
}

}  // namespace quillon
