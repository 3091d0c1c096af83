#include "prospective/CusumChart.h"

#include <algorithm>

#include "ui/LineChart.h"

namespace CusumChart {

Eigen::MatrixXd show(LineChart* chart, Eigen::Index periods, double h, Eigen::Index known,
                     const std::function<double(Eigen::Index)>& cusum) {
    Eigen::MatrixXd data = Eigen::MatrixXd::Zero(periods, 2);
    data.col(1).setConstant(h);
    for (Eigen::Index p = 1; p <= std::min(known, periods); ++p) data(p - 1, 0) = cusum(p);
    chart->setChartType(LineChart::kLineChart2D);
    chart->setChartData(data, LineChart::numberedRows(static_cast<int>(periods)));
    chart->setVisible(true);
    return data;
}

}  // namespace CusumChart
