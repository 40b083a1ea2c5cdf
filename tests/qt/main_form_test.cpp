// The main window as the user meets it: real widgets found by objectName,
// real files in temporary folders, a real local HTTP server for the Stop
// button, real message boxes. Runs under QT_QPA_PLATFORM=offscreen.
#include "http_server.h"  // before Qt, whose macros it would meet

#include <QtTest>
#include <QtWidgets>

#include "fakes.h"
#include "find_child.h"
#include "platform/curl_fetcher.h"
#include "qt/calendar_view.h"
#include "qt/main_form.h"

using namespace quillon;
using namespace quillon::testing;

namespace {

void click(QWidget& form, const char* name) {
  QTest::mouseClick(child<QWidget>(form, name), Qt::LeftButton);
}
QLineEdit& box(QWidget& form, const char* name) { return *child<QLineEdit>(form, name); }
QString status_of(QWidget& form) { return child<QPlainTextEdit>(form, "Text1")->toPlainText(); }
// Whether each of the named controls is enabled (`yes`) or disabled.
bool enabled(QWidget& form, std::initializer_list<const char*> names, bool yes = true) {
  for (const char* name : names)
    if (child<QWidget>(form, name)->isEnabled() != yes) return qWarning("%s", name), false;
  return true;
}

}  // namespace

class MainFormTest : public QObject {
  Q_OBJECT
 private slots:
  void theButtonsBoxesAndLinksByName();
  void theCalendarViewFetchesAMissingDayAndCatchUpTheRest();
};

void MainFormTest::theButtonsBoxesAndLinksByName() {
  TestServer server;  // slow: a Download run lasts until Stop
  server.set("*", {200, "SYMBOL,SERIES\r\n", TestServer::Kind::Slow});
  TempDir dir;
  ScriptedFolderPicker folders;
  RecordingWebOpener web;
  FakeDatePattern pattern;
  FakeProgramFolder program;
  NoBrokers brokers;
  CurlFetcher http;
  const MainFormOptions options{.settings_file = dir.path() + "/QM.INI", .folders = &folders,
                                .web = &web, .date_pattern = &pattern, .program_folder = &program};
  const std::string src = dir.sub("csv"), dst = dir.sub("eod"), day = src + "/2008_01_31.csv";
  write_text(day, "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\r\n"
                  "INFY,EQ,1520.50,1542.00,1498.10,1530.25,1530,1510,2183740,3.3e9,31-JAN-2008,\r\n");
  folders.answers = {src};
  {
    MainForm form(http, brokers, options);
    form.show();
    click(form, "Label17");
    QCOMPARE(web.opened, std::vector<std::string>{"file:///nonexistent-program-folder/faq.html"});
    click(form, "Command1");  // the folder picked shows in the box
    QCOMPARE(box(form, "txtSourceFolder").text(), QString::fromStdString(src));
    QTest::keyClicks(&box(form, "txtDestFolder"), QString::fromStdString(dst));
    click(form, "rbSource_2");  // "Folder": nothing to download
    QVERIFY(enabled(form, {"cmdProcess"}, false));

    QSignalSpy finished(&form, &MainForm::commandFinished);
    click(form, "chkAuto");     // then the Update of what Convert queued
    click(form, "cmdConvert");  // off the window's thread, the boxes it reads disabled
    QVERIFY(form.running() && enabled(form, {"cmdConvert", "txtSourceFolder", "chkAuto"}, false));
    QVERIFY(finished.wait(10000));
    QCOMPARE(read_text(dst + "/2008_01_31_DX.txt"),
             std::string("INFY,20080131,1520.5,1542,1498.1,1530.25,2183740\r\n"));
    QVERIFY(status_of(form).startsWith("\nExtract of Data from BhavCopy is done....!\nfUpdateAmi AmiBorker : 429"));
    QCOMPARE(child<QListWidget>(form, "File1")->item(0)->text(), QStringLiteral("2008_01_31.csv"));
    QVERIFY(enabled(form, {"cmdConvert", "txtSourceFolder", "chkAuto"}) && enabled(form, {"cmdProcess"}, false));
    click(form, "rbScripWise");  // the Output frame: one file a symbol, adjusted
    click(form, "chkAdjust");
    child<QComboBox>(form, "Combo1")->setCurrentIndex(1);  // with open interest
    click(form, "cmdConvert");
    QVERIFY(enabled(form, {"rbDateWise", "rbScripWise", "chkAdjust", "Combo1", "chkFO"}, false));
    QVERIFY(finished.wait(10000));
    QCOMPARE(read_text(dst + "/INFY.txt"), std::string("INFY,20080131,1520.5,1542,1498.1,1530.25,2183740,0\r\n"));
    QVERIFY(enabled(form, {"rbDateWise", "rbScripWise", "chkAdjust", "Combo1", "chkFO"}));
    child<QComboBox>(form, "Combo1")->setCurrentIndex(0);
    click(form, "rbDateWise");

    std::filesystem::remove(day);
    click(form, "rbSource_0");
    form.commands().model().gstrExchangeUrl = server.base();
    form.commands().model().gExchangeLayout = ExchangeLayout::legacy;
    box(form, "TxtFromDt").setText(QStringLiteral("01/01/2008"));
    box(form, "TxtToDt").setText(QStringLiteral("09/02/2008"));  // 40 days
    QVERIFY(enabled(form, {"cmdStop"}, false));
    click(form, "cmdProcess");
    auto* bar = child<QProgressBar>(form, "prgRun");
    QTRY_VERIFY_WITH_TIMEOUT(bar->value() >= 2 && bar->maximum() == 40, 10000);
    QTRY_VERIFY(box(form, "txtLabel").text().contains("/content/historical/EQUITIES/2008/JAN/cm"));
    QVERIFY(enabled(form, {"cmdProcess", "cmdConvert", "cmdOptions", "Command3", "Command1",
                           "Command2", "rbSource_1", "TxtFromDt", "txtSourceFolder", "txtScrip",
                           "chkEOD"}, false));
    QTest::keyClicks(&box(form, "txtLength"), QStringLiteral("5"));  // the download does not read it
    click(form, "cmdStop");
    QVERIFY(finished.wait(10000));
    QVERIFY2(status_of(form).endsWith("\nDownload stopped by the user."), qPrintable(status_of(form)));
    QVERIFY(folder_names(src).size() >= 2 && folder_names(src).size() < 40);
    QCOMPARE(box(form, "txtLength").text(), QStringLiteral("105"));
    QVERIFY(enabled(form, {"cmdProcess", "cmdConvert", "TxtFromDt"}) && enabled(form, {"cmdStop"}, false));
    click(form, "cmdOptions");
  }

  MainForm again(http, brokers, options);  // reads what Settings saved, Auto Update not among it
  QCOMPARE(box(again, "txtSourceFolder").text(), QString::fromStdString(src));
  QVERIFY(!child<QCheckBox>(again, "chkAuto")->isChecked());
  QCOMPARE(box(again, "txtDestFolder").text(), QString::fromStdString(dst));
  box(again, "txtSourceFolder").clear();
  // A failure on the worker shows a message box; the worker waits for OK.
  QString seen;
  QTimer user;
  connect(&user, &QTimer::timeout, &again, [&] {
    auto* shown = again.findChild<QMessageBox*>(QStringLiteral("messageBox"));
    if (!shown || !shown->isVisible()) return;
    seen += QStringLiteral("%1|%2|%3;").arg(shown->windowTitle(), shown->text()).arg(again.running());
    shown->button(QMessageBox::Ok)->click();
  });
  user.start(20);
  QSignalSpy finished(&again, &MainForm::commandFinished);
  click(again, "cmdConvert");
  QVERIFY(finished.wait(10000));
  QCOMPARE(seen, QStringLiteral("Quillon|fOutput: No source folder is selected.|1;"));
}

