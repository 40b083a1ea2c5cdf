// Small pieces the windows share: the link label, the browser pane, and
// two helpers for building widgets.
#pragma once

#include <QLabel>
#include <QTextBrowser>
#include <string>

namespace quillon {

inline QString qs(const std::string& s) { return QString::fromStdString(s); }

// The object, named for the tests and the style sheet to find it.
template <class W>
W* named(W* object, const char* name) {
  object->setObjectName(QString::fromLatin1(name));
  return object;
}

// A label drawn as a link (blue, underlined, hand cursor) that reports a
// click by mouse, or by Enter or Space when it has the focus.
class LinkLabel final : public QLabel {
  Q_OBJECT
 public:
  explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

// The small browser pane: shows the page it was sent to when that is a page
// on this computer, otherwise the address (it never goes on the network).
class BrowserPane final : public QTextBrowser {
  Q_OBJECT
 public:
  explicit BrowserPane(QWidget* parent = nullptr);
  void navigate(const QString& address);
  const QString& address() const { return address_; }

 private:
  QString address_;
};

}  // namespace quillon
