#include "ui/TextSave.h"

#include "platform/Error.h"
#include "platform/TextFile.h"
#include "ui/Dialogs.h"

TextSaveResult saveTextFile(
    const std::function<std::vector<std::string>()>& lines,
    const std::function<std::string(SaveStep step, const std::string& file, const std::string& cause)>& failed,
    const std::string& initialDir) {
    FileDialogRequest request;
    request.filter = "Text File (*.txt)|*.txt";
    request.initialDir = initialDir;
    TextSaveResult result;
    result.fileName = dialogs().saveFile(request).fileName;
    if (result.cancelled()) return result;
    SaveStep step = SaveStep::BuildingLines;
    try {
        const std::vector<std::string> text = lines();
        step = SaveStep::Writing;
        writeTextFileLines(result.fileName, text);
    } catch (const AppError& e) {
        dialogs().warning(failed(step, result.fileName, e.description()));
        return result;
    }
    result.written = true;
    return result;
}
