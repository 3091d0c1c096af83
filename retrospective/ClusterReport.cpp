#include "retrospective/ClusterReport.h"

#include "ui/TextSave.h"

namespace ClusterReport {

void save(std::string& lastSaveName, const std::function<std::vector<std::string>()>& lines) {
    const TextSaveResult saved = saveTextFile(
        lines,
        [](SaveStep step, const std::string& file, const std::string& cause) {
            if (step == SaveStep::BuildingLines)
                return "The report was not saved: its values cannot be written (" + cause + ").";
            return "The report could not be saved to \"" + file + "\": " + cause;
        },
        lastSaveName);
    if (saved.written) lastSaveName = saved.fileName;
}

}  // namespace ClusterReport
