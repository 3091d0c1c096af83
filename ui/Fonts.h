#pragma once
// The program's fonts. The windows are laid out in twips for a narrow
// 8-point sans-serif face; DejaVu Sans at that size is about a sixth wider,
// so it is drawn condensed and captions stay inside the controls they were
// laid out for. The fixed-pitch lists use DejaVu Sans Mono unchanged.

#include <QFont>

inline constexpr const char* kSansFamily = "DejaVu Sans";
inline constexpr const char* kMonoFamily = "DejaVu Sans Mono";
inline constexpr int kSansStretch = 83;  // percent of the face's normal width

// The sans-serif face at a size, condensed as above.
QFont sansFont(double pointSize = 8.0, bool bold = false);

// The fixed-pitch face of the lists whose columns stand under headings.
QFont listFont();

// Makes sansFont() the default font of every window.
void applyProgramFont();
