#include "app/frmAbout.h"

#include <QLabel>
#include <QMouseEvent>
#include <functional>

#include "app/MDIFrmMain.h"
#include "ui/Pictures.h"
#include "ui/Twips.h"

namespace {

constexpr double kInnerWidthTwips = 7800;
constexpr double kInnerHeightTwips = 4740;

// A picture that answers a click.
class ClickablePicture : public QLabel {
public:
    ClickablePicture(QWidget* parent, std::function<void()> onClick) : QLabel(parent), onClick_(std::move(onClick)) {}

protected:
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (rect().contains(e->position().toPoint()) && onClick_) onClick_();
    }

private:
    std::function<void()> onClick_;
};

}  // namespace

frmAbout::frmAbout(AppContext& ctx) : ctx_(ctx) {
    setObjectName("frmAbout");
    setWindowTitle("About Korvane");
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    const int w = twipsToPixels(kInnerWidthTwips);
    const int h = twipsToPixels(kInnerHeightTwips);
    setFixedSize(w, h);

    Image1 = new ClickablePicture(this, [this] { Image1_Click(); });
    Image1->setObjectName("Image1");
    Image1->setGeometry(0, 0, w, h);
    Image1->setScaledContents(true);
    Pictures::loadPicture(Image1, kPictureFile);

    Form_Load();
}

void frmAbout::Form_Load() {
    // Centred on the frame's outer size, used as a position in its client area.
    if (MDIFrmMain* frame = ctx_.find<MDIFrmMain>()) {
        const double left = (frame->Width() - kInnerWidthTwips) / 2;
        const double top = (frame->Height() - kInnerHeightTwips) / 2;
        move(twipsToPixels(left), twipsToPixels(top));
    }
}

void frmAbout::Image1_Click() { AppContext::topOf(this)->close(); }
