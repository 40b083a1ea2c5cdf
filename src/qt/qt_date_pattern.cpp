#include "qt/qt_date_pattern.h"

#include <QLocale>

namespace quillon {

std::string QtDatePattern::short_date_pattern() {
  return QLocale::system().dateFormat(QLocale::ShortFormat).toStdString();
}

}  // namespace quillon
