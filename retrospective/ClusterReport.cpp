#include "retrospective/ClusterReport.h"

#include "ui/TextSave.h"

namespace ClusterReport {

void save(std::string& lastSaveName, const std::function<std::vector<std::string>()>& lines) {
    const std::string saved = saveTextFile(
        lines,
        [](const std::string& file, const std::string& cause) {
            return "The report could not be saved to \"" + file + "\": " + cause;
        },
        lastSaveName);
    if (!saved.empty()) lastSaveName = saved;
}

}  // namespace ClusterReport
