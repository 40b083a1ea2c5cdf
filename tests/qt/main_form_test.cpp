// The main window as the user meets it: real widgets found by objectName,
// real files in temporary folders, a real local HTTP server for the Stop
// button. Runs under QT_QPA_PLATFORM=offscreen.
#include <httplib.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "fakes.h"
#include "platform/curl_fetcher.h"
#include "platform/text_file.h"
#include "qt/main_form.h"
#include "qt/small_widgets.h"

using namespace quillon;
using namespace quillon::testing;

namespace {

template <class T>
T* child(QWidget& w, const char* name) {
  T* c = w.findChild<T*>(QString::fromLatin1(name));
  if (!c) qFatal("no widget %s", name);
  return c;
}

// The window's outside world: stand-ins for the dialogs, the clock and the
// locale; the settings file in a temporary folder.
struct Fixture {
  TempDir dir;
  FakeMessageBox messages;
  ScriptedFolderPicker folders;
  RecordingWebOpener web;
  FakeDatePattern pattern;
  FakeClock clock;
  FakeProgramFolder program;
  RecordingFetcher fetcher;
  NoBrokers brokers;
  MainFormOptions options() {
    MainFormOptions o;
    o.settings_file = dir.path() + "/QM.INI";
    o.messages = &messages;
    o.folders = &folders;
    o.web = &web;
    o.date_pattern = &pattern;
    o.clock = &clock;
    o.program_folder = &program;
    return o;
  }
};

const char* const kBhavcopy =
    "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\r\n"
    "INFY,EQ,1520.50,1542.00,1498.10,1530.25,1530.00,1510.00,2183740,3.3e9,31-JAN-2008,\r\n"
    "GOI2030,N1,101.00,101.00,101.00,101.00,101.00,101.00,10,1010,31-JAN-2008,\r\n"
    "ABB,BE,1200,1210,1190,1205,1205,1199,5000,6025000,31-JAN-2008,\r\n";

}  // namespace

class MainFormTest : public QObject {
  Q_OBJECT
 private slots:
  void startValuesAndControls();
  void convertRunsOffTheWindowAndShowsItsResult();
  void settingsButtonWritesTheFileTheNextStartReads();
  void cancelledFolderPickerLeavesTheBox();
  void failureOnTheWorkerReachesTheMessageBox();
  void stopEndsADownloadRunAgainstASlowServer();
  void messageBoxesFromTheWorkerWaitForOkInOrder();
};

