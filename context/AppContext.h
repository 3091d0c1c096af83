#pragma once
// What every window is handed: the program-wide state, the one instance of
// each window, the map hub that tells windows what the user did on a map,
// and the services of the main frame.
//
// Every window exists once. load<W>() creates the window when it is not
// open (its constructor runs its start-up steps); show<W>() loads it and
// shows it or brings it to the front; unload<W>() closes it, running its
// closing steps (closing a window that is not open does nothing). A window
// is a QWidget subclass with a constructor W(AppContext&) and a static
// `kind` saying whether it is a child of the main frame or stands free.
//
// A window's own variables, which keep their values across a close, live
// in a struct fetched with vars<T>(); its controls start afresh at every
// load because the widget is built anew.
//
// A window counts as closed from the moment its close is accepted, not
// when Qt gets round to deleting it: loading it again right after a close
// builds a new window instead of handing back the dying one. A child
// window may give `static constexpr Qt::WindowFlags subWindowFlags` for its
// sub-window (a window without a caption bar, for one).

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <typeindex>

#include "context/FrameServices.h"
#include "context/MapHub.h"
#include "stats/AppState.h"

enum class WindowKind { MainFrame, MdiChild, FreeStanding };

// The sub-window of a child with a fixed border, a caption and a close box,
// but no minimise or maximise box.
inline constexpr Qt::WindowFlags kFixedChildFlags = Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                    Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

class AppContext {
public:
    AppState state;

    // The signals of the map windows (see MapHub).
    MapHub& mapHub() noexcept { return hub_; }
    // The main frame's mouse pointer, status text and menu rule.
    FrameServices& frame() noexcept { return frame_; }

    // The open instance of W, or nullptr.
    template <class W>
    W* find() const {
        auto it = windows_.find(typeid(W));
        if (it == windows_.end() || it->second.isNull() || isClosed(it->second.data())) return nullptr;
        return static_cast<W*>(it->second.data());
    }
    template <class W>
    bool isOpen() const { return find<W>() != nullptr; }

    // The window, loaded (and, for a child of the main frame, shown inside
    // it) when it was not open.
    template <class W>
    W* load() {
        if (W* w = find<W>()) return w;
        if constexpr (W::kind == WindowKind::MdiChild) {
            QMdiArea* area = mdiArea();
            W* w = new W(*this);
            windows_[typeid(W)] = w;
            track(w);
            QMdiSubWindow* sub = area->addSubWindow(w, subWindowFlagsOf<W>());
            sub->setAttribute(Qt::WA_DeleteOnClose);
            w->setAttribute(Qt::WA_DeleteOnClose);
            placeChild(sub, w);
            sub->show();
            return w;
        } else {
            W* w = new W(*this);
            w->setAttribute(Qt::WA_DeleteOnClose);
            windows_[typeid(W)] = w;
            track(w);
            return w;
        }
    }

    // Loads W and shows it, or brings it to the front when it is open.
    template <class W>
    W* show() {
        W* w = load<W>();
        QWidget* top = topOf(w);
        top->show();
        top->raise();
        if constexpr (W::kind == WindowKind::MdiChild) {
            if (auto* sub = qobject_cast<QMdiSubWindow*>(top)) mdiArea()->setActiveSubWindow(sub);
        } else {
            top->activateWindow();
        }
        return w;
    }

    // Shows W modally: returns when it has closed. Tests install a modal
    // hook that drives the window instead of running a nested event loop.
    template <class W>
    void showModal() {
        W* w = load<W>();
        runModal(w);
    }

    // Closes W when it is open; its closing steps run in its closeEvent.
    template <class W>
    void unload() {
        if (W* w = find<W>()) topOf(w)->close();
    }

    // Closes the open window whose class is named `className` (for windows
    // the caller knows only by name); false when none is open.
    bool unloadNamed(const char* className);

    // Variables of a window that outlive its closing.
    template <class T>
    T& vars() {
        auto& p = vars_[typeid(T)];
        if (!p) p = std::make_shared<T>();
        return *static_cast<T*>(p.get());
    }

    // The main frame's client area; loads the main frame when needed.
    QMdiArea* mdiArea();
    // Set by the main frame while it is open.
    std::function<QMdiArea*()> mainFrameLoader;

    // Test seam: when set, a modal window is shown and handed to the hook,
    // which drives it (and normally closes it); no nested event loop runs.
    std::function<void(QWidget*)> modalHook;

    // Records the window as the open instance of W (used by the main frame,
    // which is created outside load()).
    template <class W>
    void registerOpen(W* w) {
        windows_[typeid(W)] = w;
        if (w) track(w);
    }

    // Ends the program at once (the frame's Exit): no window's closing steps
    // run. Tests replace it to see that it was asked for.
    std::function<void()> endProgram;
    void EndProgram();

    // The widget that is shown for w: its sub-window when it is a child.
    static QWidget* topOf(QWidget* w);

private:
    template <class W>
    static Qt::WindowFlags subWindowFlagsOf() {
        if constexpr (requires { W::subWindowFlags; }) return W::subWindowFlags;
        else return Qt::WindowFlags();
    }
    void placeChild(QMdiSubWindow* sub, QWidget* w);
    void runModal(QWidget* w);
    // Watches the window's close so that it counts as closed at once.
    void track(QWidget* w);
    static bool isClosed(const QWidget* w);

    MapHub hub_;
    FrameServices frame_;
    std::map<std::type_index, QPointer<QWidget>> windows_;
    std::map<std::type_index, std::shared_ptr<void>> vars_;
};
