#pragma once
// "Statistics Plot": the global statistic of a bandwidth range run and its
// critical value as two lines over the bandwidths, below the map window.
// The cluster test window fills it; it holds no data of its own.

#include <QWidget>

#include "context/AppContext.h"

class LineChart;
class QFrame;
class QLabel;
class QLineEdit;

class frmSigmaChart : public QWidget {
    Q_OBJECT
public:
    static constexpr WindowKind kind = WindowKind::MdiChild;
    explicit frmSigmaChart(AppContext& ctx);

    void Form_Load();

    LineChart* chartPlotStatistics = nullptr;
    QWidget* picScoreLegend = nullptr;
    QFrame* Line1 = nullptr;
    QLabel* lblStats = nullptr;
    QFrame* Line2 = nullptr;
    QLabel* lblCriticalStats = nullptr;
    QLineEdit* txtTitle = nullptr;

    // Colours of the two lines (BGR): the statistic green, its critical value red.
    static constexpr int kStatisticColor = 0x00FF00;
    static constexpr int kCriticalColor = 0x0000FF;
};
