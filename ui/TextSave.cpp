#include "ui/TextSave.h"

#include <new>

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
        try {
            const std::vector<std::string> text = lines();
            step = SaveStep::Writing;
            writeTextFileLines(result.fileName, text);
        } catch (const std::bad_alloc&) {
            raiseTooLargeToWrite(result.fileName, "saveTextFile");
        }
    } catch (const AppError& e) {
        // Memory that ran out, while the lines were built or written, is
        // why the file could not be written, whatever the lines hold.
        if (e.number() == RuntimeErrors::OutOfMemory) step = SaveStep::Writing;
        dialogs().warning(failed(step, result.fileName, e.description()));
        return result;
    }
    result.written = true;
    return result;
}
