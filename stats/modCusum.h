#pragma once
// The arithmetic of the prospective test: a Gaussian kernel over the region
// centroids, the smoothing of each period's z-values with it, the one-sided
// cusum of every region over the periods (reference value k, floor 0), the
// largest cusum of each period and the signal test against h.
//
// Every matrix and vector is indexed from 0 and used from 1 (regions 1..N,
// periods 1..T); index 0 of every dimension holds nothing. An allocation
// that fails in a routine raises AppError 7 (Out of memory, source
// kErrorSource), as every other refusal of the arithmetic does.

#include <cstdint>
#include <string>
#include <vector>

#include "stats/AppState.h"

namespace modCusum {

// The source of the errors raised for inputs the arithmetic cannot take.
inline constexpr const char* kErrorSource = "modCusum";

// What the rows of the arithmetic are, so that its messages name them as
// the window that runs it does: the regions of a study area, or the points
// of the point cusum window.
enum class Rows { Regions, Points };

// A cusum signals when it is strictly above h.
inline bool Signals(double cusum, double h) noexcept { return cusum > h; }

// Refuses, before any division, a study area the kernel cannot scale by:
// fewer than one region, centroids that do not cover them, or an area that
// is not a finite positive number (AppError 5, source kErrorSource).
void CheckStudyArea(std::int32_t regionCount, const std::vector<CentroidRecord>& centroids, double studyArea,
                    Rows rows = Rows::Regions);

// The kernel weights W (0..N by 0..N). A sigma of exactly 0 becomes 1E-9,
// written back. The diagonal is 1 / (sigma sqrt(3.14159265)) without the
// exponential; each row is then scaled to unit Euclidean length. Rows are
// computed in parallel when `parallel` is set (the values do not change).
// A matrix that the machine's memory cannot hold is refused before it is
// sized (KernelMemory).
Matrix CalcSpatialWeights(double& sigma, std::int32_t regionCount, const std::vector<CentroidRecord>& centroids,
                          double studyArea, bool parallel = true, Rows rows = Rows::Regions);

// Zs(i, t) = sum over j of W(i, j) Z(j, t), summed in increasing j, for
// periods 1..T (Z and the result are 0..N by 0..T).
Matrix Smooth(const Matrix& weights, const Matrix& z, std::int32_t periodCount, bool parallel = true,
              Rows rows = Rows::Regions);

// The recursion with its maxima.
struct CusumRun {
    Matrix cusum;          // 0..N by 0..T
    DoubleArray maxCusum;  // 0..T
    TextArray maxRegion;   // 0..T: the name of the region holding maxCusum(t), or ""
};

// C(i, 1) = (Zs(i, 1) + start(i)) - k and C(i, t) = (Zs(i, t) + C(i, t-1)) - k,
// floored at 0; h does not enter. `start` (0..N) may be empty for a start
// from zero. names(i) is the display name of region i (0..N). Raises
// AppError 6 when a cusum is not finite.
CusumRun Recursion(const Matrix& smoothed, std::int32_t regionCount, std::int32_t periodCount, double k,
                   const DoubleArray& start, const TextArray& names, Rows rows = Rows::Regions);

// Record numbers (1..N, ascending) of the regions whose cusum signals in
// `period`.
std::vector<std::int32_t> SignalledRegions(const Matrix& cusum, std::int32_t period, double h);

// The whole computation of a run on the open study area: the kernel from
// shared.sigma (a 0 written back as 1E-9), the smoothing of z (0..N by
// 0..T) and the recursion from zero. Reads the study area; writes only
// shared.sigma.
CusumRun Compute(const StudyAreaState& area, SharedState& shared, const Matrix& z, std::int32_t periodCount,
                 double k, const TextArray& names);

// The z transforms of the export of smoothed z-values, for an observed
// count O and an expected count E of one region and period.
enum class ZTransform { Poisson, Standard, Rossi };
// Poisson (O - E) / sqrt(E); Standard (Freeman-Tukey) sqrt(O) + sqrt(O + 1)
// - sqrt(4E + 1); Rossi (O - 3E + 2 sqrt(O E)) / (2 sqrt(E)). Raises
// AppError 11 for E = 0 with Poisson or Rossi and 5 for a negative count.
double ZValue(ZTransform transform, double observed, double expected);

// The smoothed z-values of every region and period (0..N by 0..T) from the
// counts (0..N by 0..T) with a kernel computed once by the caller. Raises
// AppError 6 when a value is not finite.
Matrix SmoothedZValues(const Matrix& weights, const Matrix& observed, const Matrix& expected,
                       std::int32_t regionCount, std::int32_t periodCount, ZTransform transform,
                       bool parallel = true);

}  // namespace modCusum
