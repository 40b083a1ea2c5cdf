#include "qt/chart_window.h"

#include <QCandlestickSeries>
#include <QCandlestickSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCompleter>
#include <QDateEdit>
#include <QFileInfo>
#include <QGraphicsLineItem>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPushButton>
#include <QSet>
#include <QSignalBlocker>
#include <QStringListModel>
#include <QValueAxis>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <exception>
#include <functional>

#include "chartdb/eod_server.h"
#include "qt/small_widgets.h"

namespace quillon {

namespace {

QDate to_qdate(int32_t yyyymmdd) {
  return QDate(yyyymmdd / 10000, yyyymmdd / 100 % 100, yyyymmdd % 100);
}
int32_t to_yyyymmdd(const QDate& d) { return d.year() * 10000 + d.month() * 100 + d.day(); }

const QColor kUp(0x1b, 0x8a, 0x5a), kDown(0xd2, 0x3c, 0x3c);
constexpr int kLeftMargin = 8, kTopMargin = 8;
constexpr double kZoomStep = 0.85;  // the visible span per wheel notch
constexpr double kMinDays = 8;      // the narrowest zoom

// A price with two decimals, or more when the stored value has more.
QString price_text(const QLocale& l, double v) {
  const QString shortest = l.toString(v, 'f', QLocale::FloatingPointShortest);
  const qsizetype point = shortest.indexOf(l.decimalPoint());
  if (point >= 0 && shortest.size() - point - l.decimalPoint().size() > 2) return shortest;
  return l.toString(v, 'f', 2);
}

QString volume_text(const QLocale& l, double v) {
  return l.toString(v, 'f', QLocale::FloatingPointShortest);
}

QString days_text(const QLocale& l, size_t n) {
  return l.toString(static_cast<qulonglong>(n)) +
         (n == 1 ? QStringLiteral(" day") : QStringLiteral(" days"));
}

// The region's short date form with the year in four digits.
QString date_pattern(const QLocale& l) {
  QString pattern = l.dateFormat(QLocale::ShortFormat);
  if (!pattern.contains(QStringLiteral("yyyy")))
    pattern.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
  return pattern;
}

QString date_text(const QLocale& l, const QDate& d) { return l.toString(d, date_pattern(l)); }

// The round tick interval (1, 2, 2.5 or 5 times a power of ten) nearest to
// giving `ticks` intervals over `span`.
double nice_step(double span, int ticks) {
  if (!(span > 0)) return 1;
  const double raw = span / ticks;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  double best = power;
  for (double m : {1.0, 2.0, 2.5, 5.0, 10.0})
    if (std::abs(std::log(m * power / raw)) < std::abs(std::log(best / raw))) best = m * power;
  return best;
}

// The decimals a tick interval needs (0.25: 2).
int decimals_of(double step) {
  for (int d = 0; d < 8; ++d) {
    const double scaled = step * std::pow(10.0, d);
    if (std::abs(scaled - std::round(scaled)) < 1e-6 * scaled) return d;
  }
  return 8;
}

void set_ticks(QValueAxis* axis, double lo, double hi, int intervals) {
  const double step = nice_step(hi - lo, intervals);
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(0);
  // The axis lays out its ticks after each change: in between, the old
  // range with the new interval or the other way round must not mean
  // thousands of ticks.
  if (step < axis->tickInterval()) {
    axis->setRange(lo, hi);
    axis->setTickInterval(step);
  } else {
    axis->setTickInterval(step);
    axis->setRange(lo, hi);
  }
  axis->setLabelFormat(QStringLiteral("%.") + QString::number(decimals_of(step)) +
                       QStringLiteral("f"));
}

QString tick_text(const QLocale& l, const QValueAxis* axis, double v) {
  return l.toString(v, 'f', decimals_of(axis->tickInterval()));
}

}  // namespace

// A chart that reports the mouse to the window: the wheel zooms, dragging
// pans, a double click resets, moving shows the day under the pointer. The
// plot area keeps the margins the window sets, so that the price and volume
// panes line up day for day.
class ChartView final : public QChartView {
 public:
  struct Hooks {
    std::function<void(double at, double steps)> zoom;
    std::function<void(double pixels, double plot_width)> pan;
    std::function<void(std::optional<double> at)> hover;
    std::function<void()> reset;
    std::function<void()> resized;
  };

