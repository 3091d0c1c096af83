#include "ui/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

#include "platform/TextFile.h"

namespace {

std::shared_ptr<Dialogs>& installed() {
    static std::shared_ptr<Dialogs> d;
    return d;
}

std::string fileTitleOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

QWidget* dialogParent() {
    if (QWidget* w = QApplication::activeModalWidget()) return w;
    return QApplication::activeWindow();
}

}  // namespace

Dialogs& dialogs() {
    auto& d = installed();
    if (!d) d = std::make_shared<QtDialogs>();
    return *d;
}

void installDialogs(std::shared_ptr<Dialogs> d) { installed() = std::move(d); }

// ---------------------------------------------------------------------------
// The filter text "Desc|patterns|Desc|patterns|" as Qt's file dialog takes it:
// "Desc (patterns);;Desc (patterns)". "*.*" means every file here, and the
// patterns are given in both cases because names on this platform are
// case-sensitive while the program's users expect "DATA.SHP" to be offered.
std::string qtFileFilter(const std::string& filter) {
    const QStringList pieces = QString::fromStdString(filter).split('|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2) {
        QString label = pieces[i].trimmed();
        const QString patterns = pieces[i + 1].trimmed();
        if (label.isEmpty() && patterns.isEmpty()) continue;
        const qsizetype paren = label.lastIndexOf('(');
        if (paren > 0 && label.endsWith(')')) label = label.left(paren).trimmed();
        QStringList globs;
        for (const QString& p : patterns.split(';', Qt::SkipEmptyParts)) {
            const QString g = p.trimmed();
            if (g == "*.*" || g == "*") {
                globs = QStringList{"*"};
                break;
            }
            globs << g;
            if (g.toLower() != g) globs << g.toLower();
            if (g.toUpper() != g) globs << g.toUpper();
        }
        globs.removeDuplicates();
        out << QString("%1 (%2)").arg(label, globs.join(' '));
    }
    return out.join(";;").toStdString();
}

MsgResult QtDialogs::message(const std::string& text, const std::string& title, MsgIcon icon,
                             MsgButtons buttons) {
    QMessageBox box(dialogParent());
    box.setWindowTitle(QString::fromStdString(title.empty() ? kProgramTitle : title));
    box.setText(QString::fromStdString(text));
    switch (icon) {
        case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
        case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
        case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
        case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    }
    switch (buttons) {
        case MsgButtons::OK: box.setStandardButtons(QMessageBox::Ok); break;
        case MsgButtons::OKCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case MsgButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        case MsgButtons::RetryCancel: box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel); break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok: return MsgResult::OK;
        case QMessageBox::Yes: return MsgResult::Yes;
        case QMessageBox::No: return MsgResult::No;
        case QMessageBox::Retry: return MsgResult::Retry;
        default:
            // Closing the box with Escape or its close button: the "OK only" box
            // can answer nothing but OK.
            return buttons == MsgButtons::OK ? MsgResult::OK : MsgResult::Cancel;
    }
}

namespace {
FileDialogResult runFileDialog(const FileDialogRequest& request, bool save) {
    QFileDialog dlg(dialogParent(), QString::fromStdString(request.title));
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // The dialog would ask about the name as typed; the question comes
    // below, about the name with its extension.
    const bool required = save && request.extensionRequired && !request.defaultExt.empty();
    if (required) dlg.setOption(QFileDialog::DontConfirmOverwrite);
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlg.setNameFilter(QString::fromStdString(qtFileFilter(request.filter)));
    if (!request.defaultExt.empty()) dlg.setDefaultSuffix(QString::fromStdString(request.defaultExt));
    if (!request.initialDir.empty()) {
        // A folder opens there; a file (a previous save) opens in its folder
        // with its name offered.
        const QFileInfo start(QString::fromStdString(request.initialDir));
        if (start.isDir()) {
            dlg.setDirectory(start.absoluteFilePath());
        } else {
            dlg.setDirectory(start.absolutePath());
            dlg.selectFile(start.fileName());
        }
    }
    for (;;) {
        if (dlg.exec() != QDialog::Accepted) return {};
        const QStringList files = dlg.selectedFiles();
        if (files.isEmpty() || files.front().isEmpty()) return {};
        FileDialogResult r;
        r.fileName = QFileInfo(files.front()).absoluteFilePath().toStdString();
        if (required) {
            r.fileName = withExtension(r.fileName, request.defaultExt);
            const QFileInfo target(QString::fromStdString(r.fileName));
            if (target.exists() &&
                QtDialogs().message(r.fileName + " already exists.\nDo you want to replace it?",
                                    dlg.windowTitle().toStdString(), MsgIcon::Exclamation,
                                    MsgButtons::YesNo) != MsgResult::Yes) {
                dlg.selectFile(target.fileName());
                continue;  // the dialog again, to choose another name
            }
        }
        r.fileTitle = fileTitleOf(r.fileName);
        return r;
    }
}
}  // namespace

FileDialogResult QtDialogs::openFile(const FileDialogRequest& request) { return runFileDialog(request, false); }
FileDialogResult QtDialogs::saveFile(const FileDialogRequest& request) { return runFileDialog(request, true); }

// ---------------------------------------------------------------------------

MsgResult ScriptedDialogs::message(const std::string& text, const std::string& title, MsgIcon icon,
                                   MsgButtons buttons) {
    messages.push_back({text, title.empty() ? std::string(kProgramTitle) : title, icon, buttons});
    if (!messageAnswers.empty()) {
        const MsgResult r = messageAnswers.front();
        messageAnswers.pop_front();
        return r;
    }
    switch (buttons) {
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel: return MsgResult::Yes;
        case MsgButtons::RetryCancel: return MsgResult::Retry;
        default: return MsgResult::OK;
    }
}

FileDialogResult ScriptedDialogs::answerFile(bool save, const FileDialogRequest& request) {
    fileCalls.push_back({save, request});
    if (fileAnswers.empty()) return {};
    FileDialogResult r;
    r.fileName = fileAnswers.front();
    fileAnswers.pop_front();
    if (r.fileName.empty()) return r;
    if (save && request.extensionRequired && !request.defaultExt.empty())
        r.fileName = withExtension(r.fileName, request.defaultExt);
    r.fileTitle = fileTitleOf(r.fileName);
    return r;
}

FileDialogResult ScriptedDialogs::openFile(const FileDialogRequest& request) { return answerFile(false, request); }
FileDialogResult ScriptedDialogs::saveFile(const FileDialogRequest& request) { return answerFile(true, request); }
