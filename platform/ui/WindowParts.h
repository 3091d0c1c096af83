#pragma once
// What the retrospective windows build their controls with, and the quiet
// change of a control that code makes before it runs the control's click
// handler itself (so that the handler runs exactly once).

#include <QGroupBox>
#include <QRect>
#include <QSignalBlocker>
#include <QWidget>
#include <type_traits>

#include "platform/ui/Twips.h"

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

// Applies `change` to the control with its signals blocked.
template <class W, class Change>
void quietly(W* w, Change change) {
    const QSignalBlocker block(w);
    change(w);
}

}  // namespace WindowParts
