#pragma once
// "Cusum for individual region for a given period.": the cusum of one region
// over the periods of the last run against h, with the region's name, the
// period shown and its cusum in the text box above the chart.

#include <QWidget>

#include "context/AppContext.h"

class LineChart;
class QLineEdit;

class frmGraph : public QWidget {
    Q_OBJECT
public:
    static constexpr WindowKind kind = WindowKind::MdiChild;
    explicit frmGraph(AppContext& ctx);

    void Form_Load();

    LineChart* MSChart1 = nullptr;
    QLineEdit* Text1 = nullptr;

private:
    AppContext& ctx_;
};

// Charts the cusum of region selectedRegion + 1 over the periods of the last
// run on frmGraph (shown when closed) and writes its name, the period shown
// and its cusum into Text1. Does nothing before a run or for a region the
// run has no row for.
void ShowRegionChart(AppContext& ctx);
