#pragma once
// The About window: the program's picture (name and version over a map of
// regions and points, with the credits below) without border or caption
// bar. A click on the picture closes it.

#include <QWidget>

#include "context/AppContext.h"

class QLabel;

class frmAbout : public QWidget {
    Q_OBJECT
public:
    static constexpr WindowKind kind = WindowKind::MdiChild;
    static constexpr Qt::WindowFlags subWindowFlags = Qt::FramelessWindowHint;

    explicit frmAbout(AppContext& ctx);

    // ---- Controls ----
    QLabel* Image1 = nullptr;  // 7800 x 4740 twips at (0, 0)

    // ---- Handlers ----
    void Form_Load();
    void Image1_Click();

    // The picture's file in the BitMaps folder beside the program.
    static constexpr const char* kPictureFile = "About.png";

private:
    AppContext& ctx_;
};
