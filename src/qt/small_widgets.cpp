#include "qt/small_widgets.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QUrl>

namespace quillon {

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  QFont f = font();
  f.setUnderline(true);
  setFont(f);
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
  setPalette(pal);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::TabFocus);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    emit clicked();
  QLabel::mouseReleaseEvent(event);
}

void LinkLabel::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
      event->key() == Qt::Key_Space) {
    emit clicked();
    return;
  }
  QLabel::keyPressEvent(event);
}

BrowserPane::BrowserPane(QWidget* parent) : QTextBrowser(parent) {
  setOpenLinks(false);
  setFocusPolicy(Qt::NoFocus);
}

void BrowserPane::navigate(const QString& address) {
  address_ = address;
  setToolTip(address);
  const QUrl url(address);
  if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) {
    setSource(url);
    return;
  }
  clear();
  if (address != QLatin1String("about:blank")) setPlainText(address);
}

}  // namespace quillon
