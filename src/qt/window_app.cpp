#include "qt/window_app.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <iostream>

#include "platform/install_layout.h"
#include "platform/real_platform.h"
#include "qt/calendar_view.h"
#include "qt/chart_window.h"
#include "qt/main_form.h"
#include "qt/qt_date_pattern.h"
#include "settings/ini_file.h"
#include "base/dates.h"

namespace quillon {

namespace {

bool has_display() {
  return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
         !qEnvironmentVariableIsEmpty("DISPLAY") ||
         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// Saves a picture of `window`: 0, or 1 saying why it could not be written.
int save_picture(QWidget& window, const std::string& file) {
  // Twice: the charts lay themselves out on events the first round posts.
  QApplication::processEvents();
  QApplication::processEvents();
  if (!window.grab().save(QString::fromLocal8Bit(file.c_str()), "PNG")) {
    std::cerr << "quillon: cannot write the picture " << file << "\n";
    return kExitMessageShown;
  }
  return kExitOk;
}

// The --from and --to dates; false (saying why) when one is not a date.
bool range_of(const CommandLine& cl, std::optional<Date> (&range)[2]) {
  const DateReader dates(QtDatePattern().short_date_pattern());
  const std::optional<std::string>* texts[2] = {&cl.from, &cl.to};
  for (int i = 0; i < 2; ++i) {
    if (!*texts[i]) continue;
    range[i] = dates.parse(**texts[i]);
    if (!range[i]) {
      std::cerr << "quillon: " << (i ? "--to" : "--from") << " '" << **texts[i]
                << "' is not a date as the region writes dates\n";
      return false;
    }
  }
  return true;
}

int run_chart(const CommandLine& cl, EodServer& chart_server) {
  // The settings file as the window's load sequence finds it.
  const std::string settings = settings_file_location(cl.settings_file, RealProgramFolder().path());
  RealDisk disk;
  std::optional<Date> dates[2];
  if (!range_of(cl, dates)) return kExitUsage;
  QDate range[2];
  for (int i = 0; i < 2; ++i)
    if (dates[i]) range[i] = QDate(dates[i]->year, dates[i]->month, dates[i]->day);
  ChartWindow chart(ReadIniString(disk, "QN_EOD", "AmiPath", "", settings), &chart_server);
  chart.set_range(range[0], range[1]);
  const bool found = chart.show_symbol(QString::fromStdString(*cl.chart));
  chart.show();
  if (!cl.screenshot) return QApplication::exec();
  if (!found) {
    std::cerr << "quillon: " << chart.status().toStdString() << "\n";
    return kExitMessageShown;
  }
  return save_picture(chart, *cl.screenshot);
}

}  // namespace

int run_window(int& argc, char** argv, const CommandLine& cl, Fetcher& fetcher,
               BrokerFactory& brokers, EodServer& chart_server, BatchFetcher* batch_fetcher) {
  if (!has_display()) {
    if (!cl.screenshot) {
      std::cerr << "quillon: there is no display to open the window on; give a command "
                   "(see 'quillon --help')\n";
      return kExitUsage;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");  // a picture needs no screen
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(kProductName));
  QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
  QApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));  // the desktop's icon
  QApplication::setWindowIcon(QIcon::fromTheme(QString::fromLatin1(kApplicationId)));

  if (cl.chart) return run_chart(cl, chart_server);

  MainFormOptions options;
  options.settings_file = cl.settings_file;
  options.chart_server = &chart_server;
  options.batch_fetcher = batch_fetcher;
  StreamMessageBox stream_messages(std::cerr);
  if (cl.screenshot) options.messages = &stream_messages;  // nobody to press OK

  std::optional<Date> range[2];
  if (cl.calendar && !range_of(cl, range)) return kExitUsage;
  MainForm form(fetcher, brokers, options);
  apply_options(form.commands(), cl);
  if (cl.today) form.commands().set_today(*cl.today);
  form.show_model();
  QWidget* shown = &form;
  if (cl.calendar)  // the calendar view alone; the program ends when it is closed
    shown = form.open_calendar(range[0], range[1]);
  else
    form.show();
  if (!cl.screenshot) return QApplication::exec();

  if (save_picture(*shown, *cl.screenshot) != kExitOk) return kExitMessageShown;
  return stream_messages.shown() > 0 ? kExitMessageShown : kExitOk;
}

}  // namespace quillon
