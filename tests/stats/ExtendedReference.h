#pragma once
// The global score moments and standardisation computed in extended
// precision (long double) from the same double inputs: the yardstick for
// study areas where the double-precision algorithms themselves lose digits
// (a kernel much wider than the study area makes the score's variance tiny
// and its moments a difference of nearly equal numbers).

#include <cmath>
#include <vector>

#include "stats/AppState.h"

namespace ExtendedReference {

struct Global {
    double df, mean, variance, z, chi;
};

inline Global scoreGlobal(const AppState& s, bool adjusted) {
    using L = long double;
    const int N = s.area.regionCount;
    const L sigma = s.shared.sigma, A = s.area.studyArea;
    std::vector<L> W(static_cast<std::size_t>((N + 1) * (N + 1)), 0.0L);
    auto w = [&](int i, int j) -> L& { return W[static_cast<std::size_t>(i * (N + 1) + j)]; };
    const L peak = 1.0L / (sigma * std::sqrt(3.14159265L));
    for (int i = 1; i <= N; ++i)
        for (int j = 1; j <= N; ++j) {
            const auto& a = s.area.centroidTable[static_cast<std::size_t>(i)];
            const auto& b = s.area.centroidTable[static_cast<std::size_t>(j)];
            const L dx = static_cast<L>(a.X) - b.X, dy = static_cast<L>(a.Y) - b.Y;
            w(i, j) = i == j ? peak : peak * std::exp(-(dx * dx + dy * dy) / (2.0L * sigma * sigma * (A / N)));
        }
    for (int i = 1; i <= N; ++i) {
        L sum = 0.0L;
        for (int j = 1; j <= N; ++j) sum += w(i, j) * w(i, j);
        const L root = std::sqrt(sum);
        for (int j = 1; j <= N; ++j) w(i, j) /= root;
    }
    auto at = [](const DoubleArray& v, int i) { return static_cast<L>(v[static_cast<std::size_t>(i)]); };
    const auto n = static_cast<std::size_t>(N);
    std::vector<L> M(n * n), B(n * n), B2(n * n);
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < N; ++j) {
            L sum = 0.0L;
            for (int k = 1; k <= N; ++k) sum += w(k, i + 1) * w(k, j + 1);
            M[static_cast<std::size_t>(i) * n + static_cast<std::size_t>(j)] =
                adjusted ? sum / std::sqrt(at(s.retro.expectedShare, i + 1) * at(s.retro.expectedShare, j + 1)) : sum;
        }
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < N; ++j) {
            L sum = 0.0L;
            for (int k = 0; k < N; ++k) {
                const L v = (k == j ? at(s.retro.expectedShare, k + 1) : 0.0L) - at(s.retro.expectedShare, k + 1) * at(s.retro.expectedShare, j + 1);
                sum += M[static_cast<std::size_t>(i) * n + static_cast<std::size_t>(k)] * v;
            }
            B[static_cast<std::size_t>(i) * n + static_cast<std::size_t>(j)] = sum;
        }
    L t1 = 0.0L, t2 = 0.0L, t3 = 0.0L;
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j) {
            L sum = 0.0L;
            for (std::size_t k = 0; k < n; ++k) sum += B[i * n + k] * B[k * n + j];
            B2[i * n + j] = sum;
        }
    for (std::size_t i = 0; i < n; ++i) {
        t1 += B[i * n + i];
        t2 += B2[i * n + i];
        for (std::size_t k = 0; k < n; ++k) t3 += B2[i * n + k] * B[k * n + i];
    }
    L S = 0.0L;
    for (int i = 1; i <= N; ++i) {
        L u = 0.0L;
        for (int j = 1; j <= N; ++j) {
            const L wij = adjusted ? w(i, j) / std::sqrt(at(s.retro.expected, j)) : w(i, j);
            u += wij * (at(s.retro.observed, j) - at(s.retro.expected, j));
        }
        S += u * u;
    }
    const L T = s.retro.totalCases;
    const L ratio = std::pow(t2, 1.5L) / t3;
    const L df = ratio * ratio, mean = t1 / T, variance = 2.0L * t2 / (T * T);
    const L z = ((adjusted ? S / T : S / (T * T)) - mean) / std::sqrt(variance);
    const L chi = z * std::sqrt(df + df) + df;
    return {static_cast<double>(df), static_cast<double>(mean), static_cast<double>(variance), static_cast<double>(z),
            static_cast<double>(chi)};
}

}  // namespace ExtendedReference