void MainFormTest::theCalendarViewFetchesAMissingDayAndCatchUpTheRest() {
  TempDir dir;
  RealDisk disk;
  ServingFetcher exchange(disk);  // 17 Jun 2024 is a holiday; 21 Jun is today, not published yet
  exchange.serve("https://x", fake_exchange({2024, 6, 3}, {2024, 6, 20}, {{{2024, 6, 17}}, {}}));
  FakeDatePattern pattern;
  NoBrokers brokers;
  MainForm form(exchange, brokers, {.settings_file = dir.path() + "/QM.INI", .date_pattern = &pattern});
  form.commands().model().gstrExchangeUrl = "https://x";
  form.commands().set_today({2024, 6, 21});
  const std::string src = dir.sub("csv");
  write_text(src + "/2024_06_12.csv", "x");
  box(form, "txtSourceFolder").setText(QString::fromStdString(src));
  box(form, "txtDestFolder").setText(QString::fromStdString(dir.sub("eod")));
  form.show();
  click(form, "cmdCalendar");  // April to June
  auto& view = *child<CalendarView>(form, "frmCalendar");
  auto state = [&](const char* day) { return child<QWidget>(view, day)->property("state").toString(); };
  QCOMPARE(state("day20240612") + state("day20240617") + state("day20240615") + state("day20240621"),
           QStringLiteral("presentholidayweekendnot published yet"));
  QCOMPARE(child<QLabel>(view, "lblMissing")->text(), QStringLiteral("missing 54"));
  QString asked;
  view.confirm = [&](const QString& q) { return asked = q, true; };
  QSignalSpy finished(&form, &MainForm::commandFinished);
  click(view, "day20240613");
  QVERIFY(finished.wait(10000));
  QVERIFY(asked.contains("missing") && exists(src + "/2024_06_13.csv"));
  QCOMPARE(state("day20240613") + child<QLabel>(view, "lblMissing")->text(),
           QStringLiteral("presentmissing 53"));
  click(form, "cmdCatchUp");  // after the newest day file: 14, 18, 19, 20 and today
  QVERIFY(finished.wait(10000));
  QVERIFY2(status_of(form).endsWith("Catch-up: 4 days fetched, 0 already there, 0 missing, "
                                    "0 records imported."), qPrintable(status_of(form)));
  QCOMPARE(state("day20240620") + state("day20240621"), QStringLiteral("presentnot published yet"));
}

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
