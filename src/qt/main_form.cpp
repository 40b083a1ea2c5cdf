#include "qt/main_form.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <exception>

#include "base/version.h"
#include "chartdb/eod_server.h"
#include "platform/install_layout.h"
#include "qt/calendar_view.h"
#include "qt/chart_window.h"
#include "qt/qt_date_pattern.h"
#include "qt/small_widgets.h"

namespace quillon {

namespace {

// A group of the left column: a thin frame, a bold heading on a dark bar
// (with room for more on the bar's right), and the group's own rows.
struct Group {
  QFrame* frame;
  QHBoxLayout* bar;
  QVBoxLayout* body;
};

Group make_group(const char* frame_name, const char* heading_name, const QString& heading) {
  auto* frame = named(new QFrame, frame_name);
  frame->setFrameStyle(QFrame::Box | QFrame::Plain);
  auto* outer = new QVBoxLayout(frame);
  outer->setContentsMargins(1, 1, 1, 1);
  outer->setSpacing(0);

  auto* bar = new QWidget;
  bar->setAutoFillBackground(true);
  QPalette pal = bar->palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Window).darker(190));
  pal.setColor(QPalette::WindowText, pal.color(QPalette::HighlightedText));
  bar->setPalette(pal);
  auto* bar_layout = new QHBoxLayout(bar);
  bar_layout->setContentsMargins(4, 2, 6, 2);
  auto* title = named(new QLabel(heading), heading_name);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  bar_layout->addWidget(title);
  bar_layout->addStretch(1);
  outer->addWidget(bar);

  auto* body = new QVBoxLayout;
  body->setContentsMargins(8, 6, 8, 8);
  body->setSpacing(4);
  outer->addLayout(body);
  return {frame, bar_layout, body};
}

QLineEdit* line_edit(const char* name) { return named(new QLineEdit, name); }

// Grey (button face) background for boxes the program writes.
void grey(QWidget* w) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Base, pal.color(QPalette::Button));
  w->setPalette(pal);
}

}  // namespace

MainForm::MainForm(Fetcher& fetcher, BrokerFactory& brokers, MainFormOptions options,
                   QWidget* parent)
    : QWidget(parent),
      fetcher_(fetcher),
      brokers_(brokers),
      options_(std::move(options)),
      browser_(this, [this](const QString& a) { WebBrowser1_->navigate(a); }),
      progress_(this, [this](int done, int total) { show_progress(done, total); }),
      qt_date_pattern_(QtDatePattern().short_date_pattern()),
      locks_(lock_folder(current_environment())),
      platform_{.messages = options_.messages ? *options_.messages : qt_messages_,
                .disk = disk_,
                .date_pattern = options_.date_pattern ? *options_.date_pattern : qt_date_pattern_,
                .clock = options_.clock ? *options_.clock : clock_,
                .program_folder = options_.program_folder ? *options_.program_folder : program_folder_,
                .events = events_,
                .pointer = pointer_,
                .browser = browser_,
                .web = options_.web ? *options_.web : qt_web_,
                .folders = options_.folders ? *options_.folders : qt_folders_,
                .fetcher = fetcher_,
                .brokers = brokers_,
                .progress = progress_,
                .locks = locks_,
                .batch_fetcher = options_.batch_fetcher},
      commands_(platform_, options_.settings_file) {
  setObjectName(QStringLiteral("frmEOD"));
  build();
  connect_actions();
  commands_.model().Text1.set_listener([this](std::string_view piece, bool cleared) {
    post_to(this, [this, text = QString::fromUtf8(piece.data(), static_cast<qsizetype>(piece.size())),
                   cleared] { show_status(text, cleared); });
  });
  commands_.model().txtLabel.set_listener([this](const std::string& text) {
    post_to(this, [this, address = QString::fromStdString(text)] { txtLabel_->setText(address); });
  });
  commands_.Form_Load();
  show_model();
}

MainForm::~MainForm() {
  if (running_) {
    progress_.request_stop();
    qt_messages_.release_waiters();
    watcher_.waitForFinished();
  }
  commands_.model().Text1.set_listener({});
  commands_.model().txtLabel.set_listener({});
}

