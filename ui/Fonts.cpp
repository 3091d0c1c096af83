#include "ui/Fonts.h"

#include <QApplication>

QFont sansFont(double pointSize, bool bold) {
    QFont f(kSansFamily);
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    f.setStretch(kSansStretch);
    return f;
}

QFont listFont() {
    QFont f(kMonoFamily);
    f.setStyleHint(QFont::Monospace);
    f.setPointSizeF(9.0);
    return f;
}

void applyProgramFont() { QApplication::setFont(sansFont()); }
