// The platform pieces of the window. Commands run on a worker thread; every
// piece here may be called from it and does its widget work on the thread of
// the window it was given (the UI thread).
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/interfaces.h"

class QWidget;

namespace quillon {

inline constexpr const char* kProductName = "Quillon";

// True when called on the thread that `object` lives in.
bool on_thread_of(const QObject* object);

// Runs `work` on the thread of `context`: at once when already there,
// otherwise queued behind what was posted before.
void post_to(QObject* context, std::function<void()> work);

// A modal message box over `parent` with an OK button only and the program's
// name as its title. From another thread the box is shown on the UI thread
// and show() returns when the user has pressed OK; boxes raised one after
// the other appear in that order.
class QtMessageBox final : public MessageBox {
 public:
  explicit QtMessageBox(QWidget* parent);
  ~QtMessageBox() override;
  void show(const std::string& text) override;
  // From now on show() no longer waits (the window is going away).
  void release_waiters();

 private:
  struct Wait {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
  };
  void show_here(const QString& text);

  QWidget* parent_;
  std::mutex mutex_;
  bool released_ = false;
  std::shared_ptr<Wait> waiting_;
};

// The system's folder picker (called on the UI thread).
class QtFolderPicker final : public FolderPicker {
 public:
  explicit QtFolderPicker(QWidget* parent) : parent_(parent) {}
  std::string pick(const std::string& prompt) override;

 private:
  QWidget* parent_;
};

// Opens an address in the user's default browser.
class QtWebOpener final : public WebOpener {
 public:
  void open(const std::string& address) override;
};

// Lets the UI thread handle its pending events; on the worker thread there is
// nothing to do, the window handles its events all the time.
class QtEventPump final : public EventPump {
 public:
  void pump() override;
};

// The busy pointer over the whole program, set and reset on the UI thread.
class QtMousePointer final : public MousePointer {
 public:
  explicit QtMousePointer(QObject* context) : context_(context) {}
  ~QtMousePointer() override;
  void busy() override;
  void arrow() override;

 private:
  QObject* context_;
  bool busy_ = false;  // touched on the UI thread only
};

// Forwards navigations to a function run on the UI thread.
class PostingBrowser final : public Browser {
 public:
  PostingBrowser(QObject* context, std::function<void(const QString&)> show)
      : context_(context), show_(std::move(show)) {}
  void navigate(const std::string& address) override;

 private:
  QObject* context_;
  std::function<void(const QString&)> show_;
};

// Progress of a run shown by a function on the UI thread, and the Stop
// button's request.
class PostingProgress final : public RunProgress {
 public:
  PostingProgress(QObject* context, std::function<void(int, int)> show)
      : context_(context), show_(std::move(show)) {}
  void report(int done, int total) override;
  bool stop_requested() override { return stop_.load(); }
  void request_stop() { stop_.store(true); }
  void reset() { stop_.store(false); }

 private:
  QObject* context_;
  std::function<void(int, int)> show_;
  std::atomic<bool> stop_{false};
};

}  // namespace quillon
