#pragma once
// The cusum charts of both cusum windows (the largest cusum of each period,
// the cusum of one region or point): a cusum over the periods against the
// threshold h, its rows numbered as the periods from 1.

#include <Eigen/Core>
#include <functional>

class LineChart;

namespace CusumChart {

// Shows `periods` rows on `chart`: in column 0 `cusum`(p) for the periods
// p = 1 to `known` and 0 for the later ones, which an animation writes as it
// shows them; in column 1 h. Returns the array shown, which the window keeps
// as its chart's data.
Eigen::MatrixXd show(LineChart* chart, Eigen::Index periods, double h, Eigen::Index known,
                     const std::function<double(Eigen::Index)>& cusum);

}  // namespace CusumChart
