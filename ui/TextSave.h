#pragma once
// The save of a text file the user names: the save dialog for text files,
// then the lines written as one whole file, or a "Warning!" saying why not.

#include <functional>
#include <string>
#include <vector>

// The step of a save that raised an error: giving the lines, or writing
// them to the file.
enum class SaveStep { BuildingLines, Writing };

struct TextSaveResult {
    std::string fileName;  // the file chosen; empty when the user cancelled
    bool written = false;  // the whole text is in that file
    bool cancelled() const noexcept { return fileName.empty(); }
};

// Offers the save dialog for a text file (*.txt), starting at `initialDir`,
// and once a file is chosen writes the lines `lines` gives. When a step
// raises an error, a "Warning!" says so in the words `failed` makes of the
// step, the file's name and the error's description; the earlier file
// stays as it was. Memory that runs out in either step is a failure of the
// writing, described as "There is not enough memory left to write the file
// "<file>".", or in the words of the routine that ran out of it.
TextSaveResult saveTextFile(
    const std::function<std::vector<std::string>()>& lines,
    const std::function<std::string(SaveStep step, const std::string& file, const std::string& cause)>& failed,
    const std::string& initialDir = {});
