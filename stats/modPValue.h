#pragma once
// Upper-tail p-values of a standard normal statistic and of a chi-square
// statistic. Plain functions of their arguments; no program-wide state.

namespace modPValue {

// The upper-tail probability beyond |z|, by trapezoids of width 0.0001 from
// |z| down to 0 (with the running value's rounding drift); 0 when |z| > 4.5.
// A NaN or infinite z raises error 5.
double GetNormalPValue(const double& z);

// GetNormalPValue of the Wilson-Hilferty deviate of chi with df degrees of
// freedom. df <= 0 and a clearly negative chi raise a numbered error; a chi
// below 0 only by rounding counts as 0.
double GetChiSquarePValue(const double& chi, const double& df);

// The Wilson-Hilferty deviate itself, for callers that show it.
double ChiSquareDeviate(double chi, double df);

}  // namespace modPValue
