// The chart window as the user meets it: real widgets and chart series found
// by objectName, a real SQLite database in a temporary folder filled through
// the import Update uses. Runs under QT_QPA_PLATFORM=offscreen.
#include <QCandlestickSeries>
#include <QCandlestickSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCompleter>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QValueAxis>
#include <QtTest>
#include <thread>

#include "chartdb/eod_server.h"
#include "fakes.h"
#include "qt/chart_window.h"
#include "qt/main_form.h"

using namespace quillon;
using namespace quillon::testing;

namespace {

// A widget of the window, or a series or axis of one of its charts.
template <class T>
T* child(QObject& w, const char* name) {
  const QString wanted = QString::fromLatin1(name);
  if (T* c = w.findChild<T*>(wanted)) return c;
  QObjectList parts;
  for (QChartView* view : w.findChildren<QChartView*>()) {
    for (QAbstractSeries* series : view->chart()->series()) parts.append(series);
    for (QAbstractAxis* axis : view->chart()->axes()) parts.append(axis);
  }
  for (QObject* part : parts)
    if (part->objectName() == wanted)
      if (T* c = qobject_cast<T*>(part)) return c;
  qFatal("no child %s", name);
}

// Day i of the test series: weekdays from Monday 1 January 2024; every third
// day falls.
QDate day(int i) { return QDate(2024, 1, 1).addDays(i / 5 * 7 + i % 5); }
Quote quote(int i) {
  const double open = 100 + i;
  return {"ABC", day(i).year() * 10000 + day(i).month() * 100 + day(i).day(), open, open + 3,
          open - 2, i % 3 == 2 ? open - 1 : open + 1, 1000.0 * (i + 1)};
}

// Imports days [from, to) of ABC, and one quote of XYZ, as Update does.
void import_days(SqliteBroker& broker, const std::string& folder, int from, int to) {
  std::string text = "XYZ,20240102,5,6,4,5,50\r\n";
  for (int i = from; i < to; ++i) {
    const Quote q = quote(i);
    text += "ABC," + std::to_string(q.date) + "," + std::to_string(q.open) + "," +
            std::to_string(q.high) + "," + std::to_string(q.low) + "," +
            std::to_string(q.close) + "," + std::to_string(q.volume) + "\r\n";
  }
  const std::string file = folder + "/../days_DX.txt";
  write_text(file, text);
  if (!broker.LoadDatabase(folder)) qFatal("no database folder");
  broker.Import(0, file, kEodImportFormat);
  broker.SaveDataBase();
  broker.RefreshAll();
}

// The candle of day i, the `place`th shown.
void compare_set(QCandlestickSet* set, int i, int place) {
  const Quote q = quote(i);
  QCOMPARE(set->timestamp(), double(place));
  QCOMPARE(set->open(), q.open);
  QCOMPARE(set->high(), q.high);
  QCOMPARE(set->low(), q.low);
  QCOMPARE(set->close(), q.close);
}

}  // namespace

class ChartWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }
  void chartButtonShowsASymbolOfTheAmiPathDatabase();
  void mouseZoomsPansAndShowsTheDayUnderThePointer();
  void reloadsAfterRefreshAllFromTheUpdateThread();
};

