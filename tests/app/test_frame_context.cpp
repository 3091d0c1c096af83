// The window slots of AppContext: one instance per window, counted closed
// the moment its close is accepted, variables that outlive it.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMdiArea>
#include <QWidget>

#include "context/AppContext.h"

namespace {

struct ProbeVars {
    int loads = 0;
};

// A child window that counts its loads and closing steps and can refuse to close.
class ctxProbeChild : public QWidget {
public:
    static constexpr WindowKind kind = WindowKind::MdiChild;
    explicit ctxProbeChild(AppContext& ctx) : ctx_(ctx) {
        ++ctx_.vars<ProbeVars>().loads;
        move(40, 30);
        resize(200, 100);
    }
    static inline int unloads = 0;
    static inline bool refuse = false;

protected:
    void closeEvent(QCloseEvent* e) override {
        if (refuse) {
            e->ignore();
            return;
        }
        ++unloads;
        // Its closing steps may still find the window itself.
        EXPECT_EQ(ctx_.find<ctxProbeChild>(), this);
        e->accept();
    }

private:
    AppContext& ctx_;
};

class ctxProbeFree : public QWidget {
public:
    static constexpr WindowKind kind = WindowKind::FreeStanding;
    explicit ctxProbeFree(AppContext&) {}
};

}  // namespace

TEST(AppContextSlots, AWindowExistsOnceAndIsGoneTheMomentItCloses) {
    QMdiArea area;
    AppContext ctx;
    ctx.mainFrameLoader = [&] { return &area; };
    ctxProbeChild::unloads = 0;
    ctxProbeChild::refuse = false;

    ctxProbeChild* first = ctx.show<ctxProbeChild>();
    EXPECT_EQ(ctx.show<ctxProbeChild>(), first);
    EXPECT_EQ(ctx.load<ctxProbeChild>(), first);
    EXPECT_EQ(area.subWindowList().size(), 1);
    EXPECT_EQ(AppContext::topOf(first)->pos(), QPoint(40, 30));
    EXPECT_EQ(ctx.vars<ProbeVars>().loads, 1);

    // A refused close keeps it.
    ctxProbeChild::refuse = true;
    ctx.unload<ctxProbeChild>();
    EXPECT_EQ(ctx.find<ctxProbeChild>(), first);
    ctxProbeChild::refuse = false;

    ctx.unload<ctxProbeChild>();
    EXPECT_EQ(ctxProbeChild::unloads, 1);
    // Closed at once, before Qt deletes it: loading again builds a new one.
    EXPECT_EQ(ctx.find<ctxProbeChild>(), nullptr);
    ctx.unload<ctxProbeChild>();  // closing a closed window does nothing
    EXPECT_EQ(ctxProbeChild::unloads, 1);
    ctxProbeChild* second = ctx.load<ctxProbeChild>();
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(ctx.vars<ProbeVars>().loads, 2);  // the variables outlived the close
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ctx.find<ctxProbeChild>(), second);

    // By class name, for windows the caller has no header of (the probe
    // has no meta-object of its own, so it answers to its base's name).
    EXPECT_FALSE(ctx.unloadNamed("frmNoSuchWindow"));
    EXPECT_TRUE(ctx.unloadNamed("QWidget"));
    EXPECT_EQ(ctxProbeChild::unloads, 2);
    EXPECT_EQ(ctx.find<ctxProbeChild>(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(area.subWindowList().isEmpty());
}

TEST(AppContextSlots, FreeStandingWindowsAndTheModalHook) {
    AppContext ctx;
    int driven = 0;
    ctx.modalHook = [&](QWidget* w) {
        ++driven;
        EXPECT_TRUE(w->isVisible());
        w->close();
    };
    ctx.showModal<ctxProbeFree>();
    EXPECT_EQ(driven, 1);
    EXPECT_EQ(ctx.find<ctxProbeFree>(), nullptr);
    ctxProbeFree* w = ctx.show<ctxProbeFree>();
    EXPECT_EQ(w->parentWidget(), nullptr);
    ctx.unload<ctxProbeFree>();
    EXPECT_EQ(ctx.find<ctxProbeFree>(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(AppContextSlots, EndProgramUsesTheInstalledHook) {
    AppContext ctx;
    int ended = 0;
    ctx.endProgram = [&] { ++ended; };
    ctx.EndProgram();
    EXPECT_EQ(ended, 1);
}
