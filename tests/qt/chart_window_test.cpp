// The chart window as the user meets it: real widgets and chart series found
// by objectName, a real SQLite database in a temporary folder filled through
// the import Update uses. Runs under QT_QPA_PLATFORM=offscreen.
#include <QtCharts>
#include <QtTest>
#include <QtWidgets>
#include <thread>

#include "chartdb/eod_server.h"
#include "fakes.h"
#include "find_child.h"
#include "qt/chart_window.h"
#include "qt/main_form.h"

using namespace quillon;
using namespace quillon::testing;

namespace {

// Day i of the test series: weekdays from Monday 1 January 2024, opening at
// 100 + i; every third day falls.
QDate day(int i) { return QDate(2024, 1, 1).addDays(i / 5 * 7 + i % 5); }
double open_of(int i) { return 100 + i; }
double close_of(int i) { return i % 3 == 2 ? open_of(i) - 1 : open_of(i) + 1; }

// Imports days [from, to) of ABC, and one quote of XYZ, as Update does.
void import_days(EodServer& server, const std::string& folder, int from, int to) {
  std::string text = "XYZ,20240102,5,6,4,5,50\r\n";
  for (int i = from; i < to; ++i)
    text += QStringLiteral("ABC,%1,%2,%3,%4,%5,%6\r\n").arg(day(i).toString(QStringLiteral("yyyyMMdd")))
                .arg(open_of(i)).arg(open_of(i) + 3).arg(open_of(i) - 2).arg(close_of(i)).arg(1000 * (i + 1))
                .toStdString();
  write_text(folder + "/../days_DX.txt", text);
  SqliteBroker broker(server);
  if (!broker.LoadDatabase(folder)) qFatal("no database folder");
  broker.Import(0, folder + "/../days_DX.txt", kEodImportFormat);
  broker.SaveDataBase();
  broker.RefreshAll();
}

// Whether the `place`th candle shown is day i.
bool is_day(QCandlestickSet* set, int i, int place) {
  return set->timestamp() == place && set->open() == open_of(i) && set->high() == open_of(i) + 3 &&
         set->low() == open_of(i) - 2 && set->close() == close_of(i);
}

}  // namespace

class ChartWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }
  void chartButtonShowsTheAmiPathDatabaseThatUpdateFills();
  void zoomedAndPannedTheSeriesHoldTheDaysInView();
  void openInterestIsALineUnderTheVolume();
};

void ChartWindowTest::chartButtonShowsTheAmiPathDatabaseThatUpdateFills() {
  TempDir dir;
  const std::string db = dir.sub("db");
  write_text(dir.path() + "/QM.INI", "[QN_EOD]\r\nAmiPath=" + db + "\r\n");
  EodServer server;  // Update's: nothing open yet, so the chart takes AmiPath
  MemoryDisk disk;
  ServingFetcher fetcher{disk};
  NoBrokers brokers;
  auto form = std::make_unique<MainForm>(
      fetcher, brokers, MainFormOptions{.settings_file = dir.path() + "/QM.INI", .chart_server = &server});
  child<QLineEdit>(*form, "txtScrip")->setText(QStringLiteral("abc"));
  QTest::mouseClick(child<QPushButton>(*form, "cmdChart"), Qt::LeftButton);
  auto& chart = *child<ChartWindow>(*form, "frmChart");
  QCOMPARE(chart.status(), QString::fromStdString("There is no chart database in '" + db +
                                                  "' yet: Update makes it."));
  QCOMPARE(folder_names(db), std::vector<std::string>{});  // looking creates nothing
  QSignalSpy loaded(&chart, &ChartWindow::loaded);
  for (auto [from, to] : {std::pair{0, 20}, std::pair{20, 30}}) {  // Update, on its own thread
    std::thread([&] {
      import_days(server, db, from, to);
      server.refresh_all();
    }).join();
    loaded.clear();
    QCoreApplication::sendPostedEvents();
    QCOMPARE(loaded.count(), 1);  // one reload for both RefreshAll calls
  }

  auto* candles = child<QCandlestickSeries>(chart, "seriesCandles");
  auto* symbol = child<QLineEdit>(chart, "txtChartSymbol");
  QCOMPARE(symbol->text(), QStringLiteral("ABC"));
  QCOMPARE(symbol->completer()->model()->rowCount(), 2);
  QCOMPARE(candles->count(), 30);
  QVERIFY(is_day(candles->sets().first(), 0, 0));
  QVERIFY(is_day(candles->sets().last(), 29, 29));
  const auto volume = child<QCandlestickSeries>(chart, "seriesVolume")->sets();  // bars from 0
  QVERIFY(qMin(volume[29]->open(), volume[29]->close()) == 0 &&
          qMax(volume[29]->open(), volume[29]->close()) == 30000);
  // Colours as drawn (the chart theme once repainted those given to each
  // set): day 28 rose, green in both panes; day 29 fell, red.
  QCoreApplication::processEvents();
  for (const char* pane : {"viewPrice", "viewVolume"}) {
    auto* view = child<QChartView>(chart, pane);
    const QImage drawn = view->grab().toImage();
    auto hue_of_day = [&](int i) {
      QCandlestickSet* set = view->chart()->series().first() == candles ? candles->sets()[i] : volume[i];
      return drawn.pixelColor(view->chart()->mapToPosition({double(i), (set->open() + set->close()) / 2}).toPoint()).hue();
    };
    QVERIFY2(hue_of_day(28) >= 90 && hue_of_day(28) <= 180, pane);
    QVERIFY2(hue_of_day(29) <= 20 || hue_of_day(29) >= 340, pane);
  }
  const QString values = child<QLabel>(chart, "lblChartValues")->text();  // the last day's
  for (const char* part : {"Fri 09/02/2024", "Open <b>129.00</b>", "High <b>132.00</b>", "Low <b>127.00</b>",
                           "Close <b>128.00</b>", "Volume <b>30,000</b>", "-0.78%"})
    QVERIFY2(values.contains(QLatin1String(part)), qPrintable(values));

  child<QDateEdit>(chart, "dtChartFrom")->setDate(day(20));
  QCOMPARE(candles->count(), 10);
  QVERIFY(is_day(candles->sets().first(), 20, 0));
  QVERIFY(chart.status().startsWith(QStringLiteral("ABC: 10 days shown, 29/01/2024 to 09/02/2024; "
                                                   "30 days stored, 01/01/2024 to 09/02/2024")));
  form.reset();  // the chart closed: no longer told
  std::thread([&] { server.refresh_all(); }).join();
  QCoreApplication::sendPostedEvents();
}

