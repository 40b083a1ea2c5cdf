#include "qt/window_app.h"

#include <QApplication>
#include <QPixmap>
#include <iostream>

#include "qt/main_form.h"

namespace quillon {

namespace {

bool has_display() {
  return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
         !qEnvironmentVariableIsEmpty("DISPLAY") ||
         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int run_window(int& argc, char** argv, const CommandLine& cl, Fetcher& fetcher,
               BrokerFactory& brokers) {
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

  MainFormOptions options;
  options.settings_file = cl.settings_file;
  StreamMessageBox stream_messages(std::cerr);
  if (cl.screenshot) options.messages = &stream_messages;  // nobody to press OK

  MainForm form(fetcher, brokers, options);
  apply_options(form.main_window(), cl);
  form.show_model();
  form.show();
  if (!cl.screenshot) return QApplication::exec();

  QApplication::processEvents();
  const QString file = QString::fromLocal8Bit(cl.screenshot->c_str());
  if (!form.grab().save(file, "PNG")) {
    std::cerr << "quillon: cannot write the picture " << *cl.screenshot << "\n";
    return kExitMessageShown;
  }
  return stream_messages.shown() > 0 ? kExitMessageShown : kExitOk;
}

}  // namespace quillon
