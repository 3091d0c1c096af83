#pragma once
// The program's pictures (the test formulas, the M-class legend, the About
// picture) stand in the BitMaps folder beside the program. A missing or
// unreadable picture shows as an empty one, never as an error.

#include <string>

class QLabel;

namespace Pictures {

// The path of a picture of the BitMaps folder (tests may point the folder
// elsewhere with setBitmapFolder; an empty folder restores the default).
std::string bitmapPath(const std::string& fileName);
void setBitmapFolder(const std::string& folder);

// Loads a picture of the BitMaps folder into a label; a missing or
// unreadable picture leaves the label empty.
void loadPicture(QLabel* label, const std::string& fileName);

}  // namespace Pictures