void MainForm::build() {
  // Left column: the four groups.
  auto* left = new QVBoxLayout;
  left->setSpacing(8);

  Group dates = make_group("fraDateRange", "Label1", QStringLiteral(" Date Range"));
  Label4_ = named(new QLabel, "Label4");
  Label4_->setFont(dates.frame->findChild<QLabel*>(QStringLiteral("Label1"))->font());
  dates.bar->addWidget(Label4_);
  auto* date_grid = new QGridLayout;
  date_grid->setHorizontalSpacing(6);
  TxtFromDt_ = line_edit("TxtFromDt");
  TxtToDt_ = line_edit("TxtToDt");
  txtScrip_ = line_edit("txtScrip");
  date_grid->addWidget(new QLabel(QStringLiteral("From:")), 0, 0);
  date_grid->addWidget(TxtFromDt_, 0, 1);
  date_grid->addWidget(new QLabel(QStringLiteral("To:")), 1, 0);
  date_grid->addWidget(TxtToDt_, 1, 1);
  date_grid->addWidget(new QLabel(QStringLiteral("Scrip:")), 2, 0);
  date_grid->addWidget(txtScrip_, 2, 1);
  date_grid->addWidget(new QLabel(QStringLiteral("(optional)")), 2, 2);
  date_grid->setColumnStretch(1, 1);
  dates.body->addLayout(date_grid);
  Label18_ = named(new QLabel, "Label18");
  Label18_->setWordWrap(true);
  dates.body->addWidget(Label18_);
  left->addWidget(dates.frame);

  Group source = make_group("fraDataSource", "Label5", QStringLiteral(" Data Source"));
  rbSource_ = named(new QButtonGroup(this), "rbSource");
  auto* options_row = new QHBoxLayout;
  const char* const source_names[] = {"rbSource_0", "rbSource_1", "rbSource_2"};
  const char* const source_captions[] = {"NSE", "BSE", "Folder"};
  for (int i = 0; i < 3; ++i) {
    auto* b = named(new QRadioButton(QString::fromLatin1(source_captions[i])), source_names[i]);
    rbSource_->addButton(b, i);
    sourceButtons_.push_back(b);
    options_row->addWidget(b);
  }
  options_row->addStretch(1);
  source.body->addLayout(options_row);
  txtSourceFolder_ = line_edit("txtSourceFolder");
  txtDestFolder_ = line_edit("txtDestFolder");
  Command1_ = named(new QPushButton(QStringLiteral("...")), "Command1");
  Command2_ = named(new QPushButton(QStringLiteral("...")), "Command2");
  for (QPushButton* b : {Command1_, Command2_}) {
    b->setToolTip(QStringLiteral("Choose a folder"));
    b->setMaximumWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("....")) * 3);
  }
  auto* folder_grid = new QGridLayout;
  folder_grid->setHorizontalSpacing(4);
  folder_grid->addWidget(new QLabel(QStringLiteral("Source Folder:")), 0, 0, 1, 2);
  folder_grid->addWidget(txtSourceFolder_, 1, 0);
  folder_grid->addWidget(Command1_, 1, 1);
  folder_grid->addWidget(new QLabel(QStringLiteral("Destination Folder:")), 2, 0, 1, 2);
  folder_grid->addWidget(txtDestFolder_, 3, 0);
  folder_grid->addWidget(Command2_, 3, 1);
  source.body->addLayout(folder_grid);
  left->addWidget(source.frame);

  Group lists = make_group("fraDataLists", "Label9", QStringLiteral(" Data Lists "));
  chkEOD_ = named(new QCheckBox(QStringLiteral("EOD")), "chkEOD");
  txtLength_ = line_edit("txtLength");
  txtLength_->setMaximumWidth(txtLength_->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
  chkIndices_ = named(new QCheckBox(QStringLiteral("INDICES")), "chkIndices");
  auto* eod_row = new QHBoxLayout;
  eod_row->addWidget(chkEOD_);
  eod_row->addSpacing(12);
  eod_row->addWidget(txtLength_);
  eod_row->addWidget(new QLabel(QStringLiteral("(Symbol Length)")));
  eod_row->addStretch(1);
  lists.body->addLayout(eod_row);
  chkFO_ = named(new QCheckBox(QStringLiteral("F&&O")), "chkFO");
  chkFO_->setToolTip(QStringLiteral("The derivatives segment's daily Bhavcopy: futures and open interest, "
                                    "kept in fo/ of the folders"));
  auto* more_lists = new QHBoxLayout;
  more_lists->addWidget(chkIndices_);
  more_lists->addSpacing(12);
  more_lists->addWidget(chkFO_);
  more_lists->addStretch(1);
  lists.body->addLayout(more_lists);
  left->addWidget(lists.frame);

  Group update = make_group("fraUpdate", "Label10", QStringLiteral(" Chart Update"));
  chkAmi_ = named(new QCheckBox(QStringLiteral("AmiBroker")), "chkAmi");
  chkMS_ = named(new QCheckBox(QStringLiteral("MetaStock")), "chkMS");
  chkAuto_ = named(new QCheckBox(QStringLiteral("Auto Update?")), "chkAuto");
  chkAuto_->setToolTip(QStringLiteral(
      "Convert and Catch up end with the Update of the files they converted"));
  auto* update_row = new QHBoxLayout;
  for (QCheckBox* c : {chkAmi_, chkMS_, chkAuto_}) update_row->addWidget(c);
  update_row->addStretch(1);
  update.body->addLayout(update_row);
  left->addWidget(update.frame);
  left->addStretch(1);

  // Right side: status, progress, the command buttons, the reserved area.
  auto* right = new QVBoxLayout;
  right->setSpacing(6);
  auto* frame2 = named(new QGroupBox(QStringLiteral("downloading status")), "Frame2");
  auto* frame2_layout = new QVBoxLayout(frame2);
  Text1_ = named(new QPlainTextEdit, "Text1");
  Text1_->setReadOnly(true);
  Text1_->setLineWrapMode(QPlainTextEdit::NoWrap);
  Text1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Room for a whole status line ("Downloading BhavCopy for 31/01/2008 <- ...").
  Text1_->setMinimumSize(Text1_->fontMetrics().averageCharWidth() * 64,
                         Text1_->fontMetrics().lineSpacing() * 8);
  grey(Text1_);
  frame2_layout->addWidget(Text1_);
  right->addWidget(frame2, 3);

  txtLabel_ = line_edit("txtLabel");
  txtLabel_->setReadOnly(true);
  txtLabel_->setFocusPolicy(Qt::ClickFocus);
  grey(txtLabel_);
  right->addWidget(txtLabel_);

  auto* progress_row = new QHBoxLayout;
  prgRun_ = named(new QProgressBar, "prgRun");
  prgRun_->setTextVisible(true);
  cmdStop_ = named(new QPushButton(QStringLiteral("Sto&p")), "cmdStop");
  cmdStop_->setToolTip(QStringLiteral("End the download after the current day or index"));
  progress_row->addWidget(prgRun_, 1);
  progress_row->addWidget(cmdStop_);
  right->addLayout(progress_row);

  auto* buttons = new QHBoxLayout;
  cmdProcess_ = named(new QPushButton(QStringLiteral("&Download")), "cmdProcess");
  cmdConvert_ = named(new QPushButton(QStringLiteral("&Convert")), "cmdConvert");
  cmdOptions_ = named(new QPushButton(QStringLiteral("&Settings")), "cmdOptions");
  Command3_ = named(new QPushButton(QStringLiteral("Update")), "Command3");
  cmdChart_ = named(new QPushButton(QStringLiteral("C&hart...")), "cmdChart");
  cmdChart_->setToolTip(QStringLiteral("Look at the quotes in the chart database"));
  cmdCalendar_ = named(new QPushButton(QStringLiteral("Ca&lendar...")), "cmdCalendar");
  cmdCalendar_->setToolTip(QStringLiteral("Which trading days have a day file in the source folder"));
  for (QPushButton* b : {cmdProcess_, cmdConvert_, cmdOptions_, Command3_, cmdChart_, cmdCalendar_})
    buttons->addWidget(b);
  right->addLayout(buttons);

  auto* future = named(new QFrame, "fraReserved");
  future->setFrameStyle(QFrame::Box | QFrame::Plain);
  auto* future_grid = new QGridLayout(future);
  future_grid->setContentsMargins(8, 6, 8, 8);
  auto* label14 = named(new QLabel(QStringLiteral("Area reserved for future use")), "Label14");
  label14->setEnabled(false);
  future_grid->addWidget(label14, 0, 0, 1, 2);
  cmdCatchUp_ = named(new QPushButton(QStringLiteral("Catch &up")), "cmdCatchUp");
  cmdCatchUp_->setToolTip(QStringLiteral(
      "Fetch every trading day after the newest day file (from the From date when there is "
      "none) up to today, convert and import them"));
  future_grid->addWidget(cmdCatchUp_, 0, 2, Qt::AlignRight);
  Combo1_ = named(new QComboBox, "Combo1");
  cmbIndex_ = named(new QComboBox, "cmbIndex");
  future_grid->addWidget(Combo1_, 1, 0);
  future_grid->addWidget(cmbIndex_, 1, 1, 1, 2);
  auto* frame4 = named(new QGroupBox(QStringLiteral("Output")), "Frame4");
  auto* frame4_layout = new QVBoxLayout(frame4);
  auto* picture1 = named(new QWidget, "Picture1");
  auto* picture1_layout = new QVBoxLayout(picture1);
  picture1_layout->setContentsMargins(0, 0, 0, 0);
  rbDateWise_ = named(new QRadioButton(QStringLiteral("date wise")), "rbDateWise");
  rbScripWise_ = named(new QRadioButton(QStringLiteral("scrip wise")), "rbScripWise");
  picture1_layout->addWidget(rbDateWise_);
  picture1_layout->addWidget(rbScripWise_);
  frame4_layout->addWidget(picture1);
  chkAdjust_ = named(new QCheckBox(QStringLiteral("adjusted")), "chkAdjust");
  chkAdjust_->setToolTip(QStringLiteral(
      "Scrip wise: prices before a bonus issue or a change of face value adjusted to match"));
  frame4_layout->addWidget(chkAdjust_);
  future_grid->addWidget(frame4, 2, 0);
  const int small_height = fontMetrics().lineSpacing() * 4;
  File1_ = named(new QListWidget, "File1");
  File1_->setFocusPolicy(Qt::NoFocus);
  File1_->setSelectionMode(QAbstractItemView::NoSelection);
  File1_->setMaximumHeight(small_height);
  future_grid->addWidget(File1_, 2, 1);
  WebBrowser1_ = named(new BrowserPane, "WebBrowser1");
  WebBrowser1_->setMaximumHeight(small_height);
  WebBrowser1_->setPlaceholderText(QStringLiteral("no page"));
  future_grid->addWidget(WebBrowser1_, 2, 2);
  Label16_ = named(new LinkLabel(QStringLiteral("Quillon home page")), "Label16");
  Label17_ = named(new LinkLabel(QStringLiteral("click here for FAQ")), "Label17");
  auto* links = new QHBoxLayout;
  links->addWidget(Label16_);
  links->addSpacing(16);
  links->addWidget(Label17_);
  links->addStretch(1);
  future_grid->addLayout(links, 3, 0, 1, 3);
  auto* label15 = named(new QLabel(QStringLiteral("Quillon %1, by the Quillon developers. "
                                                  "Questions and answers: see the FAQ.")
                                       .arg(QLatin1String(kVersion))),
                        "Label15");
  label15->setWordWrap(true);
  future_grid->addWidget(label15, 4, 0, 1, 3);
  future_grid->setColumnStretch(1, 1);
  future_grid->setColumnStretch(2, 1);
  right->addWidget(future, 2);

  auto* top = new QHBoxLayout(this);
  top->setContentsMargins(8, 8, 8, 8);
  top->setSpacing(10);
  top->addLayout(left, 0);
  top->addLayout(right, 1);

  texts_ = {{TxtFromDt_, &WindowModel::TxtFromDt},
            {TxtToDt_, &WindowModel::TxtToDt},
            {txtScrip_, &WindowModel::txtScrip},
            {txtSourceFolder_, &WindowModel::txtSourceFolder},
            {txtDestFolder_, &WindowModel::txtDestFolder},
            {txtLength_, &WindowModel::txtLength}};
  checks_ = {{chkEOD_, &WindowModel::chkEOD},         {chkIndices_, &WindowModel::chkIndices},
             {chkFO_, &WindowModel::chkFO},
             {chkAmi_, &WindowModel::chkAmi},         {chkMS_, &WindowModel::chkMS},
             {chkAuto_, &WindowModel::chkAuto},       {rbDateWise_, &WindowModel::rbDateWise},
             {rbScripWise_, &WindowModel::rbScripWise}, {chkAdjust_, &WindowModel::chkAdjust}};

  const WindowModel& m = commands_.model();
  for (const std::string& item : m.Combo1) Combo1_->addItem(qs(item));
  for (const std::string& item : m.cmbIndex) cmbIndex_->addItem(qs(item));
  Label16_->setToolTip(qs(commands_.web_site_address()));
  Label17_->setToolTip(qs(commands_.faq_address()));
  cmdStop_->setEnabled(false);
  prgRun_->reset();
}

