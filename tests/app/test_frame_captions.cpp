// Every caption of the windows fits the control it was laid out for, in the
// program's own font: a clipped option or label is unreadable to the user.
#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>

#include "app/frmCalculatePValue.h"
#include "map/frmPolygonSHP.h"
#include "prospective/frmExportDataset.h"
#include "prospective/frmGraph.h"
#include "prospective/frmSelectName.h"
#include "prospective/frmTxtFileOpen.h"
#include "prospective/frmUnivariate.h"
#include "retrospective/frmClusterDetection.h"
#include "retrospective/frmParameter.h"
#include "retrospective/frmSigmaChart.h"
#include "tests/app/FrameFixture.h"
#include "tests/support/TestPaths.h"

using namespace frametest;

namespace {

// The captions of `window` whose text is wider than the room its control
// gives it, as "objectName: text".
std::vector<std::string> clippedCaptions(QWidget* window) {
    std::vector<std::string> clipped;
    const auto note = [&](QWidget* w, const QString& text) {
        clipped.push_back(w->objectName().toStdString() + ": " + text.toStdString());
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window)) continue;
        if (auto* b = qobject_cast<QRadioButton*>(w); b || qobject_cast<QCheckBox*>(w)) {
            // The room for the text is what the style leaves beside the indicator.
            auto* button = static_cast<QAbstractButton*>(w);
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const auto element = b ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents;
            const QRect room = button->style()->subElementRect(element, &option, button);
            const int textWidth = button->fontMetrics().horizontalAdvance(QString(button->text()).remove('&'));
            if (!button->text().isEmpty() && textWidth > room.width())
                note(w, button->text() + QString(" (%1 > %2)").arg(textWidth).arg(room.width()));
        } else if (auto* p = qobject_cast<QPushButton*>(w)) {
            const int textWidth = p->fontMetrics().horizontalAdvance(QString(p->text()).remove('&'));
            if (textWidth > p->width()) note(w, p->text());
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
            if (l->text().isEmpty() || l->wordWrap() || l->textFormat() == Qt::RichText) continue;
            if (l->fontMetrics().horizontalAdvance(QString(l->text()).remove('&')) > l->contentsRect().width())
                note(w, l->text());
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            if (g->fontMetrics().horizontalAdvance(g->title()) > g->width()) note(w, g->title());
        }
    }
    return clipped;
}

}  // namespace

class WindowCaptions : public FrameTest {};

TEST_F(WindowCaptions, TheClusterTestWindowShowsEveryCaptionWhole) {
    auto* w = ctx->show<frmClusterDetection>();
    EXPECT_EQ(clippedCaptions(w), std::vector<std::string>{});
}

TEST_F(WindowCaptions, TheDataInputShowsEveryCaptionWhole) {
    const std::string shp = writeStudyArea(scratchDir("captions"), "captions");
    std::vector<std::string> clipped;
    bool seen = false;
    dataInput = [&](QWidget* w) {
        seen = true;
        clipped = clippedCaptions(w);
        AppContext::topOf(w)->close();
    };
    openRetro(shp);
    ASSERT_TRUE(seen);
    EXPECT_EQ(clipped, std::vector<std::string>{});
}

TEST_F(WindowCaptions, TheCalculatorShowsEveryCaptionWhole) {
    auto* w = ctx->show<frmCalculatePValue>();
    EXPECT_EQ(clippedCaptions(w), std::vector<std::string>{});
}

TEST_F(WindowCaptions, TheMapWindowAndTheStatisticsPlotShowEveryCaptionWhole) {
    openRetro(writeStudyArea(scratchDir("captions-map"), "captions"));
    auto* map = ctx->find<frmPolygonSHP>();
    ASSERT_NE(map, nullptr);
    map->picLegend->show();  // the cusum legend is shown by the cusum runs
    EXPECT_EQ(clippedCaptions(map), std::vector<std::string>{});
    auto* chart = ctx->show<frmSigmaChart>();
    EXPECT_EQ(clippedCaptions(chart), std::vector<std::string>{});
}

TEST_F(WindowCaptions, TheCusumWindowsShowEveryCaptionWhole) {
    openPro(writeStudyArea(scratchDir("captions-cusum"), "captions"));
    auto* names = ctx->find<frmSelectName>();
    ASSERT_NE(names, nullptr);
    EXPECT_EQ(clippedCaptions(names), std::vector<std::string>{});
    auto* cusum = ctx->show<frmUnivariate>();
    EXPECT_EQ(clippedCaptions(cusum), std::vector<std::string>{});
    auto* graph = ctx->show<frmGraph>();
    EXPECT_EQ(clippedCaptions(graph), std::vector<std::string>{});
    auto* continuation = ctx->show<frmTxtFileOpen>();
    EXPECT_EQ(clippedCaptions(continuation), std::vector<std::string>{});
    auto* exporter = ctx->show<frmExportDataset>();
    EXPECT_EQ(clippedCaptions(exporter), std::vector<std::string>{});
}