  ChartView(QChart* chart, Hooks hooks) : QChartView(chart), hooks_(std::move(hooks)) {
    setRenderHint(QPainter::Antialiasing, false);
    viewport()->setMouseTracking(true);  // the day under the pointer without a button
  }

  void set_margins(const QMargins& margins) {
    if (margins == margins_) return;
    margins_ = margins;
    place_plot_area();
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QChartView::resizeEvent(event);
    place_plot_area();
    hooks_.resized();
  }
  void wheelEvent(QWheelEvent* event) override {
    hooks_.zoom(value_at(event->position()), event->angleDelta().y() / 120.0);
    event->accept();
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return QChartView::mousePressEvent(event);
    dragging_ = true;
    drag_x_ = event->position().x();
    viewport()->setCursor(Qt::ClosedHandCursor);
    event->accept();
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (dragging_) {
      hooks_.pan(event->position().x() - drag_x_, chart()->plotArea().width());
      drag_x_ = event->position().x();
    }
    const QPointF p = event->position();
    if (chart()->plotArea().contains(p)) hooks_.hover(value_at(p));
    else hooks_.hover(std::nullopt);
    event->accept();
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return QChartView::mouseReleaseEvent(event);
    dragging_ = false;
    viewport()->unsetCursor();
    event->accept();
  }
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    hooks_.reset();
    event->accept();
  }
  void leaveEvent(QEvent* event) override {
    hooks_.hover(std::nullopt);
    QChartView::leaveEvent(event);
  }

 private:
  double value_at(const QPointF& position) {
    return chart()->mapToValue(chart()->mapFromScene(mapToScene(position.toPoint()))).x();
  }
  void place_plot_area() {
    const QRectF area = QRectF(QPointF(0, 0), chart()->size()).marginsRemoved(QMarginsF(margins_));
    if (area.width() > 10 && area.height() > 10) chart()->setPlotArea(area);
  }

  Hooks hooks_;
  QMargins margins_;
  bool dragging_ = false;
  double drag_x_ = 0;
};

ChartWindow::ChartWindow(std::string folder, EodServer* server, QWidget* parent)
    : QWidget(parent), folder_(std::move(folder)), server_(server) {
  setObjectName(QStringLiteral("frmChart"));
  setWindowTitle(QStringLiteral("Quillon chart"));
  build();
  if (server_) {
    // Called on the thread that runs Update: the reload is queued to the
    // window's thread, and one queued reload covers the calls meanwhile.
    listener_ = server_->add_refresh_listener([this](const std::string&) {
      if (!refresh_pending_.exchange(true))
        QMetaObject::invokeMethod(this, [this] { refreshed(); }, Qt::QueuedConnection);
    });
  }
  resize(1000, 640);
  show_problem(QString());
}

ChartWindow::~ChartWindow() {
  if (server_) server_->remove_refresh_listener(listener_);
}

