#include "qt/calendar_view.h"

#include <QGridLayout>
#include <algorithm>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillon {

namespace {

constexpr int kMonthColumns = 4;
constexpr const char* kStateNames[kDayStateCount] = {"Present", "Missing", "NotPublished",
                                                     "Holiday", "Weekend", "Future"};

QDate qdate(const Date& d) { return QDate(d.year, d.month, d.day); }

QString swatch_style(DayState s) {
  const QColor c = CalendarView::colour(s);
  return QStringLiteral("background-color: %1; color: %2; border: 1px solid %3;")
      .arg(c.name(), c.lightness() < 140 ? QStringLiteral("white") : QStringLiteral("black"),
           c.darker(130).name());
}

}  // namespace

QColor CalendarView::colour(DayState s) {
  switch (s) {
    case DayState::present: return QColor(0x4c, 0xaf, 0x50);
    case DayState::missing: return QColor(0xd3, 0x2f, 0x2f);
    case DayState::not_published: return QColor(0xff, 0xb3, 0x00);
    case DayState::holiday: return QColor(0x7e, 0x57, 0xc2);
    case DayState::weekend: return QColor(0xe0, 0xe0, 0xe0);
    case DayState::future: return QColor(0xfa, 0xfa, 0xfa);
  }
  return {};
}

QString CalendarView::name(DayState s) {
  static const char* const names[kDayStateCount] = {"present", "missing", "not published yet",
                                                    "holiday", "weekend", "future"};
  return QString::fromLatin1(names[static_cast<size_t>(s)]);
}

std::pair<Date, Date> CalendarView::month_range(Date from, Date to) {
  if (to < from) std::swap(from, to);
  return {Date{from.year, from.month, 1}, Date{to.year, to.month, days_in_month(to.year, to.month)}};
}

CalendarView::CalendarView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmCalendar"));
  setWindowTitle(QStringLiteral("Quillon: trading days"));
  confirm = [this](const QString& question) {
    return QMessageBox::question(this, windowTitle(), question) == QMessageBox::Yes;
  };
  auto* top = new QVBoxLayout(this);
  heading_ = new QLabel;
  heading_->setObjectName(QStringLiteral("lblHeading"));
  heading_->setWordWrap(true);
  top->addWidget(heading_);
  auto* scroll = new QScrollArea;
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  months_ = new QWidget;
  months_layout_ = new QGridLayout(months_);
  months_layout_->setSpacing(14);
  scroll->setWidget(months_);
  top->addWidget(scroll, 1);
  auto* legend = new QHBoxLayout;
  for (int i = 0; i < kDayStateCount; ++i) {
    const auto s = static_cast<DayState>(i);
    auto* box = new QLabel;
    box->setFixedSize(14, 14);
    box->setStyleSheet(swatch_style(s));
    counts_[static_cast<size_t>(i)] = new QLabel;
    counts_[static_cast<size_t>(i)]->setObjectName(QStringLiteral("lbl") +
                                                   QLatin1String(kStateNames[i]));
    legend->addWidget(box);
    legend->addWidget(counts_[static_cast<size_t>(i)]);
    legend->addSpacing(10);
  }
  legend->addStretch(1);
  top->addLayout(legend);
}

void CalendarView::show_states(const DayStates& states, const QString& folder) {
  while (QLayoutItem* item = months_layout_->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  for (int i = 0; i < kDayStateCount; ++i)
    counts_[static_cast<size_t>(i)]->setText(
        QStringLiteral("%1 %2").arg(name(static_cast<DayState>(i))).arg(states.counts[static_cast<size_t>(i)]));
  const QLocale locale;
  QString range;
  if (!states.days.empty())
    range = locale.toString(qdate(states.days.front().date), QStringLiteral("MMMM yyyy")) +
            QStringLiteral(" to ") +
            locale.toString(qdate(states.days.back().date), QStringLiteral("MMMM yyyy"));
  heading_->setText(QStringLiteral("<b>%1</b> &mdash; day files in %2. Click a missing day to "
                                   "fetch it.")
                        .arg(range, folder.toHtmlEscaped()));
  QGridLayout* grid = nullptr;
  int month_index = -1, current_month = 0;
  for (const CalendarDay& day : states.days) {
    const QDate d = qdate(day.date);
    if (!grid || d.month() != current_month) {
      current_month = d.month();
      ++month_index;
      auto* month = new QWidget;
      month->setObjectName(QStringLiteral("month%1").arg(d.toString(QStringLiteral("yyyyMM"))));
      grid = new QGridLayout(month);
      grid->setSpacing(2);
      grid->setContentsMargins(0, 0, 0, 0);
      auto* title = new QLabel(QStringLiteral("<b>%1</b>").arg(locale.toString(d, QStringLiteral("MMMM yyyy"))));
      title->setAlignment(Qt::AlignCenter);
      grid->addWidget(title, 0, 0, 1, 7);
      static const char* const kWeekdays[] = {"Mo", "Tu", "We", "Th", "Fr", "Sa", "Su"};
      for (int w = 1; w <= 7; ++w) {
        auto* head = new QLabel(QString::fromLatin1(kWeekdays[w - 1]));
        head->setAlignment(Qt::AlignCenter);
        grid->addWidget(head, 1, w - 1);
      }
      months_layout_->addWidget(month, month_index / kMonthColumns, month_index % kMonthColumns,
                                Qt::AlignTop);
    }
    const QDate first(d.year(), d.month(), 1);
    const int row = 2 + (d.day() - 1 + first.dayOfWeek() - 1) / 7;
    auto* b = new QToolButton;
    b->setObjectName(QStringLiteral("day") + d.toString(QStringLiteral("yyyyMMdd")));
    b->setText(QString::number(d.day()));
    b->setProperty("state", name(day.state));
    b->setToolTip(locale.toString(d, QLocale::LongFormat) + QStringLiteral(": ") + name(day.state));
    b->setFixedSize(30, 24);
    b->setAutoRaise(false);
    b->setStyleSheet(QStringLiteral("QToolButton { %1 }").arg(swatch_style(day.state)));
    if (day.state == DayState::missing)
      connect(b, &QToolButton::clicked, this, [this, d] { day_clicked(d); });
    else
      b->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(b, row, d.dayOfWeek() - 1);
  }
  // Room for every month when the screen allows it.
  const QSize want = months_->sizeHint() + QSize(40, heading_->sizeHint().height() + 80);
  resize(std::min(want.width(), 1400), std::min(want.height(), 900));
}

void CalendarView::day_clicked(const QDate& day) {
  if (confirm && confirm(QStringLiteral("The day file of %1 is missing. Fetch it now?")
                             .arg(QLocale().toString(day, QLocale::LongFormat))))
    emit fetchRequested(day);
}

}  // namespace quillon
