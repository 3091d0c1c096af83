#pragma once
// The reference value k, the threshold h and the bandwidth sigma, as both
// cusum windows read them from their text boxes before a run.

#include <optional>

class QLineEdit;

struct CusumParameters {
    double k = 0.0;
    double h = 0.0;
    double sigma = 0.0;
};

// The three numbers typed; none, after a "Warning!" that says what is wrong,
// when one of them is no number or is negative.
std::optional<CusumParameters> readCusumParameters(const QLineEdit* k, const QLineEdit* h, const QLineEdit* sigma);