void ChartWindow::build() {
  symbol_box_ = named(new QLineEdit, "txtChartSymbol");
  symbol_box_->setPlaceholderText(QStringLiteral("symbol"));
  symbol_box_->setMaximumWidth(symbol_box_->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 14);
  symbol_list_ = new QStringListModel(this);
  completer_ = new QCompleter(symbol_list_, this);
  completer_->setCaseSensitivity(Qt::CaseInsensitive);
  completer_->setFilterMode(Qt::MatchContains);
  symbol_box_->setCompleter(completer_);

  const QString pattern = date_pattern(QLocale());
  from_box_ = named(new QDateEdit, "dtChartFrom");
  to_box_ = named(new QDateEdit, "dtChartTo");
  for (QDateEdit* box : {from_box_, to_box_}) {
    box->setDisplayFormat(pattern);
    box->setCalendarPopup(true);
    box->setKeyboardTracking(false);  // a change when a whole date is typed
  }
  show_button_ = named(new QPushButton(QStringLiteral("&Show")), "cmdChartShow");
  reset_button_ = named(new QPushButton(QStringLiteral("&Reset zoom")), "cmdChartReset");
  reset_button_->setToolTip(
      QStringLiteral("Show the whole range again (the wheel zooms, dragging pans, "
                     "a double click resets too)"));

  auto* controls = new QHBoxLayout;
  controls->addWidget(new QLabel(QStringLiteral("Symbol:")));
  controls->addWidget(symbol_box_);
  controls->addSpacing(8);
  controls->addWidget(new QLabel(QStringLiteral("From:")));
  controls->addWidget(from_box_);
  controls->addWidget(new QLabel(QStringLiteral("To:")));
  controls->addWidget(to_box_);
  controls->addWidget(show_button_);
  controls->addStretch(1);
  controls->addWidget(reset_button_);

  values_ = named(new QLabel, "lblChartValues");
  values_->setTextFormat(Qt::RichText);
  values_->setMinimumHeight(values_->fontMetrics().lineSpacing() + 4);
  status_ = named(new QLabel, "lblChartStatus");
  status_->setTextFormat(Qt::PlainText);
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  // The price pane: candlesticks, dates below (labels on the volume pane
  // only), prices on the right.
  const QLocale locale;
  auto make_chart = [&](const char* name) {
    auto* chart = named(new QChart, name);
    chart->legend()->hide();
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins());
    chart->setLocalizeNumbers(true);
    chart->setLocale(locale);
    return chart;
  };
  // Each pane: candlesticks placed by the day's number among those shown
  // on a hidden axis (they take no category axis), a date axis for the grid
  // (and on the volume pane the labels) and the values on the right.
  auto make_pane = [&](const char* chart_name, const char* series_name, const char* days_name,
                       const char* dates_name, const char* values_name, QCandlestickSeries*& series,
                       QValueAxis*& days, QCategoryAxis*& dates, QValueAxis*& values) {
    QChart* chart = make_chart(chart_name);
    series = named(new QCandlestickSeries, series_name);
    series->setBodyWidth(0.7);
    series->setCapsVisible(false);
    series->setMinimumColumnWidth(1);
    chart->addSeries(series);
    days = named(new QValueAxis, days_name);
    days->setVisible(false);
    dates = named(new QCategoryAxis, dates_name);
    dates->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    values = named(new QValueAxis, values_name);
    chart->addAxis(days, Qt::AlignBottom);
    chart->addAxis(dates, Qt::AlignBottom);
    chart->addAxis(values, Qt::AlignRight);
    series->attachAxis(days);
    series->attachAxis(values);
    return chart;
  };
  price_chart_ = make_pane("chartPrice", "seriesCandles", "axisPriceDays", "axisPriceDates",
                           "axisPrice", candles_, price_days_, price_dates_, price_axis_);
  price_dates_->setLabelsVisible(false);
  volume_chart_ = make_pane("chartVolume", "seriesVolume", "axisVolumeDays", "axisDates",
                            "axisVolume", volume_, volume_days_, volume_dates_, volume_axis_);
  // Days that rose green, days that fell (or stayed) red.
  candles_->setIncreasingColor(kUp);
  candles_->setDecreasingColor(kDown);
  volume_->setIncreasingColor(kUp.lighter(130));
  volume_->setDecreasingColor(kDown.lighter(130));
  volume_->setPen(Qt::NoPen);
  // Open interest, when the symbol has any: a line under the volume, which
  // then leaves the dates to it.
  oi_chart_ = make_chart("chartOpenInterest");
  oi_ = named(new QLineSeries, "seriesOpenInterest");
  oi_->setPen(QPen(QColor(0x30, 0x60, 0xb0), 1.5));
  oi_chart_->addSeries(oi_);
  oi_days_ = named(new QValueAxis, "axisOpenInterestDays");
  oi_days_->setVisible(false);
  oi_dates_ = named(new QCategoryAxis, "axisOpenInterestDates");
  oi_dates_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  oi_axis_ = named(new QValueAxis, "axisOpenInterest");
  oi_chart_->addAxis(oi_days_, Qt::AlignBottom);
  oi_chart_->addAxis(oi_dates_, Qt::AlignBottom);
  oi_chart_->addAxis(oi_axis_, Qt::AlignRight);
  oi_->attachAxis(oi_days_);
  oi_->attachAxis(oi_axis_);

  // The day under the pointer, in both panes.
  QPen cross(QColor(0x60, 0x60, 0x60), 0, Qt::DashLine);
  price_cross_ = new QGraphicsLineItem(price_chart_);
  volume_cross_ = new QGraphicsLineItem(volume_chart_);
  oi_cross_ = new QGraphicsLineItem(oi_chart_);
  for (QGraphicsLineItem* line : {price_cross_, volume_cross_, oi_cross_}) {
    line->setPen(cross);
    line->setZValue(100);
    line->hide();
  }

  ChartView::Hooks hooks{
      [this](double at, double steps) { zoom(at, steps); },
      [this](double pixels, double width) { pan(pixels, width); },
      [this](std::optional<double> at) { hover(at); },
      [this] { set_view(full_view()); },
      [this] { set_view(view_); },
  };
  price_view_ = named(new ChartView(price_chart_, hooks), "viewPrice");
  volume_view_ = named(new ChartView(volume_chart_, hooks), "viewVolume");
  oi_view_ = named(new ChartView(oi_chart_, hooks), "viewOpenInterest");
  oi_view_->hide();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(4);
  layout->addLayout(controls);
  layout->addWidget(values_);
  layout->addWidget(price_view_, 3);
  layout->addWidget(volume_view_, 1);
  layout->addWidget(oi_view_, 1);
  layout->addWidget(status_);

  auto show_typed = [this] { show_symbol(symbol_box_->text()); };
  connect(symbol_box_, &QLineEdit::returnPressed, this, show_typed);
  connect(completer_, qOverload<const QString&>(&QCompleter::activated), this,
          [this](const QString& symbol) { show_symbol(symbol); });
  connect(show_button_, &QPushButton::clicked, this, show_typed);
  connect(reset_button_, &QPushButton::clicked, this, [this] { set_view(full_view()); });
  connect(from_box_, &QDateEdit::dateChanged, this, [this](QDate d) {
    from_ = d;
    apply_range();
  });
  connect(to_box_, &QDateEdit::dateChanged, this, [this](QDate d) {
    to_ = d;
    apply_range();
  });
}

