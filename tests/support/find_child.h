// A widget of a window by its objectName, or a series or axis of one of its
// charts; a test without it cannot go on.
#pragma once

#include <QChart>
#include <QChartView>
#include <QObject>

template <class T>
T* child(QObject& window, const char* name) {
  const QString wanted = QString::fromLatin1(name);
  if (T* c = window.findChild<T*>(wanted)) return c;
  for (QChartView* view : window.findChildren<QChartView*>()) {
    QObjectList parts;
    for (QAbstractSeries* series : view->chart()->series()) parts.append(series);
    for (QAbstractAxis* axis : view->chart()->axes()) parts.append(axis);
    for (QObject* part : parts)
      if (T* c = qobject_cast<T*>(part); c && part->objectName() == wanted) return c;
  }
  qFatal("no child %s", name);
}
