#pragma once
// What the windows build their controls with, how they connect their
// handlers (guarded, so that an exception stops in the handler it came
// from), the quiet change of a control that code makes before it runs the
// control's click handler itself (so that the handler runs exactly once),
// and the lines of a list.

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPalette>
#include <QPersistentModelIndex>
#include <QPushButton>
#include <QRadioButton>
#include <QRect>
#include <QSignalBlocker>
#include <QStringList>
#include <QWidget>
#include <concepts>
#include <exception>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "ui/GuardedApplication.h"
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

// A handler as it is connected: whatever it lets through (the program's
// own errors, std::bad_alloc, anything else) stops in its own frame as the
// step's warning and never crosses Qt's event dispatch. It takes what its
// signal sends, or the first of it, or nothing.
template <class Handler>
auto guarded(Handler handler) {
    return [handler = std::move(handler)]<class... Args>(Args&&... args)
        requires std::invocable<const Handler&, Args...>
    {
        const HandlerScope step;
        try {
            std::invoke(handler, std::forward<Args>(args)...);
        } catch (...) {
            GuardedApplication::stopStep(std::current_exception(), StoppedAt::Handler);
        }
    };
}

// Connects `handler` to `signal` of `sender`, guarded, for as long as
// `receiver` lives.
template <class Sender, class Signal, class Handler>
QMetaObject::Connection onSignal(const Sender* sender, Signal signal, const QObject* receiver, Handler handler) {
    return QObject::connect(sender, signal, receiver, guarded(std::move(handler)));
}

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

// Runs a list's click handler once for each line the user chooses,
// however it was chosen: a line moved to with the keyboard at once; with
// the mouse when the button is released, whether it was pressed and
// released on one line (a click, on a new line or the current one) or
// pressed on one line and released on another. A line selected from code
// with the list's signals blocked runs nothing: the code runs the handler
// itself, once.
class ListChoice : public QObject {
public:
    ListChoice(QListWidget* list, std::function<void()> handler)
        : QObject(list), list_(list), handler_(guarded(std::move(handler))) {
        list->viewport()->installEventFilter(this);
        // A line pressed on becomes current while the button is still down.
        QObject::connect(list, &QListWidget::currentRowChanged, this, [this] {
            if (!held_) handler_();
        });
        QObject::connect(list, &QListWidget::clicked, this, [this] { handler_(); });
    }

protected:
    // Sees the list's mouse before the list does.
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            held_ = true;
            rowAtPress_ = list_->currentRow();
            pressed_ = list_->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        } else if (event->type() == QEvent::MouseButtonRelease && held_) {
            held_ = false;
            const auto* mouse = static_cast<QMouseEvent*>(event);
            // A left press and release on one line is a click, which the
            // list reports itself once it has seen the release.
            const bool click = mouse->button() == Qt::LeftButton && pressed_.isValid() &&
                               list_->indexAt(mouse->position().toPoint()) == pressed_;
            if (!click && list_->currentRow() != rowAtPress_) handler_();
        }
        return false;
    }

private:
    QListWidget* list_;
    std::function<void()> handler_;
    // A mouse button went down on the list and has not come up yet.
    bool held_ = false;
    int rowAtPress_ = -1;
    QPersistentModelIndex pressed_;
};

// Runs the window's click handler of a list for each line the user chooses.
template <class Window>
void connectList(Window* window, QListWidget* list, void (Window::*handler)()) {
    new ListChoice(list, [window, handler] { (window->*handler)(); });
}

// Empties a list. Emptying is no choice of a line: its handler does not run.
inline void clearQuietly(QListWidget* list) {
    quietly(list, [](QListWidget* l) { l->clear(); });
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
