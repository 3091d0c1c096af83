// The dialogs seam and the event pump.
#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "ui/Dialogs.h"
#include "ui/EventPump.h"

TEST(ScriptedDialogs, RecordsMessagesAndAnswersFromTheScript) {
    ScriptedDialogs d;
    d.queueMessageAnswer(MsgResult::No);
    EXPECT_EQ(d.message("Save?", "Question", MsgIcon::Question, MsgButtons::YesNo), MsgResult::No);
    // With nothing queued: the first button.
    EXPECT_EQ(d.message("Again?", "", MsgIcon::Question, MsgButtons::YesNoCancel), MsgResult::Yes);
    EXPECT_EQ(d.message("Retry?", "", MsgIcon::None, MsgButtons::RetryCancel), MsgResult::Retry);
    d.warning("Bad input");
    ASSERT_EQ(d.messages.size(), 4u);
    EXPECT_EQ(d.messages[0].text, "Save?");
    EXPECT_EQ(d.messages[0].title, "Question");
    EXPECT_EQ(d.messages[1].title, "Korvane");  // the default title
    EXPECT_EQ(d.messages[3].title, "Warning!");
    EXPECT_EQ(d.messages[3].icon, MsgIcon::Critical);
    EXPECT_EQ(d.messages[3].buttons, MsgButtons::OK);
}

TEST(ScriptedDialogs, FileDialogsReturnFullPathAndTitleOrCancel) {
    ScriptedDialogs d;
    d.queueFile("/data/maps.old/counties.shp");
    d.queueFile("");
    FileDialogRequest req;
    req.filter = "SHP Files (*.shp)|*.shp|All Files (*.*)|*.*|";
    const auto first = d.openFile(req);
    EXPECT_EQ(first.fileName, "/data/maps.old/counties.shp");
    EXPECT_EQ(first.fileTitle, "counties.shp");
    EXPECT_FALSE(first.cancelled());
    EXPECT_TRUE(d.saveFile(req).cancelled());
    EXPECT_TRUE(d.openFile(req).cancelled());  // nothing queued
    ASSERT_EQ(d.fileCalls.size(), 3u);
    EXPECT_FALSE(d.fileCalls[0].save);
    EXPECT_TRUE(d.fileCalls[1].save);
    EXPECT_EQ(d.fileCalls[0].request.filter, req.filter);
}

TEST(ScriptedDialogs, InstalledDialogsAreTheOnesUsed) {
    auto scripted = std::make_shared<ScriptedDialogs>();
    installDialogs(scripted);
    dialogs().warning("x");
    EXPECT_EQ(scripted->messages.size(), 1u);
    installDialogs(nullptr);
}

TEST(QtFileFilter, TranslatesTheProgramsFilterText) {
    struct Case {
        const char* filter;
        const char* qt;
    } cases[] = {
        {"SHP Files (*.shp)|*.shp|All Files (*.*)|*.*|", "SHP Files (*.shp *.SHP);;All Files (*)"},
        {"Text File (*.txt)|*.txt", "Text File (*.txt *.TXT)"},
        {"Cusum File|*.csm", "Cusum File (*.csm *.CSM)"},
        {"Text|*.txt;*.csv", "Text (*.txt *.TXT *.csv *.CSV)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(qtFileFilter(c.filter), c.qt);
    }
}

// The Qt boxes themselves, answered from a timer as a user would.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

TEST(QtDialogs, MessageBoxesCarryTitleTextIconAndButtons) {
    struct Case {
        const char* name;
        std::string title;
        MsgIcon icon;
        MsgButtons buttons;
        QMessageBox::StandardButton press;
        std::string wantTitle;
        QMessageBox::Icon wantIcon;
        MsgResult want;
    } cases[] = {
        {"warning", "Warning!", MsgIcon::Critical, MsgButtons::OK, QMessageBox::Ok, "Warning!", QMessageBox::Critical,
         MsgResult::OK},
        {"default title", "", MsgIcon::None, MsgButtons::OK, QMessageBox::Ok, "Korvane", QMessageBox::NoIcon,
         MsgResult::OK},
        {"question answered no", "Save?", MsgIcon::Question, MsgButtons::YesNo, QMessageBox::No, "Save?",
         QMessageBox::Question, MsgResult::No},
        {"cancel", "Info", MsgIcon::Information, MsgButtons::OKCancel, QMessageBox::Cancel, "Info",
         QMessageBox::Information, MsgResult::Cancel},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string seenTitle, seenText;
        QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seenTitle = box->windowTitle().toStdString();
            seenText = box->text().toStdString();
            seenIcon = box->icon();
            box->button(c.press)->click();
        });
        QtDialogs d;
        EXPECT_EQ(d.message("The text", c.title, c.icon, c.buttons), c.want);
        EXPECT_EQ(seenTitle, c.wantTitle);
        EXPECT_EQ(seenText, "The text");
        EXPECT_EQ(seenIcon, c.wantIcon);
    }
}

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <fstream>

#include "tests/support/TestPaths.h"

TEST(ScriptedDialogs, ASaveWithARequiredExtensionReturnsTheNameWithIt) {
    ScriptedDialogs d;
    FileDialogRequest request;
    request.defaultExt = "csm";
    request.extensionRequired = true;
    d.queueFile("/d/out.txt");
    EXPECT_EQ(d.saveFile(request).fileName, "/d/out.txt.csm");
    d.queueFile("/d/out.txt");
    EXPECT_EQ(d.openFile(request).fileName, "/d/out.txt");  // an open takes the file as it is
}

// The real save dialog, answered as a user would: "out.txt" typed where
// the file must be a .csm writes "out.txt.csm", and the question about
// replacing a file is asked about that file, not about "out.txt".
TEST(QtDialogs, ASaveWithARequiredExtensionAsksAboutTheFileItWillWrite) {
    const std::string dir = scratchDir("save-required-extension");
    for (const char* name : {"/out.txt", "/out.txt.csm"}) std::ofstream(dir + name) << "earlier";
    FileDialogRequest request;
    request.filter = "cusum files (*.csm)|*.csm";
    request.defaultExt = "csm";
    request.extensionRequired = true;
    request.initialDir = dir;

    const struct {
        const char* name;
        std::vector<QMessageBox::StandardButton> answers;  // to the questions, in turn
        std::string want;                                   // "" for a cancel
    } cases[] = {
        {"replace", {QMessageBox::Yes}, dir + "/out.txt.csm"},
        {"keep, then cancel", {QMessageBox::No}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> questions;
        int dialogsShown = 0;
        std::size_t answered = 0;
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                questions.push_back(box->text().toStdString());
                box->button(answered < c.answers.size() ? c.answers[answered++] : QMessageBox::No)->click();
            } else if (auto* dlg = qobject_cast<QFileDialog*>(modal)) {
                // Typed into the name box and accepted the first time; the
                // dialog shown again after a "No" is cancelled.
                if (dialogsShown++ == 0) {
                    dlg->findChild<QLineEdit*>("fileNameEdit")->setText("out.txt");
                    dlg->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Save)->click();
                } else {
                    dlg->reject();
                }
            }
        });
        user.start(5);
        const FileDialogResult r = QtDialogs().saveFile(request);
        user.stop();
        EXPECT_EQ(r.fileName, c.want);
        EXPECT_EQ(questions,
                  std::vector<std::string>{dir + "/out.txt.csm already exists.\nDo you want to replace it?"});
    }
}
