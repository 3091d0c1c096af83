#pragma once
// The cusum threshold h that gives a wanted in-control average run length
// ARL0 for a reference value k: Siegmund's approximation of the one-sided
// cusum's run length, ARL = (exp(2k b) - 2k b - 1) / (2k^2) with
// b = h + 1.166, inverted approximately for b. The multiplier m scales the
// run length for many regions watched at once (m = 1 for one region, n for
// a Bonferroni correction over n regions, n / (0.81 sigma + 1) for n
// regions smoothed with a kernel of bandwidth sigma).

namespace cusumThreshold {

// The three ways of counting the regions.
enum class Variant { OverallRegion, Bonferroni, SpatialAutocorrelation };

// m for the variant; a bandwidth of 0 counts as 1E-10 (it changes m only
// far beyond the shown digits, so it gives the Bonferroni m).
double multiplier(Variant variant, double regions, double sigma);

// h for k, ARL0 and m as the threshold tool shows it: h + 1.166 from the
// inversion, written with two decimals, less 1.166. Raises error 6 when the
// inverted argument or h is not a finite number (k or ARL0 too large).
double hForARL(double k, double arl0, double m);

// Whether an h of hForARL is a threshold at all. Where the wanted run
// length is shorter than the approximation can reach (a tiny k, ARL0 or
// multiplier) the inversion gives an h below 0, which no cusum can use.
inline bool isThreshold(double h) noexcept { return h >= 0; }

}  // namespace cusumThreshold