void MainFormTest::startValuesAndControls() {
  Fixture f;
  MainForm form(f.fetcher, f.brokers, f.options());
  QCOMPARE(form.windowTitle(), QStringLiteral("Quillon: 3.0.24"));
  QCOMPARE(child<QLineEdit>(form, "TxtFromDt")->text(), QStringLiteral("31/01/2008"));
  QCOMPARE(child<QLineEdit>(form, "TxtToDt")->text(), QStringLiteral("31/01/2008"));
  QCOMPARE(child<QLabel>(form, "Label4")->text(), QStringLiteral("DD/MM/YYYY"));
  QCOMPARE(child<QLineEdit>(form, "txtLength")->text(), QStringLiteral("10"));

  const std::pair<const char*, const char*> captions[] = {
      {"cmdProcess", "&Download"}, {"cmdConvert", "&Convert"}, {"cmdOptions", "&Settings"},
      {"Command3", "Update"},      {"Command1", "..."},        {"Command2", "..."},
      {"chkEOD", "EOD"},           {"chkIndices", "INDICES"},  {"chkAmi", "AmiBroker"},
      {"chkMS", "MetaStock"},      {"chkAuto", "Auto Update?"}, {"rbSource_0", "NSE"},
      {"rbSource_1", "BSE"},       {"rbSource_2", "Folder"},   {"rbDateWise", "date wise"},
      {"rbScripWise", "scrip wise"}};
  for (auto [name, caption] : captions)
    QCOMPARE(child<QAbstractButton>(form, name)->text(), QString::fromLatin1(caption));
  for (const char* name : {"chkEOD", "chkIndices", "chkAmi", "chkMS", "chkAuto", "rbSource_0",
                           "rbSource_1", "rbSource_2", "rbDateWise", "rbScripWise"}) {
    const bool ticked = std::string(name) == "chkEOD" || std::string(name) == "rbSource_0";
    QVERIFY2(child<QAbstractButton>(form, name)->isChecked() == ticked, name);
  }
  const std::pair<const char*, const char*> headings[] = {
      {"Label1", " Date Range"}, {"Label5", " Data Source"}, {"Label9", " Data Lists "},
      {"Label14", "Area reserved for future use"}, {"Label17", "click here for FAQ"},
      {"Label18", "enter text in scrip box to do single scrip download."}};
  for (auto [name, text] : headings)
    QCOMPARE(child<QLabel>(form, name)->text(), QString::fromLatin1(text));
  QVERIFY(child<QPlainTextEdit>(form, "Text1")->isReadOnly());
  QCOMPARE(child<QComboBox>(form, "Combo1")->count(), 2);
  QCOMPARE(child<QComboBox>(form, "cmbIndex")->count(), 9);
  QCOMPARE(child<QComboBox>(form, "cmbIndex")->itemText(0), QStringLiteral("S&P CNX NIFTY"));
  QVERIFY(form.findChild<QListWidget*>(QStringLiteral("File1")));
  QCOMPARE(child<BrowserPane>(form, "WebBrowser1")->address(), QStringLiteral("about:blank"));

  for (const char* name : {"Label16", "Label17"}) {
    QLabel* link = child<QLabel>(form, name);
    QVERIFY(link->font().underline());
    QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(link, Qt::LeftButton);
  }
  QCOMPARE(f.web.opened, (std::vector<std::string>{
                             "file:///nonexistent-program-folder/README.html",
                             "file:///nonexistent-program-folder/faq.html"}));

  // Fits a 1366 x 768 screen with its task bar and the window's title bar.
  QVERIFY(form.sizeHint().width() <= 1366);
  QVERIFY(form.sizeHint().height() <= 700);
}

void MainFormTest::convertRunsOffTheWindowAndShowsItsResult() {
  Fixture f;
  const std::string src = f.dir.sub("csv"), dst = f.dir.sub("eod");
  write_text(src + "/2008_01_31.csv", kBhavcopy);
  MainForm form(f.fetcher, f.brokers, f.options());
  form.show();
  auto* download = child<QPushButton>(form, "cmdProcess");
  auto* convert = child<QPushButton>(form, "cmdConvert");

  child<QRadioButton>(form, "rbSource_2")->click();
  QVERIFY(!download->isEnabled());
  child<QRadioButton>(form, "rbSource_1")->click();
  QVERIFY(download->isEnabled());
  child<QRadioButton>(form, "rbSource_2")->click();
  QVERIFY(!download->isEnabled());

  QTest::keyClicks(child<QLineEdit>(form, "txtSourceFolder"), QString::fromStdString(src));
  QTest::keyClicks(child<QLineEdit>(form, "txtDestFolder"), QString::fromStdString(dst));
  QSignalSpy finished(&form, &MainForm::commandFinished);
  QTest::mouseClick(convert, Qt::LeftButton);
  QVERIFY(form.running());
  QVERIFY(!convert->isEnabled());
  QVERIFY(!child<QLineEdit>(form, "txtSourceFolder")->isEnabled());
  QVERIFY(finished.wait(10000));

  QCOMPARE(read_text(dst + "/2008_01_31_DX.txt"),
           std::string("INFY,20080131,1520.5,1542,1498.1,1530.25,2183740\r\n"
                       "ABB,20080131,1200,1210,1190,1205,5000\r\n"));
  QCOMPARE(child<QPlainTextEdit>(form, "Text1")->toPlainText(),
           QStringLiteral("\nExtract of Data from BhavCopy is done....!"));
  auto* file1 = child<QListWidget>(form, "File1");
  QCOMPARE(file1->count(), 1);
  QCOMPARE(file1->item(0)->text(), QStringLiteral("2008_01_31.csv"));
  QVERIFY(f.messages.shown.empty());
  QVERIFY(convert->isEnabled());
  QVERIFY(child<QLineEdit>(form, "txtSourceFolder")->isEnabled());
  QVERIFY(!download->isEnabled());  // "Folder" is still the source
  QCOMPARE(form.commands().model().colAmiFiles, (std::vector<std::string>{dst + "/2008_01_31_DX.txt"}));
}

