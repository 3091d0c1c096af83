#include "context/AppContext.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <cstring>

#include "ui/EventPump.h"

namespace {

constexpr const char* kCloseSeenProperty = "korvaneCloseSeen";

// Notes that a close was asked for; a window that then is hidden had its
// close accepted and is on its way out (Qt hides it at once and deletes it
// later). Showing it again, after a refused close, clears the note.
class CloseWatcher : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) watched->setProperty(kCloseSeenProperty, true);
        else if (event->type() == QEvent::Show) watched->setProperty(kCloseSeenProperty, false);
        return false;
    }
};

}  // namespace

QMdiArea* AppContext::mdiArea() {
    return mainFrameLoader ? mainFrameLoader() : nullptr;
}

QWidget* AppContext::topOf(QWidget* w) {
    if (!w) return nullptr;
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget())) return sub;
    return w;
}

bool AppContext::isClosed(const QWidget* w) {
    return w->property(kCloseSeenProperty).toBool() && w->isHidden();
}

void AppContext::track(QWidget* w) {
    auto* watcher = new CloseWatcher(w);
    w->installEventFilter(watcher);
}

bool AppContext::unloadNamed(const char* className) {
    for (auto& [type, window] : windows_) {
        if (window.isNull() || isClosed(window.data())) continue;
        if (std::strcmp(window->metaObject()->className(), className) == 0) {
            topOf(window.data())->close();
            return true;
        }
    }
    return false;
}

void AppContext::EndProgram() {
    if (endProgram) {
        endProgram();
        return;
    }
    if (auto* pump = dynamic_cast<QtEventPump*>(&eventPump())) pump->setQuitting();
    QCoreApplication::exit(0);
}

void AppContext::placeChild(QMdiSubWindow* sub, QWidget* w) {
    // A child places itself in twips in its constructor (move/resize on
    // the widget); the sub-window takes over that geometry as its own.
    const QPoint pos = w->pos();
    sub->resize(sub->sizeHint().expandedTo(w->size()));
    sub->move(pos);
}

void AppContext::runModal(QWidget* w) {
    QWidget* top = topOf(w);
    if (modalHook) {
        top->show();
        modalHook(w);
        return;
    }
    if (auto* dlg = qobject_cast<QDialog*>(top)) {
        dlg->exec();
        return;
    }
    // A plain widget shown modally: a local event loop until it closes.
    QEventLoop loop;
    QPointer<QWidget> guard(top);
    QObject::connect(top, &QObject::destroyed, &loop, &QEventLoop::quit);
    top->setWindowModality(Qt::ApplicationModal);
    top->show();
    if (guard) loop.exec();
}
