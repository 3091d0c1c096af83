#pragma once
// The save of a text file the user names: the save dialog for text files,
// then the lines written as one whole file, or a "Warning!" saying why not.

#include <functional>
#include <string>
#include <vector>

// Offers the save dialog for a text file (*.txt), starting at `initialDir`,
// and once a file is chosen writes the lines `lines` gives. When giving the
// lines or writing them raises an error, a "Warning!" says so in the words
// `failed` makes of the file's name and the error's description; the
// earlier file stays as it was. The file written, or "" when the user
// cancelled or nothing was written.
std::string saveTextFile(const std::function<std::vector<std::string>()>& lines,
                         const std::function<std::string(const std::string& file, const std::string& cause)>& failed,
                         const std::string& initialDir = {});