QString ChartWindow::status() const { return status_->text(); }

bool ChartWindow::open_database() {
  if (database_) return true;
  const QString folder = qs(folder_);
  if (folder_.empty()) {
    show_problem(QStringLiteral(
        "No chart database folder is set: AmiPath in the settings file is empty."));
    return false;
  }
  try {
    database_ = EodDatabase::open(folder_, EodDatabase::Access::Read);
  } catch (const std::exception& e) {
    show_problem(QString::fromUtf8(e.what()));
    return false;
  }
  if (database_) return true;
  if (QFileInfo(folder).isDir())
    show_problem(QStringLiteral("There is no chart database in '%1' yet: Update makes it.")
                     .arg(folder));
  else
    show_problem(QStringLiteral("The chart database folder '%1' does not exist.").arg(folder));
  return false;
}

void ChartWindow::show_problem(const QString& text) {
  symbol_.clear();
  quotes_.clear();
  setWindowTitle(QStringLiteral("Quillon chart"));
  apply_range();
  status_->setText(text);
}

bool ChartWindow::show_symbol(const QString& typed) {
  const std::string wanted = typed.trimmed().toStdString();
  if (symbol_box_->text() != qs(wanted)) symbol_box_->setText(qs(wanted));
  if (!open_database()) {
    emit loaded();
    return false;
  }
  try {
    const std::vector<std::string> symbols = database_->symbols();
    QStringList list;
    list.reserve(static_cast<qsizetype>(symbols.size()));
    for (const std::string& s : symbols) list.append(qs(s));
    if (symbol_list_->stringList() != list) symbol_list_->setStringList(list);

    std::string found;
    if (std::binary_search(symbols.begin(), symbols.end(), wanted)) {
      found = wanted;
    } else {
      for (const std::string& s : symbols)
        if (!wanted.empty() && QString::compare(qs(s), qs(wanted), Qt::CaseInsensitive) == 0) {
          found = s;
          break;
        }
    }
    if (wanted.empty() || found.empty()) {
      show_problem(wanted.empty()
                       ? QStringLiteral("Type a symbol: %1 symbols are stored in '%2'.")
                             .arg(QLocale().toString(static_cast<qulonglong>(symbols.size())),
                                  qs(folder_))
                       : QStringLiteral("No quotes of '%1' in the chart database in '%2'.")
                             .arg(qs(wanted), qs(folder_)));
      emit loaded();
      return false;
    }
    quotes_ = database_->quotes(found);
    symbol_ = found;
    has_oi_ = std::any_of(quotes_.begin(), quotes_.end(), [](const Quote& q) { return q.oi != 0; });
    oi_view_->setVisible(has_oi_);
    volume_dates_->setLabelsVisible(!has_oi_);
  } catch (const std::exception& e) {
    database_.reset();  // opened afresh next time
    show_problem(QString::fromUtf8(e.what()));
    emit loaded();
    return false;
  }
  if (symbol_box_->text() != qs(symbol_)) symbol_box_->setText(qs(symbol_));
  setWindowTitle(QStringLiteral("Quillon chart: ") + qs(symbol_));
  apply_range();
  emit loaded();
  return true;
}

