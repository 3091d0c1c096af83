#pragma once
// A press and release of the left button at the middle of a widget, sent
// through the application's event dispatch as a user's click comes (a
// click() from code would call the handler past it).

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

inline void realClick(QWidget* w) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QCoreApplication::sendEvent(w, &release);
}
