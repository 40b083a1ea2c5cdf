#include "qt/qt_platform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QThread>
#include <QUrl>

namespace quillon {

bool on_thread_of(const QObject* object) { return QThread::currentThread() == object->thread(); }

void post_to(QObject* context, std::function<void()> work) {
  QMetaObject::invokeMethod(context, std::move(work), Qt::AutoConnection);
}

QtMessageBox::QtMessageBox(QWidget* parent) : parent_(parent) {}

QtMessageBox::~QtMessageBox() { release_waiters(); }

void QtMessageBox::show_here(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kProductName), text, QMessageBox::Ok,
                  parent_);
  box.setObjectName(QStringLiteral("messageBox"));
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void QtMessageBox::show(const std::string& text) {
  const QString qtext = QString::fromStdString(text);
  if (on_thread_of(parent_)) {
    show_here(qtext);
    return;
  }
  auto wait = std::make_shared<Wait>();
  {
    std::lock_guard lock(mutex_);
    if (released_) return;
    waiting_ = wait;
  }
  QMetaObject::invokeMethod(
      parent_,
      [this, wait, qtext] {
        show_here(qtext);
        std::lock_guard lock(wait->m);
        wait->done = true;
        wait->cv.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(wait->m);
  wait->cv.wait(lock, [&] { return wait->done; });
  std::lock_guard own(mutex_);
  waiting_.reset();
}

void QtMessageBox::release_waiters() {
  std::shared_ptr<Wait> wait;
  {
    std::lock_guard lock(mutex_);
    released_ = true;
    wait = std::move(waiting_);
  }
  if (wait) {
    std::lock_guard lock(wait->m);
    wait->done = true;
    wait->cv.notify_all();
  }
}

std::string QtFolderPicker::pick(const std::string& prompt) {
  return QFileDialog::getExistingDirectory(parent_, QString::fromStdString(prompt))
      .toStdString();
}

void QtWebOpener::open(const std::string& address) {
  QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

void QtEventPump::pump() {
  if (QCoreApplication::instance() && on_thread_of(QCoreApplication::instance()))
    QCoreApplication::processEvents();
}

QtMousePointer::~QtMousePointer() {
  if (busy_) QGuiApplication::restoreOverrideCursor();
}

void QtMousePointer::busy() {
  post_to(context_, [this] {
    if (busy_) return;
    // The busy arrow rather than the hourglass: the window keeps working.
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    busy_ = true;
  });
}

void QtMousePointer::arrow() {
  post_to(context_, [this] {
    if (!busy_) return;
    QGuiApplication::restoreOverrideCursor();
    busy_ = false;
  });
}

void PostingBrowser::navigate(const std::string& address) {
  post_to(context_, [show = show_, a = QString::fromStdString(address)] { show(a); });
}

void PostingProgress::report(int done, int total) {
  post_to(context_, [show = show_, done, total] { show(done, total); });
}

}  // namespace quillon
