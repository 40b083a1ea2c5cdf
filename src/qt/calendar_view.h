// The calendar view: the months of a range as grids, each day coloured by
// its state (present, missing, not published yet, holiday, weekend, future),
// with a legend and the count of each state. A click on a missing day asks
// whether to fetch it and, when the user agrees, emits fetchRequested.
#pragma once

#include <QDate>
#include <QWidget>
#include <array>
#include <functional>

#include "calendar/day_files.h"

class QGridLayout;
class QLabel;

namespace quillon {

class CalendarView final : public QWidget {
  Q_OBJECT
 public:
  explicit CalendarView(QWidget* parent = nullptr);

  // Shows `states` (every day of whole months, see month_range) under a
  // heading; the source folder is named in it.
  void show_states(const DayStates& states, const QString& folder);
  // Asks the user a yes/no question; a message box unless replaced.
  std::function<bool(const QString& question)> confirm;

  // The whole months around `from`..`to`.
  static std::pair<Date, Date> month_range(Date from, Date to);
  static QColor colour(DayState state);
  static QString name(DayState state);

 signals:
  void fetchRequested(const QDate& day);

 private:
  void day_clicked(const QDate& day);

  QLabel* heading_{};
  QWidget* months_{};
  QGridLayout* months_layout_{};
  std::array<QLabel*, kDayStateCount> counts_{};
};

}  // namespace quillon