void MainForm::connect_actions() {
  connect(cmdProcess_, &QPushButton::clicked, this, [this] { start(Run::Download); });
  connect(cmdConvert_, &QPushButton::clicked, this, [this] { start(Run::Convert); });
  connect(Command3_, &QPushButton::clicked, this, [this] { start(Run::Update); });
  connect(cmdStop_, &QPushButton::clicked, this, &MainForm::stop_clicked);
  connect(cmdChart_, &QPushButton::clicked, this, &MainForm::open_chart);
  connect(cmdCatchUp_, &QPushButton::clicked, this, [this] { start(Run::CatchUp); });
  connect(cmdCalendar_, &QPushButton::clicked, this, [this] { open_calendar(); });
  connect(cmdOptions_, &QPushButton::clicked, this,
          [this] { run_here([](WindowCommands& w) { w.cmdOptions_Click(); }); });
  connect(rbSource_, &QButtonGroup::idClicked, this,
          [this](int id) { run_here([id](WindowCommands& w) { w.rbSource_Click(id); }); });
  connect(Command1_, &QPushButton::clicked, this,
          [this] { run_here([](WindowCommands& w) { w.Command1_Click(); }); });
  connect(Command2_, &QPushButton::clicked, this,
          [this] { run_here([](WindowCommands& w) { w.Command2_Click(); }); });
  connect(Label16_, &LinkLabel::clicked, this,
          [this] { commands_.Label16_Click(); });
  connect(Label17_, &LinkLabel::clicked, this,
          [this] { commands_.Label17_Click(); });
  connect(&watcher_, &QFutureWatcher<void>::finished, this, &MainForm::finish);
}

