#pragma once
// The one door through which the program shows message boxes and the
// open and save file dialogs. The program installs the Qt implementation;
// tests install ScriptedDialogs, which answers from a script and records
// every call, so that every handler can be driven headless.

#include <deque>
#include <memory>
#include <string>
#include <vector>

class QWidget;

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgResult { OK, Cancel, Yes, No, Retry };

struct FileDialogRequest {
    std::string title;         // dialog caption ("" = the platform's default)
    std::string filter;        // "Shapefiles (*.shp)|*.shp|All files (*.*)|*.*"
    std::string defaultExt;    // without the dot
    std::string initialDir;
    // A save whose file must end in "." defaultExt: a name that ends
    // otherwise gets it added ("out.txt" becomes "out.txt.csm") before the
    // dialog asks whether to replace an existing file, so the question and
    // the name returned are those of the file that will be written.
    bool extensionRequired = false;
};

struct FileDialogResult {
    std::string fileName;   // full path; empty when cancelled
    std::string fileTitle;  // the name without its folder
    bool cancelled() const noexcept { return fileName.empty(); }
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // title "" means the program's default title ("Korvane").
    virtual MsgResult message(const std::string& text, const std::string& title = {},
                              MsgIcon icon = MsgIcon::None, MsgButtons buttons = MsgButtons::OK) = 0;
    virtual FileDialogResult openFile(const FileDialogRequest& request) = 0;
    virtual FileDialogResult saveFile(const FileDialogRequest& request) = 0;

    // The usual "Warning!" box with the critical icon for bad input.
    void warning(const std::string& text) { message(text, "Warning!", MsgIcon::Critical); }
};

// The dialogs the program uses; installed once at start-up (or by a test).
Dialogs& dialogs();
void installDialogs(std::shared_ptr<Dialogs> d);

inline constexpr const char* kProgramTitle = "Korvane";

// The program's filter text ("Desc|patterns|Desc|patterns|") in the form
// Qt's file dialog takes ("Desc (patterns);;Desc (patterns)").
std::string qtFileFilter(const std::string& filter);

// Qt implementation.
class QtDialogs : public Dialogs {
public:
    MsgResult message(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons) override;
    FileDialogResult openFile(const FileDialogRequest& request) override;
    FileDialogResult saveFile(const FileDialogRequest& request) override;
};

// Scripted implementation for tests: queued answers are consumed in order;
// with none queued a message answers OK (or the first button) and a file
// dialog is cancelled. A save with a required extension returns the queued
// name with it, as the real dialog does. Every call is recorded.
class ScriptedDialogs : public Dialogs {
public:
    struct MessageCall {
        std::string text, title;
        MsgIcon icon;
        MsgButtons buttons;
    };
    struct FileCall {
        bool save;
        FileDialogRequest request;
    };

    void queueMessageAnswer(MsgResult r) { messageAnswers.push_back(r); }
    // A full path; the file title is derived from it. "" queues a cancel.
    void queueFile(const std::string& fullPath) { fileAnswers.push_back(fullPath); }

    MsgResult message(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons) override;
    FileDialogResult openFile(const FileDialogRequest& request) override;
    FileDialogResult saveFile(const FileDialogRequest& request) override;

    std::vector<MessageCall> messages;
    std::vector<FileCall> fileCalls;
    std::deque<MsgResult> messageAnswers;
    std::deque<std::string> fileAnswers;

private:
    FileDialogResult answerFile(bool save, const FileDialogRequest& request);
};
