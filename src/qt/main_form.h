// The main window frmEOD as Qt widgets over the window model. Each widget's
// objectName is its control's name. Download, Convert and Update run on a
// worker thread; the window stays live and shows their progress.
#pragma once

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/window_commands.h"
#include "platform/folder_locks.h"
#include "platform/real_platform.h"
#include "qt/qt_platform.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace quillon {

class BrowserPane;
class CalendarView;
class ChartWindow;
class EodServer;
class LinkLabel;

struct MainFormOptions {
  std::string settings_file;  // empty: the usual one (settings_file_location)
  // Stand-ins for what blocks or depends on the computer; null: the real one.
  MessageBox* messages = nullptr;
  FolderPicker* folders = nullptr;
  WebOpener* web = nullptr;
  DatePatternSource* date_pattern = nullptr;
  Clock* clock = nullptr;
  ProgramFolder* program_folder = nullptr;
  // The chart database the Update command fills: the Chart window shows the
  // database it has open and reloads on its RefreshAll. Null: the Chart
  // window shows the AmiPath database and reloads only when asked.
  EodServer* chart_server = nullptr;
  // Downloads with several transfers in flight; null: one at a time.
  BatchFetcher* batch_fetcher = nullptr;
};

class MainForm final : public QWidget {
  Q_OBJECT
 public:
  // Runs the load sequence and shows its result in the widgets.
  MainForm(Fetcher& fetcher, BrokerFactory& brokers, MainFormOptions options = {},
           QWidget* parent = nullptr);
  ~MainForm() override;

  // The model behind the widgets. Change it only while no command runs, then
  // call show_model().
  WindowCommands& commands() { return commands_; }
  void show_model();
  bool running() const { return running_; }
  // Opens (or raises) the calendar view of the source folder box over the
  // whole months from `from` to `to` (default: this month and the two
  // before it).
  CalendarView* open_calendar(std::optional<Date> from = {}, std::optional<Date> to = {});

 signals:
  // A Download, Convert or Update run has ended and the window is usable again.
  void commandFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  enum class Run { Download, Convert, Update, CatchUp, FetchDay };
  struct TextBinding {
    QLineEdit* box;
    std::string WindowModel::*field;
  };
  struct CheckBinding {
    QAbstractButton* box;
    bool WindowModel::*field;
  };
  // The values of the boxes the user can change, as they were when copied
  // into the model.
  struct Snapshot {
    std::vector<std::string> texts;
    std::vector<bool> checks;
    int source = 0;
    int layout = 0;  // Combo1's
  };

  void build();
  void connect_actions();
  void model_from_widgets();
  Snapshot snapshot() const;
  // Shows the model; with `before`, a box is set only when the model's value
  // differs from it, so what the user typed meanwhile stays.
  void widgets_from_model(const Snapshot* before);
  template <class Handler>
  void run_here(Handler handler);
  void start(Run run);
  void finish();
  void lock_for(Run run);
  void unlock();
  void show_status(const QString& piece, bool cleared);
  void show_progress(int done, int total);
  void stop_clicked();
  void open_chart();
  void refresh_calendar();

  Fetcher& fetcher_;
  BrokerFactory& brokers_;
  MainFormOptions options_;

  QtMessageBox qt_messages_{this};
  QtFolderPicker qt_folders_{this};
  QtWebOpener qt_web_;
  QtEventPump events_;
  QtMousePointer pointer_{this};
  PostingBrowser browser_;
  PostingProgress progress_;
  RealDisk disk_;
  FixedDatePattern qt_date_pattern_;
  RealClock clock_;
  RealProgramFolder program_folder_;
  FlockFolderLocks locks_;
  Platform platform_;
  WindowCommands commands_;

  // Widgets, owned by the window.
  QLineEdit *TxtFromDt_{}, *TxtToDt_{}, *txtScrip_{}, *txtSourceFolder_{}, *txtDestFolder_{},
      *txtLength_{}, *txtLabel_{};
  QLabel *Label4_{}, *Label18_{};
  QButtonGroup* rbSource_{};
  std::vector<QRadioButton*> sourceButtons_;
  QPushButton *Command1_{}, *Command2_{}, *cmdProcess_{}, *cmdConvert_{}, *cmdOptions_{},
      *Command3_{}, *cmdChart_{}, *cmdStop_{}, *cmdCatchUp_{}, *cmdCalendar_{};
  QCheckBox *chkEOD_{}, *chkIndices_{}, *chkAmi_{}, *chkMS_{}, *chkAuto_{};
  QRadioButton *rbDateWise_{}, *rbScripWise_{};
  QCheckBox* chkAdjust_{};
  QCheckBox* chkFO_{};
  QPlainTextEdit* Text1_{};
  QProgressBar* prgRun_{};
  QComboBox *Combo1_{}, *cmbIndex_{};
  LinkLabel *Label16_{}, *Label17_{};
  QListWidget* File1_{};
  BrowserPane* WebBrowser1_{};
  QPointer<ChartWindow> chart_;  // the open chart window, owned by this one
  QPointer<CalendarView> calendar_;  // the open calendar view, owned by this one
  std::pair<Date, Date> calendar_range_;
  Date fetch_day_;        // the day a FetchDay run fetches
  Run run_ = Run::Download;
  QElapsedTimer run_timer_;

  std::vector<TextBinding> texts_;
  std::vector<CheckBinding> checks_;

  QFutureWatcher<void> watcher_;
  bool running_ = false;
  bool close_pending_ = false;
  bool pending_cr_ = false;  // the status box's last piece ended in CR
  Snapshot before_;
  std::vector<QWidget*> locked_;
};

}  // namespace quillon