void MainForm::model_from_widgets() {
  WindowModel& m = commands_.model();
  for (const TextBinding& b : texts_) m.*b.field = b.box->text().toStdString();
  for (const CheckBinding& b : checks_) m.*b.field = b.box->isChecked();
  if (rbSource_->checkedId() >= 0) m.rbSource = rbSource_->checkedId();
  m.Combo1ListIndex = std::max(0, Combo1_->currentIndex());
}

MainForm::Snapshot MainForm::snapshot() const {
  const WindowModel& m = commands_.model();
  Snapshot s;
  for (const TextBinding& b : texts_) s.texts.push_back(m.*b.field);
  for (const CheckBinding& b : checks_) s.checks.push_back(m.*b.field);
  s.source = m.rbSource;
  s.layout = m.Combo1ListIndex;
  return s;
}

void MainForm::widgets_from_model(const Snapshot* before) {
  const WindowModel& m = commands_.model();
  for (size_t i = 0; i < texts_.size(); ++i) {
    const std::string& value = m.*texts_[i].field;
    if (!before || before->texts[i] != value) texts_[i].box->setText(qs(value));
  }
  for (size_t i = 0; i < checks_.size(); ++i) {
    const bool value = m.*checks_[i].field;
    if (!before || before->checks[i] != value) checks_[i].box->setChecked(value);
  }
  if (!before || before->layout != m.Combo1ListIndex) Combo1_->setCurrentIndex(m.Combo1ListIndex);
  if (!before || before->source != m.rbSource) {
    if (QAbstractButton* b = rbSource_->button(m.rbSource)) b->setChecked(true);
  }
  // What only the program writes.
  setWindowTitle(qs(m.Caption));
  Label4_->setText(qs(m.Label4));
  Label18_->setText(qs(m.Label18));
  txtLabel_->setText(qs(m.txtLabel));
  File1_->clear();
  for (const std::string& name : m.File1.entries) File1_->addItem(qs(name));
  File1_->setToolTip(m.File1.Path.empty() ? QString()
                                          : qs(m.File1.Path + "/" + m.File1.Pattern));
  if (!running_) cmdProcess_->setEnabled(m.cmdProcessEnabled);
  if (!running_) cmdCatchUp_->setEnabled(m.cmdProcessEnabled);
}

