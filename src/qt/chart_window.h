// The chart window: one symbol's daily quotes from the chart database as
// candlesticks over a volume pane, with the values of the day under the
// mouse pointer. The mouse wheel zooms, dragging pans, a double click or the
// Reset button shows the whole range again.
//
// The window reads the database through a connection of its own, opened for
// reading on the UI thread (the importer's connection belongs to the thread
// that runs Update; WAL lets both work at once). Each RefreshAll of the
// server makes the window reload, whichever thread calls it.
#pragma once

#include <QDate>
#include <QWidget>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chartdb/eod_database.h"

class QCandlestickSeries;
class QCategoryAxis;
class QChart;
class QCompleter;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QStringListModel;
class QValueAxis;
class QLineSeries;
class QGraphicsLineItem;

namespace quillon {

class ChartView;
class EodServer;

class ChartWindow final : public QWidget {
  Q_OBJECT
 public:
  // Shows quotes of the database in `folder`, which is opened for reading
  // only (nothing is created). With a server, the window reloads after each
  // of its RefreshAll calls, following it to the database it has open.
  explicit ChartWindow(std::string folder, EodServer* server = nullptr,
                       QWidget* parent = nullptr);
  ~ChartWindow() override;

  // Loads the quotes of `symbol`: the stored symbol of that name, else the
  // one name differing from it in letter case only. Returns false, saying
  // why in the status line, when there is no database or no such symbol.
  bool show_symbol(const QString& symbol);
  // The range of days shown. A null end is the last stored day; a null
  // start is a year before the end.
  void set_range(const QDate& from, const QDate& to);
  // Opens the database again if needed and shows what it now holds.
  void reload();

  // The status line: what is shown, or why nothing is.
  QString status() const;

 signals:
  // Emitted after every load or reload, whether it found quotes or not.
  void loaded();

 private:
  struct Range {
    double lo = 0, hi = 1;
  };

  void build();
  bool open_database();
  void show_problem(const QString& text);
  void apply_range();
  void fill_series(size_t lo, size_t hi);
  Range full_view() const;
  void set_view(Range view);
  void zoom(double at, double steps);
  void pan(double pixels, double plot_width);
  void hover(std::optional<double> at);
  void update_values();
  void update_crosshair();
  void label_dates(Range view);
  void align_plot_areas();
  void refreshed();

  std::string folder_;
  EodServer* server_;
  int listener_ = 0;
  std::atomic<bool> refresh_pending_{false};
  std::unique_ptr<EodDatabase> database_;

  std::string symbol_;          // as stored
  std::vector<Quote> quotes_;   // every stored quote of the symbol
  size_t first_ = 0, count_ = 0;  // the days shown: quotes_[first_, first_ + count_)
  // The days in the series, around those in view: thousands of chart items
  // would make every step of a pan slow to draw.
  size_t loaded_lo_ = 0, loaded_hi_ = 0;
  QDate from_, to_;             // as the user set them; null: follow the data
  Range view_;
  std::optional<size_t> hovered_;  // index among the days shown

  // Widgets and chart parts, owned by the window and its charts.
  QLineEdit* symbol_box_{};
  QStringListModel* symbol_list_{};
  QCompleter* completer_{};
  QDateEdit *from_box_{}, *to_box_{};
  QPushButton *show_button_{}, *reset_button_{};
  QLabel *values_{}, *status_{};
  QChart *price_chart_{}, *volume_chart_{};
  ChartView *price_view_{}, *volume_view_{};
  QCandlestickSeries *candles_{}, *volume_{};  // a day's volume: a body from 0 up
  QCategoryAxis *price_dates_{}, *volume_dates_{};
  QValueAxis *price_days_{}, *volume_days_{}, *price_axis_{}, *volume_axis_{};
  QGraphicsLineItem *price_cross_{}, *volume_cross_{};
  // Open interest, shown when the symbol has any.
  bool has_oi_ = false;
  QChart* oi_chart_{};
  ChartView* oi_view_{};
  QLineSeries* oi_{};
  QCategoryAxis* oi_dates_{};
  QValueAxis *oi_days_{}, *oi_axis_{};
  QGraphicsLineItem* oi_cross_{};
};

}  // namespace quillon
