#pragma once
// File dialogs that run out of memory once when told to, as any step of a
// handler may: a failure that no routine of the program turns into its own
// error, so it reaches the application's last resort.

#include <new>
#include <utility>

#include "ui/Dialogs.h"

class DialogsOutOfMemory : public ScriptedDialogs {
public:
    bool failNext = false;
    FileDialogResult openFile(const FileDialogRequest& request) override {
        if (std::exchange(failNext, false)) throw std::bad_alloc();
        return ScriptedDialogs::openFile(request);
    }
};