void MainForm::show_model() { widgets_from_model(nullptr); }

template <class Handler>
void MainForm::run_here(Handler handler) {
  if (running_) return;
  model_from_widgets();
  const Snapshot before = snapshot();
  handler(commands_);
  widgets_from_model(&before);
}

void MainForm::lock_for(Run run) {
  locked_ = {cmdProcess_, cmdConvert_, cmdOptions_, Command3_, Command1_, Command2_, cmdCatchUp_};
  for (QRadioButton* b : sourceButtons_) locked_.push_back(b);
  // The boxes the command reads.
  const bool fetching = run == Run::Download || run == Run::CatchUp || run == Run::FetchDay;
  if (fetching)
    locked_.insert(locked_.end(), {TxtFromDt_, TxtToDt_, txtSourceFolder_, txtDestFolder_,
                                   chkEOD_, txtScrip_, chkIndices_});
  else if (run == Run::Convert)
    locked_.insert(locked_.end(), {txtSourceFolder_, txtDestFolder_, chkEOD_, txtScrip_,
                                   chkIndices_, txtLength_});
  if (run == Run::CatchUp || run == Run::FetchDay) locked_.push_back(txtLength_);
  if (run == Run::Convert || run == Run::CatchUp || run == Run::FetchDay)
    locked_.insert(locked_.end(), {rbDateWise_, rbScripWise_, chkAdjust_, Combo1_});
  if (run != Run::Update) locked_.push_back(chkFO_);
  if (run != Run::Download && run != Run::Update) locked_.push_back(chkAuto_);
  for (QWidget* w : locked_) w->setEnabled(false);
  cmdStop_->setEnabled(fetching);
}