void ChartWindow::set_range(const QDate& from, const QDate& to) {
  from_ = from;
  to_ = to;
  apply_range();
}

void ChartWindow::reload() {
  show_symbol(symbol_.empty() ? symbol_box_->text() : qs(symbol_));
}

void ChartWindow::refreshed() {
  refresh_pending_ = false;
  const std::string folder = server_->database_folder();
  if (!folder.empty() && folder != folder_) {
    folder_ = folder;
    database_.reset();
  }
  reload();
}

void ChartWindow::apply_range() {
  const QLocale l;
  QDate from = from_, to = to_;
  if (!quotes_.empty()) {
    if (!to.isValid()) to = to_qdate(quotes_.back().date);
    if (!from.isValid()) from = to.addYears(-1).addDays(1);
    const auto by_date = [](const Quote& q, int32_t d) { return q.date < d; };
    const auto begin =
        std::lower_bound(quotes_.begin(), quotes_.end(), to_yyyymmdd(from), by_date);
    const auto end =
        std::lower_bound(begin, quotes_.end(), to_yyyymmdd(to.addDays(1)), by_date);
    first_ = static_cast<size_t>(begin - quotes_.begin());
    count_ = static_cast<size_t>(end - begin);
  } else {
    first_ = count_ = 0;
  }
  {
    const QSignalBlocker b1(from_box_), b2(to_box_);
    if (from.isValid()) from_box_->setDate(from);
    if (to.isValid()) to_box_->setDate(to);
  }
  candles_->clear();
  volume_->clear();
  oi_->clear();
  loaded_lo_ = loaded_hi_ = 0;
  hovered_.reset();
  set_view(full_view());
  if (quotes_.empty()) return;

  const QString stored = days_text(l, quotes_.size()) + QStringLiteral(" stored, ") +
                         date_text(l, to_qdate(quotes_.front().date)) + QStringLiteral(" to ") +
                         date_text(l, to_qdate(quotes_.back().date));
  const QString where = QStringLiteral(", in '") + qs(folder_) + QStringLiteral("'.");
  if (count_ == 0)
    status_->setText(qs(symbol_) + QStringLiteral(": no quotes from ") + date_text(l, from) +
                     QStringLiteral(" to ") + date_text(l, to) + QStringLiteral("; ") + stored +
                     where);
  else
    status_->setText(qs(symbol_) + QStringLiteral(": ") + days_text(l, count_) +
                     QStringLiteral(" shown, ") + date_text(l, to_qdate(quotes_[first_].date)) +
                     QStringLiteral(" to ") +
                     date_text(l, to_qdate(quotes_[first_ + count_ - 1].date)) +
                     QStringLiteral("; ") + stored + where);
}

