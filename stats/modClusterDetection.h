#pragma once
// The score and M statistics of the retrospective cluster test: Gaussian
// kernel weights, local scores with their z-values, the moments of the
// global score and its standardisation, local M statistics from three
// residuals, and the critical values.
//
// The routines read their inputs from and leave their results in the parts
// of the program-wide state that their parameters name. Input they cannot compute on raises AppError with a
// numbered error and a description the run shows to the user; such a call
// changes no program-wide variable.


#include "stats/AppState.h"

namespace modClusterDetection {

// Kernel weights W into scoreWeights and C = W'W into weightCrossProduct
// (both 0..N by 0..N), and the E and p they were built with. With point
// data (pointDataMode set, polygonDataMode clear) regionCount and studyArea
// are first derived from pointCount and the hull of the drawn points.
void CalcScoreWeights(StudyAreaState& area, PointState& points, const SharedState& shared, RetroState& retro);
// The same kernel into mWeights.
void CalcMWeights(StudyAreaState& area, PointState& points, const SharedState& shared, RetroState& retro);

// Local scores U(i), their z-values and the global score; also the
// display copies scoreMapValues, scoreLegendValues and mapClassValues.
void CalcLocalScoreUnadjusted(const StudyAreaState& area, RetroState& retro);
void CalcLocalScoreAdjusted(const StudyAreaState& area, RetroState& retro);

// scoreDf, scoreMean and scoreVariance of the global score for the moment
// matrix A (N x N, 0-based) and expectedShare, totalCases.
void CalcScoreMoments(const StudyAreaState& area, RetroState& retro, const Matrix& A);
void CalcScoreMomentsUnadjusted(const StudyAreaState& area, RetroState& retro);
void CalcScoreMomentsAdjusted(const StudyAreaState& area, RetroState& retro);

// scoreZ and scoreChiSquare from the global score of the form.
void StandardizeScoreUnadjusted(RetroState& retro);
void StandardizeScoreAdjusted(RetroState& retro);

// Residuals of the form, localM, localMSorted and the display copies
// mMapValues, mLegendValues and mapClassValues.
void CalcLocalMPoisson(const StudyAreaState& area, RetroState& retro);
void CalcLocalMFreemanTukey(const StudyAreaState& area, RetroState& retro);
void CalcLocalMRossi(const StudyAreaState& area, RetroState& retro);

// Sorts localMSorted ascending in place and returns its element
// regionCount: the largest M(i) of the last M computation.
double GetMaxLocalM(const StudyAreaState& area, RetroState& retro);

// M* for sigma, alpha and regionCount, rounded to four decimals. Where the
// formula has no value ((1 + 0.81 sigma^2) 4 alpha / N is 0 or less, or 1
// or more: large bandwidths on few regions) the value is 0, which the
// callers take as M*, and `defined` is false. The engine tells nobody: the
// window that shows the value tells the user, with the notice below, once
// for every such value it asked for.
struct MCritical {
    double value = 0.0;
    bool defined = false;
};
MCritical GetMCritical(const StudyAreaState& area, const SharedState& shared, const RetroState& retro);
// The notice of an M* without a value: a modal box with this text and
// title, the critical icon and one OK button.
inline constexpr const char* kMCriticalNoticeText = "Error!";
inline constexpr const char* kMCriticalNoticeTitle = "Warning!";

// The chi-square critical value for alpha 0.01 or 0.05 (exact doubles),
// 0 for any other alpha. df where the value does not exist raises an error.
double GetChiSquareCritical(const double& alpha, const double& df);

// The matrices the engine never stores, built on request from the stored
// weights: W, W(i,j)/sqrt(E_j) (0..N by 0..N) and C, C(i,j)/sqrt(p_i p_j)
// (0..N-1 by 0..N-1), with the E and p that CalcScoreWeights read.
Matrix ScoreWeightsUnadjusted(const RetroState& retro);
Matrix ScoreWeightsAdjusted(const RetroState& retro);
Matrix MomentMatrixUnadjusted(const RetroState& retro);
Matrix MomentMatrixAdjusted(const RetroState& retro);

}  // namespace modClusterDetection