void MainForm::unlock() {
  for (QWidget* w : locked_) w->setEnabled(true);
  locked_.clear();
  cmdStop_->setEnabled(false);
  cmdProcess_->setEnabled(commands_.model().cmdProcessEnabled);
  cmdCatchUp_->setEnabled(commands_.model().cmdProcessEnabled);
}

void MainForm::start(Run run) {
  if (running_) return;
  model_from_widgets();
  before_ = snapshot();
  running_ = true;
  lock_for(run);
  progress_.reset();
  prgRun_->reset();
  prgRun_->setFormat(QStringLiteral("%v of %m"));
  run_ = run;
  run_timer_.start();

  std::function<void(WindowCommands&)> work;
  std::string name;
  switch (run) {
    case Run::Download:
      work = [](WindowCommands& w) { w.cmdProcess_Click(); };
      name = "cmdProcess: ";
      break;
    case Run::Convert:
      work = [](WindowCommands& w) { w.cmdConvert_Click(); };
      name = "cmdConvert: ";
      break;
    case Run::Update:
      work = [](WindowCommands& w) { w.Command3_Click(); };
      name = "Command3: ";
      break;
    case Run::CatchUp:
      // A source folder without day files starts at the From date.
      work = [](WindowCommands& w) {
        w.cmdCatchUp_Click(w.day_files().empty() ? std::optional(w.model().TxtFromDt) : std::nullopt);
      };
      name = "cmdCatchUp: ";
      break;
    case Run::FetchDay:
      work = [day = fetch_day_](WindowCommands& w) { w.fetch_day(day); };
      name = "cmdCatchUp: ";
      break;
  }
  watcher_.setFuture(QtConcurrent::run([this, work = std::move(work), name = std::move(name)] {
    // The commands report their own failures; this catches what escapes them.
    try {
      work(commands_);
    } catch (const std::exception& e) {
      platform_.messages.show(name + e.what());
    } catch (...) {
      platform_.messages.show(name + "unknown failure");
    }
  }));
}

void MainForm::finish() {
  pointer_.arrow();
  running_ = false;
  widgets_from_model(&before_);
  unlock();
  prgRun_->reset();
  prgRun_->setFormat(QString());
  if (calendar_) refresh_calendar();
  emit commandFinished();
  if (close_pending_) close();
}