void ChartWindow::fill_series(size_t lo, size_t hi) {
  candles_->clear();
  volume_->clear();
  QList<QCandlestickSet*> prices, volumes;
  QList<QPointF> interest;
  prices.reserve(static_cast<qsizetype>(hi - lo));
  volumes.reserve(static_cast<qsizetype>(hi - lo));
  for (size_t i = lo; i < hi; ++i) {
    const Quote& q = quotes_[first_ + i];
    // The day's number among those shown is its place on the x axis, so
    // that weekends and holidays leave no gaps.
    const double at = static_cast<double>(i);
    auto* price = new QCandlestickSet(q.open, q.high, q.low, q.close, at);
    price->setPen(QPen(q.close > q.open ? kUp : kDown, 1));  // the wick as the body
    prices.append(price);
    // A day that fell draws its volume downwards: the series colours it so.
    volumes.append(q.close > q.open ? new QCandlestickSet(0, q.volume, 0, q.volume, at)
                                    : new QCandlestickSet(q.volume, q.volume, 0, 0, at));
    if (has_oi_) interest.append(QPointF(at, q.oi));
  }
  candles_->append(prices);
  volume_->append(volumes);
  oi_->replace(interest);
  loaded_lo_ = lo;
  loaded_hi_ = hi;
}

ChartWindow::Range ChartWindow::full_view() const {
  const double n = static_cast<double>(count_);
  if (count_ == 0) return {-0.5, 9.5};
  return {-0.5 - std::max(0.5, n * 0.005), n - 0.5 + std::max(1.0, n * 0.02)};
}

void ChartWindow::set_view(Range view) {
  view_ = view;
  // The days in view and as many again on each side in the series; refilled
  // when the view leaves them or is much narrower.
  const double span = view.hi - view.lo;
  const auto day = [&](double x) {
    return static_cast<size_t>(std::clamp(x, 0.0, static_cast<double>(count_)));
  };
  const size_t need_lo = day(std::floor(view.lo)), need_hi = day(std::ceil(view.hi) + 1);
  if (need_lo < loaded_lo_ || need_hi > loaded_hi_ ||
      static_cast<double>(loaded_hi_ - loaded_lo_) > 3 * span + 200)
    fill_series(day(std::floor(view.lo - span / 2)), day(std::ceil(view.hi + span / 2) + 1));

  // Prices and volumes of the days in view set the vertical scales.
  const double lo_day = std::max(0.0, std::ceil(view.lo));
  const double hi_day = std::min(static_cast<double>(count_) - 1, std::floor(view.hi));
  double low = 0, high = 0, volume = 0, oi_low = 0, oi_high = 0;
  bool any = false;
  for (double d = lo_day; d <= hi_day; ++d) {
    const Quote& q = quotes_[first_ + static_cast<size_t>(d)];
    low = any ? std::min(low, q.low) : q.low;
    high = any ? std::max(high, q.high) : q.high;
    volume = std::max(volume, q.volume);
    oi_low = any ? std::min(oi_low, q.oi) : q.oi;
    oi_high = any ? std::max(oi_high, q.oi) : q.oi;
    any = true;
  }
  if (!any) {
    low = 0;
    high = 1;
  }
  const double pad = high > low ? (high - low) * 0.05 : std::max(std::abs(high) * 0.01, 0.5);
  price_days_->setRange(view.lo, view.hi);
  volume_days_->setRange(view.lo, view.hi);
  oi_days_->setRange(view.lo, view.hi);
  set_ticks(price_axis_, low - pad, high + pad, 6);
  set_ticks(volume_axis_, 0, volume > 0 ? volume * 1.08 : 1, 2);
  const double oi_pad = oi_high > oi_low ? (oi_high - oi_low) * 0.08 : std::max(oi_high * 0.05, 1.0);
  set_ticks(oi_axis_, std::max(0.0, oi_low - oi_pad), oi_high + oi_pad, 2);
  align_plot_areas();
  label_dates(view);
  update_crosshair();
}

