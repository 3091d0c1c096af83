#include "ui/TextSave.h"

#include "platform/Error.h"
#include "platform/TextFile.h"
#include "ui/Dialogs.h"

std::string saveTextFile(const std::function<std::vector<std::string>()>& lines,
                         const std::function<std::string(const std::string& file, const std::string& cause)>& failed,
                         const std::string& initialDir) {
    FileDialogRequest request;
    request.filter = "Text File (*.txt)|*.txt";
    request.initialDir = initialDir;
    const FileDialogResult chosen = dialogs().saveFile(request);
    if (chosen.cancelled()) return {};
    try {
        writeTextFileLines(chosen.fileName, lines());
    } catch (const AppError& e) {
        dialogs().warning(failed(chosen.fileName, e.description()));
        return {};
    }
    return chosen.fileName;
}
