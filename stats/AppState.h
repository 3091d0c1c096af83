#pragma once
// The program-wide variables, grouped by the part of the program that owns
// them: the open study area, the polygon map's view, the legend, the
// retrospective test, the cusum, the point data, and the few variables the
// tests share. One AppState holds one of each part and every window is
// handed it explicitly; routines take only the parts they read and write,
// so their signatures say what they touch, and a run copies only its own
// part. Every variable starts as 0, empty, false or no object, and nothing
// resets one unless its writer says so.
//
// Arrays indexed by region are sized 0..N (N = regionCount) and used from 1;
// element 0 holds nothing. A writer that sizes an array anew discards its
// old contents.

#include <Eigen/Core>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "geometry/CPolygon.h"
#include "geometry/Records.h"
#include "platform/Collection.h"

class DbfTable;

using DoubleArray = std::vector<double>;
using TextArray = std::vector<std::string>;
// Two-dimensional arrays (first index, second index), both from 0.
using Matrix = Eigen::MatrixXd;

// What a .shp holds, in brief: its length, the box of its main header,
// each record's shape type and box (as the file's bytes) and what is wrong
// with its records, if anything. The one taken when the study area was
// opened lets a drawing tell a file that was changed or replaced since; a
// size of 0 there: the study area was not read from a file.
struct ShpSignature {
    struct Record {
        std::int32_t shapeType = 0;
        std::array<unsigned char, 32> box{};  // zeros for a record without one
        bool operator==(const Record&) const = default;
    };
    std::int64_t size = 0;
    std::array<unsigned char, 32> headerBox{};
    std::vector<Record> records;
    std::string problem;  // the first damaged record, or where the records end early
    bool operator==(const ShpSignature&) const = default;
};

// The open study area: its files, regions, table and the geometry derived
// from them.
struct StudyAreaState {
    // Counts the study areas opened, so that counts and results can say
    // which one they were read or computed for.
    std::int64_t generation = 0;
    std::int32_t regionCount = 0;
    Collection<CPolygon> polygons;
    std::shared_ptr<DbfTable> dbfRecordset;
    std::string dbfFileName;
    std::string shpPath;
    std::string dbfPath;
    std::string mapWindowTitle;
    // Names derived from the .shp chosen in the open dialog: its file title,
    // the title up to its first ".", and its folder with the trailing "/".
    std::string shpFileTitle;
    std::string shpBaseName;
    std::string dbfFolder;
    // The bounding box of the .shp main header (the view's mapExtent holds
    // the same).
    BoxRecord shpHeaderBox;
    // The .shp as it was opened; the regions the map draws are those of
    // `polygons` whenever the file no longer matches it.
    ShpSignature shpSignature;
    std::vector<CentroidRecord> centroidTable;  // 0..N
    double studyArea = 0.0;
    // Region areas: partAreas[i][j] for region 0..N and ring 0..P.
    std::vector<std::vector<AreaRecord>> partAreas;
    // The polygon and ring under examination by the area, centroid and
    // identify walks, with a copy of the ring's vertices (used from 1).
    std::shared_ptr<CPolygon> currentPolygon;
    std::shared_ptr<CPart> currentPart;
    std::vector<MapPoint> ringVertices;
};

// The polygon map's view: extent, zoom, pan and the transform of the last
// drawing.
struct MapViewState {
    MapRect mapExtent;
    double mapZoom = 0.0;
    double panShiftX = 0.0, panShiftY = 0.0;
    double panDragX = 0.0, panDragY = 0.0;
    // The transform of the last drawing, and whether that transform could
    // be computed at all (a zero-width or zero-height extent or picture
    // gives none, and nothing is drawn through it; the values then stay
    // those of the last drawing that had one).
    MapTransform transform;
    bool mapTransformValid = false;
    std::int64_t shpFileSize = 0;  // bytes of the .shp, measured by the plain drawings
    float panStartX = 0.0f, panStartY = 0.0f;
    bool panDragging = false;
};

// Which statistic the class legend shows, as the options of the open test
// window say: the M statistic (Freeman-Tukey or Rossi residuals), the score
// statistic (unadjusted or Poisson-adjusted), or neither.
enum class LegendStatistic { None, Score, M };

// The class legend of the shaded maps.
struct LegendState {
    // Set by the test window whenever its options change, and None while no
    // test window is open; the map asks it at every legend it draws.
    LegendStatistic legendStatistic = LegendStatistic::None;
    DoubleArray classBreaks;   // 0..6
    DoubleArray legendBreaks;  // 0..6
    DoubleArray legendColors;  // 0..6, used 1..6 (BGR colours as doubles)
    double legendMin = 0.0;
    double legendMax = 0.0;
};