void ChartWindowTest::chartButtonShowsASymbolOfTheAmiPathDatabase() {
  TempDir dir;
  const std::string db = dir.sub("db");
  {
    EodServer importer;
    SqliteBroker broker(importer);
    import_days(broker, db, 0, 30);
  }
  write_text(dir.path() + "/QM.INI", "[QN_EOD]\r\nAmiPath=" + db + "\r\n");
  FakeMessageBox messages;
  FakeProgramFolder program;
  RecordingFetcher fetcher;
  NoBrokers brokers;
  EodServer server;  // nothing open yet: the chart takes AmiPath
  MainFormOptions options;
  options.settings_file = dir.path() + "/QM.INI";
  options.messages = &messages;
  options.program_folder = &program;
  options.chart_server = &server;
  MainForm form(fetcher, brokers, options);
  child<QLineEdit>(form, "txtScrip")->setText(QStringLiteral("abc"));
  QTest::mouseClick(child<QPushButton>(form, "cmdChart"), Qt::LeftButton);

  auto& chart = *child<ChartWindow>(form, "frmChart");
  auto* candles = child<QCandlestickSeries>(chart, "seriesCandles");
  QCOMPARE(child<QLineEdit>(chart, "txtChartSymbol")->text(), QStringLiteral("ABC"));
  QCOMPARE(candles->count(), 30);
  compare_set(candles->sets().first(), 0, 0);
  compare_set(candles->sets().last(), 29, 29);
  // Volume as a bar from 0; as drawn, a day that rose is green in both panes
  // (day 28), one that fell red (day 29).
  const auto volume = child<QCandlestickSeries>(chart, "seriesVolume")->sets();
  QCOMPARE(volume.size(), 30);
  QCOMPARE(qMin(volume[29]->open(), volume[29]->close()), 0.0);
  QCOMPARE(qMax(volume[29]->open(), volume[29]->close()), 30000.0);
  QCoreApplication::processEvents();
  for (const char* pane : {"viewPrice", "viewVolume"}) {
    auto* view = child<QChartView>(chart, pane);
    const QImage drawn = view->grab().toImage();
    auto hue_of_day = [&](int i) {
      QCandlestickSet* set = view->chart()->series().first() == candles ? candles->sets()[i]
                                                                        : volume[i];
      const QPointF middle(i, (set->open() + set->close()) / 2);
      return drawn.pixelColor(view->chart()->mapToPosition(middle).toPoint()).hue();
    };
    QVERIFY2(hue_of_day(28) >= 90 && hue_of_day(28) <= 180, pane);
    QVERIFY2(hue_of_day(29) <= 20 || hue_of_day(29) >= 340, pane);
  }
  // The last day's values until the pointer is over a day.
  const QString values = child<QLabel>(chart, "lblChartValues")->text();
  for (const char* part : {"Fri 09/02/2024", "Open <b>129.00</b>", "High <b>132.00</b>",
                           "Low <b>127.00</b>", "Close <b>128.00</b>", "Volume <b>30,000</b>",
                           "-0.78%"})
    QVERIFY2(values.contains(QLatin1String(part)), qPrintable(values));
  QCOMPARE(child<QLineEdit>(chart, "txtChartSymbol")->completer()->model()->rowCount(), 2);

  child<QDateEdit>(chart, "dtChartFrom")->setDate(day(20));
  QCOMPARE(candles->count(), 10);
  compare_set(candles->sets().first(), 20, 0);
  QVERIFY(chart.status().startsWith(QStringLiteral("ABC: 10 days shown, 29/01/2024 to 09/02/2024; "
                                                   "30 days stored, 01/01/2024 to 09/02/2024")));

  child<QLineEdit>(chart, "txtChartSymbol")->setText(QStringLiteral("NOPE"));
  QTest::keyClick(child<QLineEdit>(chart, "txtChartSymbol"), Qt::Key_Return);
  QCOMPARE(candles->count(), 0);
  QCOMPARE(chart.status(),
           QString::fromStdString("No quotes of 'NOPE' in the chart database in '" + db + "'."));
}

