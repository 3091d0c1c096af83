#include "retrospective/frmSigmaChart.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "ui/LineChart.h"
#include "ui/PictureSurface.h"
#include "ui/Twips.h"
#include "ui/WindowParts.h"

namespace {

constexpr int kWidthTwips = 8025;
constexpr int kHeightTwips = 4500;

using WindowParts::legendLine;

}  // namespace

frmSigmaChart::frmSigmaChart(AppContext&) {
    setObjectName("frmSigmaChart");
    setWindowTitle("Statistics Plot");
    const int w = twipsToPixels(kWidthTwips);
    const int h = twipsToPixels(kHeightTwips);
    resize(w, h);

    chartPlotStatistics = new LineChart(this);
    chartPlotStatistics->setObjectName("chartPlotStatistics");
    chartPlotStatistics->setSeriesColors({kStatisticColor, kCriticalColor});

    picScoreLegend = new QWidget(this);
    picScoreLegend->setObjectName("picScoreLegend");
    picScoreLegend->setFixedSize(88, 60);
    Line1 = legendLine(picScoreLegend, "Line1", kStatisticColor, 4, 14);
    lblStats = new QLabel("M", picScoreLegend);
    lblStats->setObjectName("lblStats");
    lblStats->setGeometry(32, 6, 54, 18);
    Line2 = legendLine(picScoreLegend, "Line2", kCriticalColor, 4, 38);
    lblCriticalStats = new QLabel("M*", picScoreLegend);
    lblCriticalStats->setObjectName("lblCriticalStats");
    lblCriticalStats->setGeometry(32, 30, 54, 18);

    txtTitle = new QLineEdit("Bandwidth(Sigma)", this);
    txtTitle->setObjectName("txtTitle");
    txtTitle->setAlignment(Qt::AlignCenter);
    txtTitle->setFrame(false);
    txtTitle->setFixedWidth(140);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->addWidget(chartPlotStatistics, 0, 0);
    grid->addWidget(picScoreLegend, 0, 1, Qt::AlignTop);
    grid->addWidget(txtTitle, 1, 0, Qt::AlignHCenter);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(0, 1);

    Form_Load();
}

void frmSigmaChart::Form_Load() {
    move(0, twipsToPixels(5055));
    // The axis title reads as a fixed caption.
    txtTitle->setEnabled(false);
}