void MainForm::stop_clicked() {
  if (!running_) return;
  progress_.request_stop();
  cmdStop_->setEnabled(false);
  prgRun_->setFormat(QStringLiteral("%v of %m, stopping..."));
}

void MainForm::open_chart() {
  if (chart_) {
    chart_->raise();
    chart_->activateWindow();
    return;
  }
  // The database Update has open, else the AmiPath one. Open while a command
  // runs too: the chart reads through its own connection.
  std::string folder = options_.chart_server ? options_.chart_server->database_folder() : "";
  if (folder.empty()) folder = commands_.model().gstrAmiPath;
  chart_ = new ChartWindow(folder, options_.chart_server, this);
  chart_->setWindowFlag(Qt::Window);
  chart_->setAttribute(Qt::WA_DeleteOnClose);
  chart_->show_symbol(txtScrip_->text());
  chart_->show();
}

void MainForm::show_status(const QString& piece, bool cleared) {
  if (cleared) {
    Text1_->clear();
    pending_cr_ = false;
  }
  if (piece.isEmpty()) return;
  QString text = piece;
  if (pending_cr_ && text.startsWith(QLatin1Char('\n'))) text.remove(0, 1);
  pending_cr_ = text.endsWith(QLatin1Char('\r'));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QTextCursor cursor(Text1_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(text);
  QScrollBar* bar = Text1_->verticalScrollBar();
  bar->setValue(bar->maximum());
}

void MainForm::show_progress(int done, int total) {
  if (!running_) return;
  prgRun_->setRange(0, total > 0 ? total : 1);
  prgRun_->setValue(total > 0 ? done : 0);
  // Catch-up: days i of N and the time left at the pace so far.
  if (run_ != Run::CatchUp || !cmdStop_->isEnabled()) return;
  QString format = QStringLiteral("day %v of %m");
  if (done > 0 && done < total) {
    const qint64 left = run_timer_.elapsed() * (total - done) / done / 1000;
    format += left >= 60 ? QStringLiteral(", about %1 min %2 s left").arg(left / 60).arg(left % 60)
                         : QStringLiteral(", about %1 s left").arg(left);
  }
  prgRun_->setFormat(format);
}

CalendarView* MainForm::open_calendar(std::optional<Date> from, std::optional<Date> to) {
  const Date today = commands_.today();
  Date first = today;
  for (int i = 0; i < 2; ++i) first = first.month == 1 ? Date{first.year - 1, 12, 1}
                                                       : Date{first.year, first.month - 1, 1};
  calendar_range_ = CalendarView::month_range(from ? *from : first, to ? *to : today);
  if (!calendar_) {
    calendar_ = new CalendarView(this);
    calendar_->setWindowFlag(Qt::Window);
    calendar_->setAttribute(Qt::WA_DeleteOnClose);
    connect(calendar_, &CalendarView::fetchRequested, this, [this](const QDate& day) {
      if (running_) return;
      fetch_day_ = Date{day.year(), day.month(), day.day()};
      start(Run::FetchDay);
    });
  }
  refresh_calendar();
  calendar_->show();
  calendar_->raise();
  return calendar_;
}

void MainForm::refresh_calendar() {
  if (!running_) model_from_widgets();
  std::vector<std::string> warnings;
  const TradingCalendar calendar = commands_.trading_calendar(warnings);
  DayFiles files({});
  try {
    files = commands_.day_files();
  } catch (const std::exception&) {
    // A folder that cannot be listed holds no day file.
  }
  calendar_->show_states(day_states(calendar, files, calendar_range_.first, calendar_range_.second,
                                    commands_.today()),
                         qs(commands_.model().txtSourceFolder));
}

void MainForm::closeEvent(QCloseEvent* event) {
  if (!running_) {
    if (chart_) chart_->close();  // the program ends with its main window
    event->accept();
    return;
  }
  // The worker uses the window's state: close when it has ended.
  event->ignore();
  close_pending_ = true;
  progress_.request_stop();
  cmdStop_->setEnabled(false);
  prgRun_->setFormat(QStringLiteral("%v of %m, closing when this step ends..."));
}

}  // namespace quillon