// The N x N and range matrices of the retrospective test, kept apart from
// its other variables so that a run's working copy starts without them
// (copying them would cost more than the run) and its commit keeps those
// it did not write.
struct RetroMatrices {
    // Kernel weights W (0..N by 0..N, row and column 0 zero) and C = W'W.
    // The weight copies W and W(i,j)/sqrt(E_j) and the moment matrices C
    // and C(i,j)/sqrt(p_i p_j) are never stored (four more N x N matrices
    // would not fit large study areas): the engine derives every element
    // from these two and the counts they were built with, and
    // modClusterDetection hands out the full matrices on request.
    Matrix scoreWeights, weightCrossProduct;
    Matrix mWeights;
    Matrix rangeLocalStats;  // 0..K by 0..N
    Matrix chartData;        // rows by 2

    // Calls f on every matrix above, so that whoever needs all of them
    // (the commit of a run) cannot miss one.
    template <class F>
    void forEachMatrix(RetroMatrices& other, F&& f) {
        for (auto m : {&RetroMatrices::scoreWeights, &RetroMatrices::weightCrossProduct, &RetroMatrices::mWeights,
                       &RetroMatrices::rangeLocalStats, &RetroMatrices::chartData})
            f(this->*m, other.*m);
    }
};

// What a kernel matrix was computed from: N, the bandwidth, the area and
// the centroids 1..N, and whether they are points (the statistics computed
// with it then name their rows points). The engine copies a kernel it
// already holds for the same inputs (the score and the M weights of one
// bandwidth are the same kernel) instead of computing it again.
struct KernelSource {
    std::int32_t n = 0;
    double sigma = 0.0, area = 0.0;
    std::vector<double> x, y;
    bool pointData = false;
    bool operator==(const KernelSource&) const = default;
};

// The retrospective cluster test's input, the engine's results other than
// the matrices, and the range run over bandwidths.
struct RetroValues {
    // ---- Input ----
    DoubleArray population;     // 0..N
    DoubleArray observed;       // 0..N
    DoubleArray expected;       // 0..N
    DoubleArray expectedShare;  // 0..N
    double totalPopulation = 0.0;
    double totalCases = 0.0;
    TextArray primaryIds;    // 0..N
    TextArray secondaryIds;  // 0..N
    bool secondaryIdOn = false;
    double alpha = 0.0;
    // The study area (its generation) the counts were read for and the
    // shown results were computed for; -1 for none.
    std::int64_t countsGeneration = -1;
    std::int64_t resultsGeneration = -1;

    // ---- Results of the statistics engine ----
    // E and p as CalcScoreWeights read them (0..N), for the derived weights.
    DoubleArray scoreWeightExpected, scoreWeightShares;
    // The inputs scoreWeights and mWeights were computed from.
    KernelSource scoreWeightsSource, mWeightsSource;
    DoubleArray localScoreUnadjusted, localScoreZUnadjusted, localScoreAdjusted, localScoreZAdjusted;
    double globalScoreUnadjusted = 0.0, globalScoreAdjusted = 0.0;
    DoubleArray scoreMapValues, scoreLegendValues;
    double scoreDf = 0.0, scoreMean = 0.0, scoreVariance = 0.0;
    double scoreZ = 0.0, scoreChiSquare = 0.0;
    DoubleArray poissonResiduals, freemanTukeyResiduals, rossiResiduals;
    DoubleArray localM, localMSorted;
    DoubleArray mMapValues, mLegendValues;
    // The values the polygon or point map is shaded by, in region order;
    // the class legend is drawn from them too (it sorts a copy of its own).
    DoubleArray mapClassValues;
    const DoubleArray& mapLegendValues() const noexcept { return mapClassValues; }

    // ---- Range run over bandwidths ----
    std::int16_t bandwidthCount = 0;
    double sigmaRangeEnd = 0.0;
    DoubleArray rangeSigmas;  // 0..K
    DoubleArray rangeStatistic, rangeChiSquare, rangeChiCritical, rangeDf, rangePValue, rangeMaxM, rangeMCritical;
};

// The retrospective cluster test, matrices and values; its members are
// reached by their own names (retro.observed, retro.scoreWeights).
struct RetroState : RetroMatrices, RetroValues {};