void MainFormTest::settingsButtonWritesTheFileTheNextStartReads() {
  Fixture f;
  {
    MainForm form(f.fetcher, f.brokers, f.options());
    QTest::keyClicks(child<QLineEdit>(form, "txtSourceFolder"), QStringLiteral("/data/csv"));
    QTest::keyClicks(child<QLineEdit>(form, "txtDestFolder"), QStringLiteral("/data/eod"));
    QTest::mouseClick(child<QPushButton>(form, "cmdOptions"), Qt::LeftButton);
  }
  const std::string ini = read_text(f.dir.path() + "/QM.INI");
  for (const char* line : {"DataSource=NSE", "SourcePath=/data/csv", "DestPath=/data/eod"})
    QVERIFY2(ini.find(line) != std::string::npos, ini.c_str());

  MainForm again(f.fetcher, f.brokers, f.options());
  QCOMPARE(child<QLineEdit>(again, "txtSourceFolder")->text(), QStringLiteral("/data/csv"));
  QCOMPARE(child<QLineEdit>(again, "txtDestFolder")->text(), QStringLiteral("/data/eod"));
}

void MainFormTest::cancelledFolderPickerLeavesTheBox() {
  Fixture f;
  f.folders.answers = {"/data/csv", "", ""};
  MainForm form(f.fetcher, f.brokers, f.options());
  auto* source = child<QLineEdit>(form, "txtSourceFolder");
  auto* dest = child<QLineEdit>(form, "txtDestFolder");
  QTest::mouseClick(child<QPushButton>(form, "Command1"), Qt::LeftButton);
  QCOMPARE(source->text(), QStringLiteral("/data/csv"));
  QTest::mouseClick(child<QPushButton>(form, "Command1"), Qt::LeftButton);  // cancelled
  QCOMPARE(source->text(), QStringLiteral("/data/csv"));
  QTest::keyClicks(dest, QStringLiteral("/typed"));
  QTest::mouseClick(child<QPushButton>(form, "Command2"), Qt::LeftButton);  // cancelled
  QCOMPARE(dest->text(), QStringLiteral("/typed"));
  QCOMPARE(f.folders.prompts, std::vector<std::string>(3, "Select a folder"));
}

void MainFormTest::failureOnTheWorkerReachesTheMessageBox() {
  Fixture f;
  MainForm form(f.fetcher, f.brokers, f.options());
  QSignalSpy finished(&form, &MainForm::commandFinished);
  QTest::mouseClick(child<QPushButton>(form, "cmdConvert"), Qt::LeftButton);  // no source folder
  QVERIFY(finished.wait(10000));
  QCOMPARE(f.messages.shown, std::vector<std::string>{"fOutput: No source folder is selected."});
}