// Zoomed into 400 days and panned: the series hold the right days around the
// view only (all of them made every step of a pan slow), both panes the same.
void ChartWindowTest::zoomedAndPannedTheSeriesHoldTheDaysInView() {
  TempDir dir;
  const std::string db = dir.sub("db");
  EodServer server;
  import_days(server, db, 0, 400);
  ChartWindow chart(db);
  chart.set_range(day(0), QDate());  // all 400 days, not the last year only
  QVERIFY(chart.show_symbol(QStringLiteral("ABC")));
  chart.show();
  QCoreApplication::processEvents();
  QWidget* area = child<QChartView>(chart, "viewPrice")->viewport();
  const QPoint at = child<QChartView>(chart, "viewPrice")->chart()->plotArea().center().toPoint();
  auto* days = child<QValueAxis>(chart, "axisPriceDays");
  auto* candles = child<QCandlestickSeries>(chart, "seriesCandles");
  auto holds_the_view = [&] {
    QVERIFY(days->max() - days->min() < 20 && candles->count() < 100);
    QVERIFY(candles->sets().first()->timestamp() <= days->min());
    QVERIFY(candles->sets().last()->timestamp() >= days->max());
    for (QCandlestickSet* set : {candles->sets().first(), candles->sets().last()})
      QVERIFY(is_day(set, int(set->timestamp()), int(set->timestamp())));
    QCOMPARE(child<QValueAxis>(chart, "axisVolumeDays")->min(), days->min());
  };
  QWheelEvent wheel(at, area->mapToGlobal(at), {}, {0, 20 * 120}, Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(area, &wheel);
  holds_the_view();
  const double zoomed_min = days->min();
  QTest::mousePress(area, Qt::LeftButton, {}, at);  // drags to earlier days
  QTest::mouseMove(area, at + QPoint(200, 0));
  QTest::mouseRelease(area, Qt::LeftButton, {}, at + QPoint(200, 0));
  QVERIFY(days->min() < zoomed_min);
  holds_the_view();
  QVERIFY(!child<QChartView>(chart, "viewOpenInterest")->isVisible());  // ABC has none
}

// A future's open interest: a line pane under the volume, which leaves the
// dates to it; the day's values name it.
void ChartWindowTest::openInterestIsALineUnderTheVolume() {
  TempDir dir;
  const std::string db = dir.sub("db");
  EodServer server;
  write_text(dir.path() + "/fo_DX.txt", "NIFTY-I,20240930,26399,26401.4,26086,26123.8,26876,1102750\r\n"
                                        "NIFTY-I,20241001,26100,26200,26000,26150,20000,1150000\r\n");
  SqliteBroker broker(server);
  QVERIFY(broker.LoadDatabase(db));
  broker.Import(0, dir.path() + "/fo_DX.txt", kEodImportFormat);
  broker.SaveDataBase();
  ChartWindow chart(db);
  QVERIFY(chart.show_symbol(QStringLiteral("NIFTY-I")));
  chart.show();
  QCoreApplication::processEvents();
  QVERIFY(child<QChartView>(chart, "viewOpenInterest")->isVisible());
  const auto points = child<QLineSeries>(chart, "seriesOpenInterest")->points();
  QCOMPARE(points, (QList<QPointF>{{0, 1102750}, {1, 1150000}}));
  QVERIFY(!child<QCategoryAxis>(chart, "axisDates")->labelsVisible());
  QVERIFY(child<QCategoryAxis>(chart, "axisOpenInterestDates")->labelsVisible());
  QVERIFY2(child<QLabel>(chart, "lblChartValues")->text().contains(QLatin1String("OI <b>1,150,000</b>")),
           qPrintable(child<QLabel>(chart, "lblChartValues")->text()));
}

QTEST_MAIN(ChartWindowTest)
#include "chart_window_test.moc"
