#include "retrospective/ClusterReport.h"

#include "platform/Error.h"
#include "platform/TextFile.h"
#include "ui/Dialogs.h"

namespace ClusterReport {

void save(std::string& lastSaveName, const std::function<std::vector<std::string>()>& lines) {
    FileDialogRequest request;
    request.filter = "Text File (*.txt)|*.txt";
    request.initialDir = lastSaveName;
    const FileDialogResult chosen = dialogs().saveFile(request);
    if (chosen.cancelled()) return;
    std::vector<std::string> report;
    try {
        report = lines();
    } catch (const AppError& e) {
        dialogs().warning("The report was not saved: its values cannot be written (" + e.description() + ").");
        return;
    }
    try {
        writeTextFileLines(chosen.fileName, report);
    } catch (const AppError& e) {
        dialogs().warning("The report could not be saved to \"" + chosen.fileName + "\": " + e.description());
        return;
    }
    lastSaveName = chosen.fileName;
}

}  // namespace ClusterReport