void MainFormTest::stopEndsADownloadRunAgainstASlowServer() {
  httplib::Server server;
  server.Get(R"(/content/historical/EQUITIES/.*)", [](const httplib::Request&,
                                                      httplib::Response& res) {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    res.set_content("SYMBOL,SERIES\r\n", "text/csv");
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread serving([&] { server.listen_after_bind(); });

  Fixture f;
  f.program.folder = f.dir.sub("program");
  CurlFetcher http;
  const int days = 40;  // 1 January to 9 February 2008
  MainForm form(http, f.brokers, f.options());
  form.commands().model().gstrExchangeUrl = "http://127.0.0.1:" + std::to_string(port);
  form.show();
  const std::string src = f.dir.sub("csv");
  child<QLineEdit>(form, "txtSourceFolder")->setText(QString::fromStdString(src));
  child<QLineEdit>(form, "txtDestFolder")->setText(QString::fromStdString(f.dir.sub("eod")));
  child<QLineEdit>(form, "TxtFromDt")->setText(QStringLiteral("01/01/2008"));
  child<QLineEdit>(form, "TxtToDt")->setText(QStringLiteral("09/02/2008"));
  auto* bar = child<QProgressBar>(form, "prgRun");
  auto* stop = child<QPushButton>(form, "cmdStop");
  auto* length = child<QLineEdit>(form, "txtLength");
  QVERIFY(!stop->isEnabled());
  QSignalSpy finished(&form, &MainForm::commandFinished);
  QTest::mouseClick(child<QPushButton>(form, "cmdProcess"), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(bar->value() >= 2, 10000);
  QCOMPARE(bar->maximum(), days);
  // The address being fetched shows while the run goes on.
  QTRY_VERIFY(child<QLineEdit>(form, "txtLabel")->text().contains(
      QStringLiteral("/content/historical/EQUITIES/2008/JAN/cm")));
  for (const char* name : {"cmdProcess", "cmdConvert", "cmdOptions", "Command3", "Command1",
                           "Command2", "rbSource_1", "TxtFromDt", "TxtToDt", "txtSourceFolder",
                           "txtDestFolder", "txtScrip", "chkEOD", "chkIndices"})
    QVERIFY2(!child<QWidget>(form, name)->isEnabled(), name);
  QVERIFY(length->isEnabled());  // the download does not read it: the user may type
  QTest::keyClicks(length, QStringLiteral("5"));
  QTest::mouseClick(stop, Qt::LeftButton);
  QVERIFY(finished.wait(10000));
  server.stop();
  serving.join();

  const QString status = child<QPlainTextEdit>(form, "Text1")->toPlainText();
  QVERIFY2(status.endsWith(QStringLiteral("\nDownload stopped by the user.")), qPrintable(status));
  QVERIFY(status.contains(QStringLiteral("Downloading BhavCopy for 01/01/2008 <- file downloaded....")));
  const size_t fetched = folder_names(src).size();
  QVERIFY(fetched >= 2 && fetched < static_cast<size_t>(days));
  QCOMPARE(form.commands().model().arrBhavFiles.size(), fetched);
  QCOMPARE(length->text(), QStringLiteral("105"));
  QVERIFY(!stop->isEnabled());
  for (const char* name : {"cmdProcess", "cmdConvert", "TxtFromDt", "txtSourceFolder"})
    QVERIFY2(child<QWidget>(form, name)->isEnabled(), name);
}

void MainFormTest::messageBoxesFromTheWorkerWaitForOkInOrder() {
  QWidget parent;
  QtMessageBox messages(&parent);
  std::atomic<int> returned{0};
  QStringList seen;  // text, title, buttons and whether the worker still waited
  QTimer presser;    // the user: reads each box and presses OK
  connect(&presser, &QTimer::timeout, &parent, [&] {
    auto* box = parent.findChild<QMessageBox*>(QStringLiteral("messageBox"));
    if (!box || !box->isVisible()) return;
    const bool waiting = returned.load() == static_cast<int>(seen.size());
    seen << QStringLiteral("%1|%2|%3|%4")
                .arg(box->text(), box->windowTitle())
                .arg(int(box->standardButtons()))
                .arg(waiting);
    box->button(QMessageBox::Ok)->click();
  });
  presser.start(20);
  std::thread worker([&] {
    messages.show("first");
    returned = 1;
    messages.show("second");
    returned = 2;
  });
  QTRY_COMPARE_WITH_TIMEOUT(returned.load(), 2, 10000);
  worker.join();
  const QString ok = QString::number(int(QMessageBox::Ok));
  QCOMPARE(seen, (QStringList{"first|Quillon|" + ok + "|1", "second|Quillon|" + ok + "|1"}));
}

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
