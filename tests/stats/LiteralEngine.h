#pragma once
// The reference the fast statistics engine is checked against: the kernel,
// local scores, moments and M statistics written as plain loops over the
// full matrices, step by step, each sum taken in index order, with the moment
// products done by cMathLib. Header-only so that the tests and the
// benchmark program can both use it; it is not part of the program.
//
// It works on an AppState like the engine, and fills every matrix the
// engine leaves unstored (the weight copies and both moment matrices).

#include <cmath>
#include <cstdint>

#include "platform/Convert.h"
#include "stats/AppState.h"
#include "stats/cMathLib.h"
#include "stats/modFunctions.h"
#include "stats/modSorting.h"

namespace LiteralEngine {

inline Matrix kernel(AppState& s) {
    if (s.pointDataMode && !s.polygonDataMode) {
        s.regionCount = toInt32(s.pointCount);
        s.studyArea = modFunctions::ConvexHullArea(s);
    }
    const std::int32_t N = s.regionCount;
    const double sigma = s.sigma;
    const double A = s.studyArea;
    Matrix W = Matrix::Zero(N + 1, N + 1);
    for (std::int32_t i = 1; i <= N; ++i) {
        for (std::int32_t j = 1; j <= N; ++j) {
            const CentroidRecord& a = s.centroidTable[static_cast<std::size_t>(i)];
            const CentroidRecord& b = s.centroidTable[static_cast<std::size_t>(j)];
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
    const std::int32_t N = s.regionCount;
    Matrix C = Matrix::Zero(N + 1, N + 1);
    for (std::int32_t i = 1; i <= N; ++i)
        for (std::int32_t j = 1; j <= N; ++j) {
            double sum = 0.0;
            for (std::int32_t k = 1; k <= N; ++k) sum = sum + W(k, i) * W(k, j);
            C(i, j) = sum;
        }
    s.momentMatrixAdjusted = Matrix::Zero(N, N);
    s.momentMatrixUnadjusted = Matrix::Zero(N, N);
    s.scoreWeightsUnadjusted = Matrix::Zero(N + 1, N + 1);
    s.scoreWeightsAdjusted = Matrix::Zero(N + 1, N + 1);
    const auto& p = s.expectedShare;
    const auto& E = s.expected;
    for (std::int32_t i = 0; i <= N - 1; ++i)
        for (std::int32_t j = 0; j <= N - 1; ++j) {
            s.momentMatrixAdjusted(i, j) =
                C(i + 1, j + 1) / std::sqrt(p[static_cast<std::size_t>(j + 1)] * p[static_cast<std::size_t>(i + 1)]);
            s.momentMatrixUnadjusted(i, j) = C(i + 1, j + 1);
            s.scoreWeightsAdjusted(i + 1, j + 1) = W(i + 1, j + 1) / std::sqrt(E[static_cast<std::size_t>(j + 1)]);
            s.scoreWeightsUnadjusted(i + 1, j + 1) = W(i + 1, j + 1);
        }
    s.scoreWeights = std::move(W);
    s.weightCrossProduct = std::move(C);
}

inline void CalcMWeights(AppState& s) { s.mWeights = kernel(s); }

inline void localScore(AppState& s, const Matrix& w, DoubleArray& U, DoubleArray& Z, double& global) {
    const std::int32_t N = s.regionCount;
    const auto size = static_cast<std::size_t>(N) + 1;
    U.assign(size, 0.0);
    Z.assign(size, 0.0);
    s.scoreLegendValues.assign(size, 0.0);
    s.scoreMapValues.assign(size, 0.0);
    s.mapLegendValues.assign(size, 0.0);
    s.mapClassValues.assign(size, 0.0);
    global = 0.0;
    const double T = s.totalCases;
    for (std::int32_t i = 1; i <= N; ++i) {
        double u = 0.0, q = 0.0, r = 0.0;
        for (std::int32_t j = 1; j <= N; ++j) {
            const double wij = w(i, j);
            const double O = s.observed[static_cast<std::size_t>(j)];
            const double E = s.expected[static_cast<std::size_t>(j)];
            u = u + wij * (O - E);
            q = q + wij * wij * E;
            r = r + E * wij / T;
        }
        const auto k = static_cast<std::size_t>(i);
        U[k] = u;
        s.scoreLegendValues[k] = u;
        s.scoreMapValues[k] = u;
        s.mapLegendValues[k] = u;
        s.mapClassValues[k] = u;
        Z[k] = u / std::sqrt(q - r);
        global = global + u * u;
    }
}

inline void CalcLocalScoreUnadjusted(AppState& s) {
    localScore(s, s.scoreWeightsUnadjusted, s.localScoreUnadjusted, s.localScoreZUnadjusted, s.globalScoreUnadjusted);
}

inline void CalcLocalScoreAdjusted(AppState& s) {
    localScore(s, s.scoreWeightsAdjusted, s.localScoreAdjusted, s.localScoreZAdjusted, s.globalScoreAdjusted);
}

inline void CalcScoreMoments(AppState& s, const Matrix& A) {
    const std::int32_t N = s.regionCount;
    Matrix D = Matrix::Zero(N, N), P = Matrix::Zero(N, N);
    for (std::int32_t i = 0; i < N; ++i)
        for (std::int32_t j = 0; j < N; ++j) {
            const double pi = s.expectedShare[static_cast<std::size_t>(i + 1)];
            const double pj = s.expectedShare[static_cast<std::size_t>(j + 1)];
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
    const double T = s.totalCases;
    const double ratio = std::pow(t2, 1.5) / t3;
    s.scoreDf = ratio * ratio;
    s.scoreMean = t1 / T;
    s.scoreVariance = 2.0 * t2 / (T * T);
}

inline void CalcScoreMomentsUnadjusted(AppState& s) { CalcScoreMoments(s, s.momentMatrixUnadjusted); }
inline void CalcScoreMomentsAdjusted(AppState& s) { CalcScoreMoments(s, s.momentMatrixAdjusted); }

inline void StandardizeScoreUnadjusted(AppState& s) {
    const double T = s.totalCases;
    s.scoreZ = (s.globalScoreUnadjusted / (T * T) - s.scoreMean) / std::sqrt(s.scoreVariance);
    s.scoreChiSquare = s.scoreZ * std::sqrt(s.scoreDf + s.scoreDf) + s.scoreDf;
}

inline void StandardizeScoreAdjusted(AppState& s) {
    const double T = s.totalCases;
    s.scoreZ = (s.globalScoreAdjusted / T - s.scoreMean) / std::sqrt(s.scoreVariance);
    s.scoreChiSquare = s.scoreZ * std::sqrt(s.scoreDf + s.scoreDf) + s.scoreDf;
}

enum class Residual { Poisson, FreemanTukey, Rossi };

inline void localM(AppState& s, Residual form) {
    const std::int32_t N = s.regionCount;
    const auto size = static_cast<std::size_t>(N) + 1;
    DoubleArray& r = form == Residual::Poisson        ? s.poissonResiduals
                     : form == Residual::FreemanTukey ? s.freemanTukeyResiduals
                                                      : s.rossiResiduals;
    r.assign(size, 0.0);
    for (DoubleArray* a : {&s.localM, &s.localMSorted, &s.mLegendValues, &s.mMapValues, &s.mapLegendValues,
                           &s.mapClassValues})
        a->assign(size, 0.0);
    for (std::int32_t i = 1; i <= N; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double O = s.observed[k], E = s.expected[k];
        switch (form) {
        case Residual::Poisson: r[k] = (O - E) / std::sqrt(E); break;
        case Residual::FreemanTukey: r[k] = (std::sqrt(O) + std::sqrt(O + 1.0)) - std::sqrt(4.0 * E + 1.0); break;
        case Residual::Rossi: r[k] = ((O - 3.0 * E) + 2.0 * std::sqrt(E * O)) / (2.0 * std::sqrt(E)); break;
        }
    }
    for (std::int32_t i = 1; i <= N; ++i) {
        double m = 0.0;
        for (std::int32_t j = 1; j <= N; ++j) m = m + r[static_cast<std::size_t>(j)] * s.mWeights(i, j);
        const auto k = static_cast<std::size_t>(i);
        s.localM[k] = m;
        s.localMSorted[k] = m;
        s.mLegendValues[k] = m;
        s.mMapValues[k] = m;
        s.mapLegendValues[k] = m;
        s.mapClassValues[k] = m;
    }
}

inline void CalcLocalMPoisson(AppState& s) { localM(s, Residual::Poisson); }
inline void CalcLocalMFreemanTukey(AppState& s) { localM(s, Residual::FreemanTukey); }
inline void CalcLocalMRossi(AppState& s) { localM(s, Residual::Rossi); }

inline double GetMaxLocalM(AppState& s) {
    modSorting::ShellSortDouble(s.localMSorted);
    return s.localMSorted[static_cast<std::size_t>(s.regionCount)];
}

}  // namespace LiteralEngine
