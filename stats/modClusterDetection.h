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

#include <functional>
#include <string>

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

// M* for sigma, alpha and regionCount, rounded to four decimals; 0 after
// the message "Error!" when the formula has no value.
double GetMCritical(const StudyAreaState& area, const SharedState& shared, const RetroState& retro);

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

// Where GetMCritical's message box goes: the program installs one that
// shows a modal box with the critical icon and an OK button. Without one
// the message is written to standard error.
using MessageHook = std::function<void(const std::string& text, const std::string& title)>;
void SetMessageHook(MessageHook hook);

}  // namespace modClusterDetection
