// Two small widgets of the main window: the link label and the browser pane.
#pragma once

#include <QLabel>
#include <QTextBrowser>

namespace quillon {

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
