#include "map/frmInfo.h"

#include <QListWidget>
#include <QPushButton>

#include "ui/Fonts.h"
#include "ui/Twips.h"
#include "ui/WindowParts.h"

using WindowParts::onSignal;

frmInfo::frmInfo(AppContext& ctx) : QWidget(nullptr), ctx_(ctx) {
    setObjectName("frmInfo");
    setWindowTitle("ATTRIBUTE INFO.");

    Command1 = new QPushButton("Field", this);
    Command1->setObjectName("Command1");
    Command1->setGeometry(0, 0, twipsToPixels(1695), twipsToPixels(285));
    onSignal(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    Command2 = new QPushButton("Value", this);
    Command2->setObjectName("Command2");
    Command2->setGeometry(twipsToPixels(1695), 0, twipsToPixels(2520), twipsToPixels(285));
    onSignal(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    // The record shown belongs to the study area before: the window goes.
    onSignal(&ctx_.mapHub(), &MapHub::studyAreaOpened, this, [this] {
        if (ctx_.find<frmInfo>() == this) ctx_.unload<frmInfo>();
    });

    lstInfo = new QListWidget(this);
    lstInfo->setObjectName("lstInfo");
    lstInfo->setGeometry(0, twipsToPixels(270), twipsToPixels(4515), twipsToPixels(3240));

    Form_Load();
}

void frmInfo::Form_Load() {
    resize(twipsToPixels(4635), twipsToPixels(4000));
    move(0, twipsToPixels(5780));
    lstInfo->clear();
    // A fixed-width font keeps the columns under the headings.
    lstInfo->setFont(listFont());
}

void frmInfo::Form_Resize() {
    // The list fills the window below the headings; it ends at the window's
    // lower edge so that its last line and scroll arrow stay in view.
    const int top = twipsToPixels(270);
    lstInfo->setGeometry(0, top, width(), std::max(0, height() - top));
}

std::vector<std::string> frmInfo::lines() const {
    std::vector<std::string> out;
    for (int i = 0; i < lstInfo->count(); ++i) out.push_back(lstInfo->item(i)->text().toStdString());
    return out;
}

void frmInfo::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}
