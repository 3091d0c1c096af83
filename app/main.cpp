// Korvane: spatial surveillance of disease counts. Starting the program
// loads the main frame; everything else starts from its menus.
#include <memory>

#include "app/MDIFrmMain.h"
#include "context/AppContext.h"
#include "geometry/NotImplemented.h"
#include "ui/Dialogs.h"
#include "ui/EventPump.h"
#include "ui/Fonts.h"
#include "ui/GuardedApplication.h"

int main(int argc, char** argv) {
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName("Korvane");
    QApplication::setApplicationVersion("1.1");
    applyProgramFont();

    installDialogs(std::make_shared<QtDialogs>());
    // The libraries have no windows: their notices come here.
    setNotImplementedHandler([](const std::string& text) { dialogs().message(text); });
    auto pump = std::make_shared<QtEventPump>();
    installEventPump(pump);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [pump] { pump->setQuitting(); });

    auto ctx = std::make_unique<AppContext>();
    installMainFrame(*ctx);
    const int rc = QApplication::exec();
    // The windows go with the process; none of their closing steps run.
    ctx.release();
    return rc;
}