// The prospective cusum on polygon data: its parameters, the field range
// or period file of the last run, the results the map, lists, charts and
// files read, the region names and the cusum loaded from a file.
struct CusumValues {
    // ---- Parameters and inputs of the last run ----
    double kValue = 0.0;
    double hValue = 0.0;
    double periodCount = 0.0;      // T of the last run
    double startFieldIndex = 0.0;  // 0-based ordinal of the first period field
    double endFieldIndex = 0.0;    // 0-based ordinal of the last period field
    double textColumnCount = 0.0;  // values per line of the period matrix file
    double textPeriodCount = 0.0;  // T of the last run from a period matrix file
    Matrix textZScores;            // 0..N by 0..textColumnCount, smoothed after a run
    std::int32_t animationDelay = 0;
    std::int16_t periodIndex = 0;
    // k and h of the Run that opened the continuation dialog, for the run
    // that dialog starts (kValue and hValue stay those of the last run).
    double continuationK = 0.0;
    double continuationH = 0.0;

    // ---- Results (0..N by 0..T, periods 0..T) ----
    Matrix cusumValues;
    DoubleArray maxCusum;
    TextArray maxCusumRegion;
    TextArray regionLabels;  // 0..N
    bool cusumColoring = false;
    // Whether the last run read its periods from a period matrix file
    // (else from attribute fields): the lists and charts follow the run,
    // not the option shown now.
    bool lastRunFromText = false;
    // What the period list adds to a period's number in its label: the
    // loaded periods' count after a continuation shown with them, else 0.
    double periodLabelOffset = 0.0;

    // ---- Region names (the name-field dialog) ----
    std::string primaryIdField;
    std::string secondaryIdField;
    TextArray cusumRegionIds;  // 0..N
    // Record numbers of the lines of the signalled-region list, in order.
    std::vector<std::int32_t> signaledRegions;

    // ---- The charts; each keeps its own rows (rows by 2: value, h) ----
    Matrix maxChartData;
    Matrix regionChartData;

    // ---- The cusum file last written or read ----
    Matrix previousCusum;  // 0..N by 0..previousPeriodCount
    double previousPeriodCount = 0.0;
    // The study area (its generation) previousCusum was loaded for; -1 for
    // none. A continuation takes it only on that study area.
    std::int64_t previousCusumGeneration = -1;
    DoubleArray previousMaxCusum;  // 0..previousPeriodCount: each loaded period's largest cusum
    std::string csmPath;
    std::string csmHeader;
};

// The cusums are held once: the map colours from them and the cusum file
// is written from them under their own names, which stay bound to this
// object's cusumValues through copies and moves.
struct CusumState : CusumValues {
    Matrix& mapCusum = cusumValues;
    Matrix& csmCusum = cusumValues;

    CusumState() = default;
    CusumState(const CusumState& other) : CusumValues(other) {}
    CusumState(CusumState&& other) noexcept : CusumValues(std::move(other)) {}
    CusumState& operator=(const CusumState& other) {
        CusumValues::operator=(other);
        return *this;
    }
    CusumState& operator=(CusumState&& other) noexcept {
        CusumValues::operator=(std::move(other));
        return *this;
    }
    ~CusumState() = default;
};

// The view of one point window's map: the coordinate copies its last run
// made (0..N, used from 1), the zoom, the accumulated pan, the offset of a
// pan drag in progress and where that drag was started (pixels). Each
// point window has its own.
struct PointMapView {
    DoubleArray pointX, pointY;
    double pointZoom = 0.0;
    double panX = 0.0, panY = 0.0;
    double dragX = 0.0, dragY = 0.0;
    double dragStartX = 0.0, dragStartY = 0.0;
    bool dragStarted = false;
};

// Point data: the points as the point map drew them and the convex hull
// that gives their study area.
struct PointState {
    double pointCount = 0.0;
    double pointScaleX = 0.0;
    double pointScaleY = 0.0;
    std::vector<DevicePoint> devicePoints;  // used from 1
    // The convex hull of the drawn points: its input count, vertex count
    // and vertices (0..M-1, in wrapping order).
    std::int32_t hullInputCount = 0;
    std::int32_t hullVertexCount = 0;
    std::vector<DevicePoint> hullPoints;

    // The view of the point cluster window's map.
    PointMapView clusterMap;
};

// What the tests and the maps share: the bandwidth, the selected region,
// the period shown and the modes that say what the map and the data are.
struct SharedState {
    double sigma = 0.0;
    std::int32_t selectedRegion = 0;
    std::int16_t currentPeriod = 0;
    bool retroMapMode = false;
    bool cusumMapMode = false;
    bool pointDataMode = false;
    bool polygonDataMode = false;
};

struct AppState {
    StudyAreaState area;
    MapViewState view;
    LegendState legend;
    RetroState retro;
    CusumState cusum;
    PointState points;
    SharedState shared;
};

// Whether the retrospective results held now were computed for the study
// area open now: after another study area opened, Save, the list clicks and
// the map's bandwidth tools do nothing with them until the next run.
inline bool retroResultsCurrent(const AppState& state) {
    return state.retro.resultsGeneration == state.area.generation;
}
