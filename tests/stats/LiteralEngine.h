#pragma once
// The reference the fast statistics engine is checked against: the kernel,
// local scores, moments and M statistics written as plain loops over the
// full matrices, step by step, each sum taken in index order, with the moment
// products done by cMathLib. Header-only so that the tests and the
// benchmark program can both use it; it is not part of the program.
//
// It works on an AppState like the engine; the matrices the engine never
// stores (the weight copies and both moment matrices) it builds literally,
// element by element, from the kernel and the counts whenever they are used.

#include <cmath>
#include <cstdint>

#include "platform/Convert.h"
#include "stats/AppState.h"
#include "stats/cMathLib.h"
#include "stats/modFunctions.h"
#include "stats/modSorting.h"

namespace LiteralEngine {

inline Matrix kernel(AppState& s) {
    if (s.shared.pointDataMode && !s.shared.polygonDataMode) {
        s.area.regionCount = toInt32(s.points.pointCount);
        s.area.studyArea = modFunctions::ConvexHullArea(s.points);
    }
    const std::int32_t N = s.area.regionCount;
    const double sigma = s.shared.sigma;
    const double A = s.area.studyArea;
    Matrix W = Matrix::Zero(N + 1, N + 1);
    for (std::int32_t i = 1; i <= N; ++i) {
        for (std::int32_t j = 1; j <= N; ++j) {
            const CentroidRecord& a = s.area.centroidTable[static_cast<std::size_t>(i)];
            const CentroidRecord& b = s.area.centroidTable[static_cast<std::size_t>(j)];
            const double d = std::sqrt((a.Y - b.Y) * (a.Y - b.Y) + (a.X - b.X) * (a.X - b.X));
            if (i == j)
                W(i, i) = 1.0 / (sigma * std::sqrt(3.14159265));
            else
                W(i, j) = (1.0 / (sigma * std::sqrt(3.14159265))) *
                          std::exp(-(d * d) / (2.0 * (sigma * sigma) * (A / static_cast<double>(N))));
        }
    }
    for (std::int32_t i = 1; i <= N; ++i) {
        double sum = 0.0;
        for (std::int32_t j = 1; j <= N; ++j) sum = sum + W(i, j) * W(i, j);
        for (std::int32_t j = 1; j <= N; ++j) W(i, j) = W(i, j) / std::sqrt(sum);
    }
    return W;
}

inline void CalcScoreWeights(AppState& s) {
    Matrix W = kernel(s);
    const std::int32_t N = s.area.regionCount;
    Matrix C = Matrix::Zero(N + 1, N + 1);
    for (std::int32_t i = 1; i <= N; ++i)
        for (std::int32_t j = 1; j <= N; ++j) {
            double sum = 0.0;
            for (std::int32_t k = 1; k <= N; ++k) sum = sum + W(k, i) * W(k, j);
            C(i, j) = sum;
        }
    s.retro.scoreWeights = std::move(W);
    s.retro.weightCrossProduct = std::move(C);
}

// The weight copies: W itself and W(i,j)/sqrt(E_j) (0..N by 0..N).
inline Matrix ScoreWeightsUnadjusted(const AppState& s) {
    const std::int32_t N = s.area.regionCount;
    Matrix A = Matrix::Zero(N + 1, N + 1);
    for (std::int32_t i = 0; i <= N - 1; ++i)
        for (std::int32_t j = 0; j <= N - 1; ++j) A(i + 1, j + 1) = s.retro.scoreWeights(i + 1, j + 1);
    return A;
}

inline Matrix ScoreWeightsAdjusted(const AppState& s) {
    const std::int32_t N = s.area.regionCount;
    const auto& E = s.retro.expected;
    Matrix A = Matrix::Zero(N + 1, N + 1);
    for (std::int32_t i = 0; i <= N - 1; ++i)
        for (std::int32_t j = 0; j <= N - 1; ++j)
            A(i + 1, j + 1) = s.retro.scoreWeights(i + 1, j + 1) / std::sqrt(E[static_cast<std::size_t>(j + 1)]);
    return A;
}

// The moment matrices: C and C(i,j)/sqrt(p_i p_j) (0..N-1 by 0..N-1).
inline Matrix MomentMatrixUnadjusted(const AppState& s) {
    const std::int32_t N = s.area.regionCount;
    Matrix A = Matrix::Zero(N, N);
    for (std::int32_t i = 0; i <= N - 1; ++i)
        for (std::int32_t j = 0; j <= N - 1; ++j) A(i, j) = s.retro.weightCrossProduct(i + 1, j + 1);
    return A;
}

inline Matrix MomentMatrixAdjusted(const AppState& s) {
    const std::int32_t N = s.area.regionCount;
    const auto& p = s.retro.expectedShare;
    Matrix A = Matrix::Zero(N, N);
    for (std::int32_t i = 0; i <= N - 1; ++i)
        for (std::int32_t j = 0; j <= N - 1; ++j)
            A(i, j) = s.retro.weightCrossProduct(i + 1, j + 1) /
                      std::sqrt(p[static_cast<std::size_t>(j + 1)] * p[static_cast<std::size_t>(i + 1)]);
    return A;
}

inline void CalcMWeights(AppState& s) { s.retro.mWeights = kernel(s); }

inline void localScore(AppState& s, const Matrix& w, DoubleArray& U, DoubleArray& Z, double& global) {
    const std::int32_t N = s.area.regionCount;
    const auto size = static_cast<std::size_t>(N) + 1;
    U.assign(size, 0.0);
    Z.assign(size, 0.0);
    s.retro.scoreLegendValues.assign(size, 0.0);
    s.retro.scoreMapValues.assign(size, 0.0);
    s.retro.mapClassValues.assign(size, 0.0);
    global = 0.0;
    const double T = s.retro.totalCases;
    for (std::int32_t i = 1; i <= N; ++i) {
        double u = 0.0, q = 0.0, r = 0.0;
        for (std::int32_t j = 1; j <= N; ++j) {
            const double wij = w(i, j);
            const double O = s.retro.observed[static_cast<std::size_t>(j)];
            const double E = s.retro.expected[static_cast<std::size_t>(j)];
            u = u + wij * (O - E);
            q = q + wij * wij * E;
            r = r + E * wij / T;
        }
        const auto k = static_cast<std::size_t>(i);
        U[k] = u;
        s.retro.scoreLegendValues[k] = u;
        s.retro.scoreMapValues[k] = u;
        s.retro.mapClassValues[k] = u;
        Z[k] = u / std::sqrt(q - r);
        global = global + u * u;
    }
}

inline void CalcLocalScoreUnadjusted(AppState& s) {
    localScore(s, ScoreWeightsUnadjusted(s), s.retro.localScoreUnadjusted, s.retro.localScoreZUnadjusted, s.retro.globalScoreUnadjusted);
}

inline void CalcLocalScoreAdjusted(AppState& s) {
    localScore(s, ScoreWeightsAdjusted(s), s.retro.localScoreAdjusted, s.retro.localScoreZAdjusted, s.retro.globalScoreAdjusted);
}

inline void CalcScoreMoments(AppState& s, const Matrix& A) {
    const std::int32_t N = s.area.regionCount;
    Matrix D = Matrix::Zero(N, N), P = Matrix::Zero(N, N);
    for (std::int32_t i = 0; i < N; ++i)
        for (std::int32_t j = 0; j < N; ++j) {
            const double pi = s.retro.expectedShare[static_cast<std::size_t>(i + 1)];
            const double pj = s.retro.expectedShare[static_cast<std::size_t>(j + 1)];
            if (i == j) D(i, i) = pi;
            P(i, j) = pi * pj;
        }
    cMathLib lib;
    const Matrix V = lib.Subtract(D, P);
    const Matrix B = lib.Multiply(A, V);
    const Matrix B2 = lib.Multiply(B, B);
    const Matrix B3 = lib.Multiply(B2, B);
    double t1 = 0.0, t2 = 0.0, t3 = 0.0;
    for (std::int32_t i = 0; i < N; ++i) t1 = t1 + B(i, i);
    for (std::int32_t i = 0; i < N; ++i) t2 = t2 + B2(i, i);
    for (std::int32_t i = 0; i < N; ++i) t3 = t3 + B3(i, i);
    const double T = s.retro.totalCases;
    const double ratio = std::pow(t2, 1.5) / t3;
    s.retro.scoreDf = ratio * ratio;
    s.retro.scoreMean = t1 / T;
    s.retro.scoreVariance = 2.0 * t2 / (T * T);
}

inline void CalcScoreMomentsUnadjusted(AppState& s) { CalcScoreMoments(s, MomentMatrixUnadjusted(s)); }
inline void CalcScoreMomentsAdjusted(AppState& s) { CalcScoreMoments(s, MomentMatrixAdjusted(s)); }

inline void StandardizeScoreUnadjusted(AppState& s) {
    const double T = s.retro.totalCases;
    s.retro.scoreZ = (s.retro.globalScoreUnadjusted / (T * T) - s.retro.scoreMean) / std::sqrt(s.retro.scoreVariance);
    s.retro.scoreChiSquare = s.retro.scoreZ * std::sqrt(s.retro.scoreDf + s.retro.scoreDf) + s.retro.scoreDf;
}

inline void StandardizeScoreAdjusted(AppState& s) {
    const double T = s.retro.totalCases;
    s.retro.scoreZ = (s.retro.globalScoreAdjusted / T - s.retro.scoreMean) / std::sqrt(s.retro.scoreVariance);
    s.retro.scoreChiSquare = s.retro.scoreZ * std::sqrt(s.retro.scoreDf + s.retro.scoreDf) + s.retro.scoreDf;
}

enum class Residual { Poisson, FreemanTukey, Rossi };

inline void localM(AppState& s, Residual form) {
    const std::int32_t N = s.area.regionCount;
    const auto size = static_cast<std::size_t>(N) + 1;
    DoubleArray& r = form == Residual::Poisson        ? s.retro.poissonResiduals
                     : form == Residual::FreemanTukey ? s.retro.freemanTukeyResiduals
                                                      : s.retro.rossiResiduals;
    r.assign(size, 0.0);
    for (DoubleArray* a : {&s.retro.localM, &s.retro.localMSorted, &s.retro.mLegendValues, &s.retro.mMapValues,
                           &s.retro.mapClassValues})
        a->assign(size, 0.0);
    for (std::int32_t i = 1; i <= N; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double O = s.retro.observed[k], E = s.retro.expected[k];
        switch (form) {
        case Residual::Poisson: r[k] = (O - E) / std::sqrt(E); break;
        case Residual::FreemanTukey: r[k] = (std::sqrt(O) + std::sqrt(O + 1.0)) - std::sqrt(4.0 * E + 1.0); break;
        case Residual::Rossi: r[k] = ((O - 3.0 * E) + 2.0 * std::sqrt(E * O)) / (2.0 * std::sqrt(E)); break;
        }
    }
    for (std::int32_t i = 1; i <= N; ++i) {
        double m = 0.0;
        for (std::int32_t j = 1; j <= N; ++j) m = m + r[static_cast<std::size_t>(j)] * s.retro.mWeights(i, j);
        const auto k = static_cast<std::size_t>(i);
        s.retro.localM[k] = m;
        s.retro.localMSorted[k] = m;
        s.retro.mLegendValues[k] = m;
        s.retro.mMapValues[k] = m;
        s.retro.mapClassValues[k] = m;
    }
}

inline void CalcLocalMPoisson(AppState& s) { localM(s, Residual::Poisson); }
inline void CalcLocalMFreemanTukey(AppState& s) { localM(s, Residual::FreemanTukey); }
inline void CalcLocalMRossi(AppState& s) { localM(s, Residual::Rossi); }

inline double GetMaxLocalM(AppState& s) {
    modSorting::ShellSortDouble(s.retro.localMSorted);
    return s.retro.localMSorted[static_cast<std::size_t>(s.area.regionCount)];
}

}  // namespace LiteralEngine