void ChartWindowTest::mouseZoomsPansAndShowsTheDayUnderThePointer() {
  TempDir dir;
  const std::string db = dir.sub("db");
  EodServer server;
  SqliteBroker broker(server);
  import_days(broker, db, 0, 400);
  ChartWindow chart(db);
  chart.set_range(day(0), QDate());  // all 400 days, not the last year only
  QVERIFY(chart.show_symbol(QStringLiteral("ABC")));
  chart.show();
  QCoreApplication::processEvents();
  auto* view = child<QChartView>(chart, "viewPrice");
  QWidget* area = view->viewport();
  auto* days = child<QValueAxis>(chart, "axisPriceDays");
  auto* volume_days = child<QValueAxis>(chart, "axisVolumeDays");
  auto* dates = child<QCategoryAxis>(chart, "axisDates");
  auto* candles = child<QCandlestickSeries>(chart, "seriesCandles");
  QChart* price = view->chart();
  QChart* volume = child<QChartView>(chart, "viewVolume")->chart();
  const double full_min = days->min(), full_max = days->max();
  // Each day at the same place in both panes; the candles in the series
  // (those near the view) cover the view and are the right days.
  auto in_step = [&] {
    for (QValueAxis* axis : {static_cast<QValueAxis*>(dates), volume_days}) {
      QCOMPARE(axis->min(), days->min());
      QCOMPARE(axis->max(), days->max());
    }
    QVERIFY(candles->sets().first()->timestamp() <= qMax(0.0, days->min()));
    QVERIFY(candles->sets().last()->timestamp() >= qMin(399.0, days->max()));
    for (QCandlestickSet* set : {candles->sets().first(), candles->sets().last()})
      compare_set(set, int(set->timestamp()), int(set->timestamp()));
    QCOMPARE(volume->plotArea().left(), price->plotArea().left());
    QCOMPARE(volume->plotArea().right(), price->plotArea().right());
  };
  in_step();

  const QPoint middle = price->plotArea().center().toPoint();
  const double day_at_middle = price->mapToValue(middle).x();
  QWheelEvent wheel(middle, area->mapToGlobal(middle), QPoint(), QPoint(0, 20 * 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(area, &wheel);
  QVERIFY(days->max() - days->min() < 0.05 * (full_max - full_min));
  QVERIFY(candles->count() < 100);
  QVERIFY(qAbs(price->mapToValue(middle).x() - day_at_middle) < 0.01);  // zoomed about the pointer
  in_step();

  const double zoomed_min = days->min();
  const QPoint left = price->plotArea().topLeft().toPoint() + QPoint(10, 10);
  for (int drag = 0; drag < 40 && days->min() > full_min; ++drag) {  // earlier days
    QTest::mousePress(area, Qt::LeftButton, {}, left);
    QTest::mouseMove(area, left + QPoint(int(price->plotArea().width()) - 20, 0));
    QTest::mouseRelease(area, Qt::LeftButton, {}, left + QPoint(int(price->plotArea().width()) - 20, 0));
    QVERIFY(days->min() < zoomed_min);
    in_step();
  }
  QCOMPARE(days->min(), full_min);

  QTest::mouseClick(child<QPushButton>(chart, "cmdChartReset"), Qt::LeftButton);
  QCOMPARE(days->min(), full_min);
  QCOMPARE(days->max(), full_max);
  QCOMPARE(candles->count(), 400);

  QTest::mouseMove(area, price->mapToPosition(QPointF(14, 110)).toPoint());
  const QString values = child<QLabel>(chart, "lblChartValues")->text();
  QVERIFY2(values.contains(QLatin1String("Fri 19/01/2024")) &&
               values.contains(QLatin1String("Close <b>113.00</b>")),
           qPrintable(values));
}

void ChartWindowTest::reloadsAfterRefreshAllFromTheUpdateThread() {
  TempDir dir;
  const std::string db = dir.sub("db");
  EodServer server;
  auto chart = std::make_unique<ChartWindow>(db, &server);
  QSignalSpy loaded(chart.get(), &ChartWindow::loaded);
  QVERIFY(!chart->show_symbol(QStringLiteral("ABC")));
  QCOMPARE(chart->status(), QString::fromStdString("There is no chart database in '" + db +
                                                   "' yet: Update makes it."));
  QCOMPARE(folder_names(db), std::vector<std::string>{});  // looking creates nothing

  auto update = [&](int from, int to) {
    std::thread worker([&] {
      SqliteBroker broker(server);
      import_days(broker, db, from, to);
      broker.RefreshAll();  // once more: one reload serves both
    });
    worker.join();
    loaded.clear();
    QCoreApplication::sendPostedEvents();
    QCOMPARE(loaded.count(), 1);
  };
  auto* candles = child<QCandlestickSeries>(*chart, "seriesCandles");
  update(0, 30);
  QCOMPARE(candles->count(), 30);
  update(30, 40);
  QCOMPARE(candles->count(), 40);
  compare_set(candles->sets().first(), 0, 0);
  compare_set(candles->sets().last(), 39, 39);
  QVERIFY(chart->status().startsWith(QStringLiteral("ABC: 40 days shown")));

  chart.reset();  // closed: no longer told
  std::thread([&] { server.refresh_all(); }).join();
  QCoreApplication::sendPostedEvents();
}

QTEST_MAIN(ChartWindowTest)
#include "chart_window_test.moc"