void ChartWindow::zoom(double at, double steps) {
  if (count_ == 0 || steps == 0 || !std::isfinite(at)) return;
  const Range full = full_view();
  const double span = view_.hi - view_.lo;
  const double new_span =
      std::clamp(span * std::pow(kZoomStep, steps), std::min(kMinDays, full.hi - full.lo),
                 full.hi - full.lo);
  at = std::clamp(at, view_.lo, view_.hi);
  double lo = at - (at - view_.lo) * new_span / span;
  lo = std::clamp(lo, full.lo, full.hi - new_span);
  set_view({lo, lo + new_span});
}

void ChartWindow::pan(double pixels, double plot_width) {
  if (count_ == 0 || plot_width <= 0) return;
  const Range full = full_view();
  const double span = view_.hi - view_.lo;
  const double lo = std::clamp(view_.lo - pixels * span / plot_width, full.lo, full.hi - span);
  if (lo != view_.lo) set_view({lo, lo + span});
}

void ChartWindow::hover(std::optional<double> at) {
  std::optional<size_t> day;
  if (at && count_ > 0) {
    const double d = std::round(*at);
    if (d >= 0 && d < static_cast<double>(count_)) day = static_cast<size_t>(d);
  }
  if (day == hovered_) return;
  hovered_ = day;
  update_crosshair();
}

void ChartWindow::update_values() {
  if (count_ == 0) {
    values_->clear();
    return;
  }
  // The day under the pointer, else the last day shown.
  const size_t at = first_ + (hovered_ ? *hovered_ : count_ - 1);
  const Quote& q = quotes_[at];
  const QLocale l;
  auto field = [&](const char* name, const QString& value) {
    return QStringLiteral("&nbsp;&nbsp; ") + QLatin1String(name) + QStringLiteral(" <b>") +
           value + QStringLiteral("</b>");
  };
  QString text = QStringLiteral("<b>") + qs(q.symbol).toHtmlEscaped() + QStringLiteral("</b> ") +
                 l.toString(to_qdate(q.date), QStringLiteral("ddd ")) +
                 date_text(l, to_qdate(q.date)) + field("Open", price_text(l, q.open)) +
                 field("High", price_text(l, q.high)) + field("Low", price_text(l, q.low)) +
                 field("Close", price_text(l, q.close)) +
                 field("Volume", volume_text(l, q.volume));
  if (has_oi_) text += field("OI", volume_text(l, q.oi));
  if (at > 0 && quotes_[at - 1].close != 0) {
    // The change from the day before, stored or not shown.
    const double change = (q.close / quotes_[at - 1].close - 1) * 100;
    const QString sign = change > 0 ? l.positiveSign() : QString();
    text += QStringLiteral("&nbsp;&nbsp; <span style=\"color:%1\">%2%3%</span>")
                .arg((change >= 0 ? kUp : kDown).name(), sign, l.toString(change, 'f', 2));
  }
  values_->setText(text);
}

void ChartWindow::update_crosshair() {
  const bool on = hovered_.has_value();
  for (auto [chart, line] : {std::pair{price_chart_, price_cross_},
                             std::pair{volume_chart_, volume_cross_}, std::pair{oi_chart_, oi_cross_}}) {
    line->setVisible(on && (line != oi_cross_ || has_oi_));
    if (!on) continue;
    const QRectF area = chart->plotArea();
    const double x =
        chart->mapToPosition(QPointF(static_cast<double>(*hovered_), 0), chart->series().first())
            .x();
    line->setLine(x, area.top(), x, area.bottom());
  }
  update_values();
}

