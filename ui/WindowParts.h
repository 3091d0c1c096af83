#pragma once
// What the windows build their controls with, the quiet change of a
// control that code makes before it runs the control's click handler
// itself (so that the handler runs exactly once), and the lines of a list.

#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QRect>
#include <QSignalBlocker>
#include <QStringList>
#include <QWidget>
#include <string>
#include <type_traits>
#include <vector>

#include "ui/PictureSurface.h"
#include "ui/Twips.h"

namespace WindowParts {

// A rectangle given in twips, in pixels.
inline QRect twips(int left, int top, int width, int height) {
    return twipsRect(left, top, width, height);
}

// A child control with its objectName and place.
template <class W>
W* control(QWidget* parent, const char* name, QRect geometry) {
    auto* w = new W(parent);
    w->setObjectName(name);
    w->setGeometry(geometry);
    return w;
}

// A control with a caption: a frame's title, or the text of a button,
// option, check box, label or text box.
template <class W>
W* captioned(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    W* w = control<W>(parent, name, geometry);
    if constexpr (std::is_base_of_v<QGroupBox, W>)
        w->setTitle(caption);
    else
        w->setText(caption);
    return w;
}

// The captioned controls by kind.
inline constexpr auto frameBox = captioned<QGroupBox>;
inline constexpr auto option = captioned<QRadioButton>;
inline constexpr auto button = captioned<QPushButton>;
inline constexpr auto textBox = captioned<QLineEdit>;
inline constexpr auto label = captioned<QLabel>;

// A short thick line in a colour (24-bit BGR), the sample of a chart line
// beside its legend text; (x, y) in pixels.
inline QFrame* legendLine(QWidget* parent, const char* name, int bgr, int x, int y) {
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    f->setFrameShape(QFrame::NoFrame);
    f->setAutoFillBackground(true);
    // Its own role: a child takes its parent's background role otherwise.
    f->setBackgroundRole(QPalette::Window);
    QPalette p = f->palette();
    p.setColor(QPalette::Window, bgrToQColor(bgr));
    f->setPalette(p);
    f->setGeometry(x, y, 24, 3);
    return f;
}

// Applies `change` to the control with its signals blocked.
template <class W, class Change>
void quietly(W* w, Change change) {
    const QSignalBlocker block(w);
    change(w);
}

// Runs the window's click handler of a list: for a mouse click (on a new
// row or the current one) when the button is released, and at once for a
// row changed from the keyboard.
template <class Window>
void connectList(Window* window, QListWidget* list, void (Window::*handler)()) {
    QObject::connect(list, &QListWidget::clicked, window, [window, handler] { (window->*handler)(); });
    QObject::connect(list, &QListWidget::currentRowChanged, window, [window, handler] {
        if (QGuiApplication::mouseButtons() == Qt::NoButton) (window->*handler)();
    });
}

// Lines as a list takes them.
inline QStringList toQt(const std::vector<std::string>& lines) {
    QStringList out;
    out.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& l : lines) out << QString::fromStdString(l);
    return out;
}

// The lines a list shows.
inline std::vector<std::string> fromList(const QListWidget* list) {
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
    return out;
}

}  // namespace WindowParts