void ChartWindow::align_plot_areas() {
  // Both panes keep room on the right for the wider of their labels, so
  // that a day is at the same place in both.
  const QLocale l;
  const QFontMetrics price_font(price_axis_->labelsFont()), volume_font(volume_axis_->labelsFont());
  int labels = 0;
  for (double v : {price_axis_->min(), price_axis_->max()})
    labels = std::max(labels, price_font.horizontalAdvance(tick_text(l, price_axis_, v)));
  labels = std::max(labels, volume_font.horizontalAdvance(
                                tick_text(l, volume_axis_, volume_axis_->max())));
  if (has_oi_)
    labels = std::max(labels, volume_font.horizontalAdvance(tick_text(l, oi_axis_, oi_axis_->max())));
  const int right = labels + 16;
  const QFontMetrics date_font(volume_dates_->labelsFont());
  price_view_->set_margins(QMargins(kLeftMargin, kTopMargin, right, 4));
  volume_view_->set_margins(QMargins(kLeftMargin, 4, right, has_oi_ ? 4 : date_font.height() + 12));
  oi_view_->set_margins(QMargins(kLeftMargin, 4, right, date_font.height() + 12));
}

void ChartWindow::label_dates(Range view) {
  // The finest of these steps whose labels fit: a label on the first day
  // shown of each day, week, month, quarter, year or five years.
  enum Step { Day, Week, Month, Quarter, Year, FiveYears };
  auto key = [](Step step, const QDate& d) -> qint64 {
    switch (step) {
      case Day: return d.toJulianDay();
      case Week: return d.toJulianDay() - d.dayOfWeek();
      case Month: return d.year() * 12 + d.month();
      case Quarter: return d.year() * 4 + (d.month() - 1) / 3;
      case Year: return d.year();
      case FiveYears: return d.year() / 5;
    }
    return 0;
  };
  const QLocale l;
  const QFontMetrics font(volume_dates_->labelsFont());
  const double width = volume_chart_->plotArea().width();
  const int label_width = font.horizontalAdvance(QStringLiteral("30 Sep ")) + 16;
  const double fits = std::max(2.0, width / label_width);
  const size_t lo = static_cast<size_t>(std::max(1.0, std::ceil(view.lo)));
  const size_t hi =
      static_cast<size_t>(std::clamp(std::floor(view.hi), 0.0, static_cast<double>(count_)));
  std::vector<size_t> starts;
  Step step = Day;
  for (Step s : {Day, Week, Month, Quarter, Year, FiveYears}) {
    step = s;
    starts.clear();
    for (size_t i = lo; i < hi && i < count_; ++i)
      if (key(s, to_qdate(quotes_[first_ + i].date)) !=
          key(s, to_qdate(quotes_[first_ + i - 1].date)))
        starts.push_back(i);
    if (static_cast<double>(starts.size()) <= fits) break;
  }
  for (QCategoryAxis* axis : {price_dates_, volume_dates_, oi_dates_}) {
    const QStringList old = axis->categoriesLabels();
    for (const QString& label : old) axis->remove(label);
    axis->setStartValue(view.lo);
    QSet<QString> used;
    for (size_t i : starts) {
      const QDate d = to_qdate(quotes_[first_ + i].date);
      QString label = step <= Week                     ? l.toString(d, QStringLiteral("d MMM"))
                      : step <= Quarter && d.month() > 1 ? l.toString(d, QStringLiteral("MMM"))
                                                         : QString::number(d.year());
      // Labels must differ: an invisible mark tells repeats apart.
      while (used.contains(label)) label += QChar(0x200B);
      used.insert(label);
      axis->append(label, static_cast<double>(i) - 0.5);
    }
    axis->setRange(view.lo, view.hi);
  }
}

}  // namespace quillon
