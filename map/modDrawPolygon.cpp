#include "map/modDrawPolygon.h"

#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <vector>

#include "geometry/ShpRecords.h"
#include "map/frmPolygonSHP.h"
#include "map/modFunctions.h"
#include "map/modLegend.h"
#include "platform/Convert.h"
#include "platform/Error.h"
#include "ui/Dialogs.h"
#include "ui/PictureSurface.h"
#include "ui/Twips.h"

namespace modDrawPolygon {
namespace {

constexpr std::int32_t kShapeNull = 0;
constexpr std::int32_t kShapePolygon = 5;
constexpr BgrColor kWhite = 0xFFFFFF;
constexpr BgrColor kYellow = 0xFFFF;

std::string& drawProblem() {
    static std::string problem;
    return problem;
}

bool readWholeFile(const std::string& path, std::vector<unsigned char>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) return false;
    in.seekg(0, std::ios::beg);
    bytes.resize(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) return false;
    return true;
}

std::string recordText(std::int32_t k) { return "record " + std::to_string(k + 1); }

frmPolygonSHP& mapWindow(AppContext& ctx) { return *ctx.load<frmPolygonSHP>(); }

BgrColor toColor(double value) {
    try {
        return toInt32(value);
    } catch (const AppError&) {
        return kWhite;
    }
}

}  // namespace

// ---- The transform ----

MapViewInput viewInput(const AppState& state, PictureBox& picSHP) {
    MapViewInput in;
    in.extent = state.view.mapExtent;
    in.zoom = state.view.mapZoom;
    in.panShiftX = state.view.panShiftX;
    in.panShiftY = state.view.panShiftY;
    in.pictureWidth = pixelsToTwips(picSHP.width());
    in.pictureHeight = pixelsToTwips(picSHP.height());
    in.scaleWidth = picSHP.surface().ScaleWidth();
    in.scaleHeight = picSHP.surface().ScaleHeight();
    return in;
}

namespace {
bool setTransform(AppState& state, PictureBox& picSHP, bool withPan) {
    const auto t = computeMapTransform(viewInput(state, picSHP), withPan);
    if (t) state.view.transform = *t;
    state.view.mapTransformValid = t.has_value();
    SetDrawProperties(picSHP.surface());
    return t.has_value();
}
}  // namespace

bool SetMapExtent(AppState& state, PictureBox& picSHP) { return setTransform(state, picSHP, false); }
bool SetMapScale(AppState& state, PictureBox& picSHP) { return setTransform(state, picSHP, true); }

void SetDrawProperties(PictureSurface& pic) {
    pic.PolyFill = PolyFillMode::Alternate;
    pic.DrawWidth = 1;
    pic.FillStyleValue = FillStyle::Transparent;
    pic.FillColor = kWhite;
}

// ---- The walk ----

std::int64_t MeasureFileSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return 0;
    const std::streamoff size = in.tellg();
    return size < 0 ? 0 : static_cast<std::int64_t>(size);
}

namespace {

// The parts and points of a region as it was opened, with the accessors of
// a record's parts read from a file.
struct OpenedParts {
    std::int32_t numParts = 0;
    std::int32_t numPoints = 0;
    std::vector<std::int32_t> starts;
    std::vector<MapPoint> xy;

    explicit OpenedParts(const CPolygon& polygon) {
        numParts = polygon.Count();
        starts.reserve(static_cast<std::size_t>(numParts));
        for (const auto& part : polygon) {
            starts.push_back(static_cast<std::int32_t>(xy.size()));
            if (!part) continue;
            for (const auto& point : *part) xy.push_back(point ? MapPoint{point->X(), point->Y()} : MapPoint{});
        }
        numPoints = static_cast<std::int32_t>(xy.size());
    }
    std::int32_t partBegin(std::int32_t k) const { return starts[static_cast<std::size_t>(k)]; }
    std::int32_t partEnd(std::int32_t k) const {
        return k + 1 < numParts ? starts[static_cast<std::size_t>(k + 1)] : numPoints;
    }
    double x(std::int32_t i) const { return xy[static_cast<std::size_t>(i)].X; }
    double y(std::int32_t i) const { return xy[static_cast<std::size_t>(i)].Y; }
};

// Turns the rings of one record into pixels and hands them on, from a file
// or from the regions opened alike, so that both draw the same picture.
template <class Parts>
void transformRecord(std::int32_t record, const Parts& parts, const MapTransform& t, double panDragX, double panDragY,
                     RegionRings& region, const RingSink& onRing, const RegionSink& onRegion) {
    region.record = record;
    region.numParts = parts.numParts;
    region.lastPartStart = parts.partBegin(parts.numParts - 1);
    region.points.assign(static_cast<std::size_t>(parts.numPoints) + 1, DevicePoint{});
    region.ringStarts.clear();
    region.ringCounts.clear();
    for (std::int32_t k = 0; k < parts.numParts; ++k) {
        const std::int32_t a = parts.partBegin(k), b = parts.partEnd(k);
        const int count = b - a - 1;  // the closing vertex repeats the first
        if (count < 1) continue;
        bool fits = true;
        for (std::int32_t i = a; i <= b - 2; ++i) {
            const auto d = mapToDevice(t, panDragX, panDragY, parts.x(i), parts.y(i));
            if (!d) {  // beyond the device range (extreme zoom): this ring cannot be drawn
                fits = false;
                break;
            }
            region.points[static_cast<std::size_t>(i)] = *d;
        }
        if (!fits) continue;
        region.ringStarts.push_back(a);
        region.ringCounts.push_back(count);
        if (onRing) onRing(record, &region.points[static_cast<std::size_t>(a)], count);
    }
    if (onRegion) onRegion(region);
}

WalkReport walkBytes(const std::vector<unsigned char>& bytes, std::int64_t sizeLimit, const MapTransform& t,
                     double panDragX, double panDragY, const RingSink& onRing, const RegionSink& onRegion) {
    WalkReport r;
    r.opened = true;
    r.fileSize = static_cast<std::int64_t>(bytes.size());

    RegionRings region;
    ShpRecords::Parts parts;
    const ShpRecords::WalkEnd end = ShpRecords::walk(bytes, sizeLimit, [&](const ShpRecords::Record& rec) {
        if (rec.shapeType == kShapeNull) return;  // a region without a shape
        if (rec.shapeType != kShapePolygon) {
            if (r.problem.empty()) r.problem = recordText(rec.index) + " is not a polygon record";
            return;
        }
        if (const std::string why = ShpRecords::readParts(rec.body, rec.bodyBytes, parts); !why.empty()) {
            if (r.problem.empty()) r.problem = recordText(rec.index) + " is damaged (" + why + ")";
            return;
        }
        transformRecord(rec.index, parts, t, panDragX, panDragY, region, onRing, onRegion);
    });
    if (!end.problem.empty()) r.problem = end.problem;  // where the walk had to stop says the most
    r.records = end.records;
    return r;
}

ShpSignature::Record signatureRecord(const ShpRecords::Record& rec) {
    ShpSignature::Record out;
    out.shapeType = rec.shapeType;
    if (rec.shapeType != kShapeNull && rec.bodyBytes >= static_cast<std::int64_t>(out.box.size()))
        std::copy_n(rec.body, out.box.size(), out.box.begin());
    return out;
}

std::array<unsigned char, 32> headerBoxBytes(const std::vector<unsigned char>& bytes) {
    std::array<unsigned char, 32> box{};
    if (bytes.size() >= static_cast<std::size_t>(ShpRecords::kMainHeaderBytes))
        std::copy_n(bytes.begin() + 36, box.size(), box.begin());
    return box;
}

std::string bytesText(std::int64_t n) { return std::to_string(n) + " bytes"; }

}  // namespace

WalkReport WalkShapefile(const std::string& path, std::int64_t sizeLimit, const MapTransform& t,
                         double panDragX, double panDragY, const RingSink& onRing, const RegionSink& onRegion) {
    std::vector<unsigned char> bytes;
    if (path.empty() || !readWholeFile(path, bytes)) return WalkReport{};
    return walkBytes(bytes, sizeLimit, t, panDragX, panDragY, onRing, onRegion);
}

void WalkOpenedRegions(const Collection<CPolygon>& polygons, std::int32_t regionCount, const MapTransform& t,
                       double panDragX, double panDragY, const RingSink& onRing, const RegionSink& onRegion) {
    RegionRings region;
    const std::int32_t n = std::min(regionCount, polygons.Count());
    for (std::int32_t i = 1; i <= n; ++i) {
        const auto& polygon = polygons.Item(i);
        if (!polygon || polygon->IsNull() || polygon->Count() < 1) continue;
        transformRecord(i - 1, OpenedParts(*polygon), t, panDragX, panDragY, region, onRing, onRegion);
    }
}

ShpSignature SignatureOf(const std::vector<unsigned char>& bytes) {
    ShpSignature s;
    s.size = static_cast<std::int64_t>(bytes.size());
    s.headerBox = headerBoxBytes(bytes);
    ShpRecords::Parts parts;
    const ShpRecords::WalkEnd end = ShpRecords::walk(bytes, s.size, [&](const ShpRecords::Record& rec) {
        s.records.push_back(signatureRecord(rec));
        if (!s.problem.empty() || rec.shapeType == kShapeNull) return;
        if (rec.shapeType != kShapePolygon)
            s.problem = recordText(rec.index) + " is not a polygon record";
        else if (const std::string why = ShpRecords::readParts(rec.body, rec.bodyBytes, parts); !why.empty())
            s.problem = recordText(rec.index) + " is damaged (" + why + ")";
    });
    if (!end.problem.empty()) s.problem = end.problem;  // where the records had to stop says the most
    return s;
}

ShpSignature ReadSignature(const std::string& path) {
    std::vector<unsigned char> bytes;
    if (!readWholeFile(path, bytes))
        throw AppError(RuntimeErrors::PathFileAccess, "The file " + path + " cannot be read.", "ReadSignature");
    return SignatureOf(bytes);
}

std::string DifferenceFrom(const ShpSignature& opened, const ShpSignature& now, std::int32_t regionCount) {
    if (now.problem != opened.problem && !now.problem.empty()) return now.problem;
    const auto count = static_cast<std::int64_t>(now.records.size());
    if (count < regionCount)
        return "it holds " + std::to_string(count) + " records now, but the study area has " +
               std::to_string(regionCount) + " regions";
    if (now.records.size() != opened.records.size())
        return "it holds " + std::to_string(count) + " records now, " + std::to_string(opened.records.size()) +
               " when it was opened";
    if (now.size != opened.size)
        return "it is " + bytesText(now.size) + " long now, " + bytesText(opened.size) + " when it was opened";
    if (now.headerBox != opened.headerBox) return "its header gives another extent than when it was opened";
    for (std::size_t i = 0; i < now.records.size(); ++i)
        if (now.records[i] != opened.records[i])
            return recordText(static_cast<std::int32_t>(i)) + " has another shape or box than when it was opened";
    if (now.problem != opened.problem) return "its records were damaged when it was opened and are not now";
    return {};
}

// ---- The drawings ----

namespace {

// Says a problem with the file once: the same one on the next redraw (a
// resize draws twice) stays silent until a drawing succeeds.
void warnOnce(const std::string& text) {
    if (text == drawProblem()) return;
    drawProblem() = text;
    dialogs().warning(text);
}

// Walks the .shp under the transform the last SetMapExtent or SetMapScale
// left, and says once what is wrong with the file. A file that no longer
// matches the one opened (changed, replaced, cut, damaged or gone) is not
// drawn: the regions drawn stay those that were opened.
void walkMap(AppState& state, const RingSink& onRing, const RegionSink& onRegion = {}) {
    const std::string& path = state.area.shpPath;
    if (path.empty()) return;  // no study area opened yet: nothing to draw
    std::vector<unsigned char> bytes;
    const bool readable = readWholeFile(path, bytes);
    const MapTransform& t = state.view.transform;
    const double dx = state.view.panDragX, dy = state.view.panDragY;

    if (state.area.shpSignature.size > 0) {
        const ShpSignature now = readable ? SignatureOf(bytes) : ShpSignature{};
        if (readable && now == state.area.shpSignature && now.problem.empty()) {
            walkBytes(bytes, state.view.shpFileSize, t, dx, dy, onRing, onRegion);
            drawProblem().clear();
            return;
        }
        const bool held = state.area.polygons.Count() > 0;
        if (held) WalkOpenedRegions(state.area.polygons, state.area.regionCount, t, dx, dy, onRing, onRegion);
        std::string text = "The shapefile " + path;
        if (!readable)
            text += " can no longer be read.";
        else if (const std::string why = DifferenceFrom(state.area.shpSignature, now, state.area.regionCount);
                 !why.empty())
            text += " has changed since it was opened: " + why + ".";
        else
            text += " is damaged (" + now.problem + ").";
        warnOnce(text + (held ? " The map shows its regions as they were opened." : " The map cannot draw its regions."));
        return;
    }

    // A study area that was not opened from a file has nothing to compare
    // the file with: what it holds is drawn, as far as it can be.
    if (!readable) {
        warnOnce("The shapefile " + path + " can no longer be read. The map cannot be drawn.");
        return;
    }
    WalkReport r = walkBytes(bytes, state.view.shpFileSize, t, dx, dy, onRing, onRegion);
    // A file cut after it was opened draws fewer regions than there are.
    if (r.problem.empty() && r.records < state.area.regionCount)
        r.problem = "it holds " + std::to_string(r.records) + " records now, but the study area has " +
                    std::to_string(state.area.regionCount) + " regions";
    if (r.problem.empty()) {
        drawProblem().clear();
        return;
    }
    warnOnce("The shapefile " + path + " is damaged (" + r.problem + "). The map shows only the records before the damage.");
}

// A region filled as one shape of all its rings, by the odd-even rule: its
// holes stay open, so a region lying in a hole keeps its own colour
// whichever is drawn first.
void fillRegion(PictureSurface& pic, const RegionRings& g) {
    pic.PolyPolygon(g.points.data(), g.ringStarts, g.ringCounts);
}

// The plain outlines of every region on a cleared picture, at the full
// extent or with the accumulated pan.
void drawOutlines(AppContext& ctx, bool withPan) {
    AppState& state = ctx.state;
    frmPolygonSHP& w = mapWindow(ctx);
    PictureSurface& pic = w.picSHP->surface();
    pic.Cls();
    const bool ok = withPan ? SetMapScale(state, *w.picSHP) : SetMapExtent(state, *w.picSHP);
    state.view.shpFileSize = MeasureFileSize(state.area.shpPath);
    if (ok) walkMap(state, [&pic](std::int32_t, const DevicePoint* pts, int n) { pic.Polygon(pts, n); });
    w.picSHP->Refresh();
}

}  // namespace

void DrawShapefile(AppContext& ctx) { drawOutlines(ctx, false); }

void RedrawShapefile(AppContext& ctx) { drawOutlines(ctx, true); }

void DrawCusumMap(AppContext& ctx, std::int16_t period) {
    AppState& state = ctx.state;
    frmPolygonSHP& w = mapWindow(ctx);
    PictureSurface& pic = w.picSHP->surface();
    pic.Cls();
    const bool ok = SetMapScale(state, *w.picSHP);
    pic.FillStyleValue = FillStyle::Solid;
    if (ok) {
        walkMap(state, {}, [&](const RegionRings& g) {
            // A region or period outside the cusum table has no band.
            pic.FillColor =
                state.cusum.cusumColoring ? toColor(modFunctions::GetCusumColor(state, g.record + 1, period)) : kWhite;
            fillRegion(pic, g);
        });
    }
    w.picSHP->Refresh();
}

void DrawClassMap(AppContext& ctx, const DoubleArray& values) {
    AppState& state = ctx.state;
    frmPolygonSHP& w = mapWindow(ctx);
    PictureSurface& pic = w.picSHP->surface();
    pic.Cls();
    const bool ok = SetMapScale(state, *w.picSHP);
    if (ok) {
        walkMap(state, {}, [&](const RegionRings& g) {
            const auto i = static_cast<std::size_t>(g.record) + 1;
            if (i < values.size() && std::isfinite(values[i])) {
                pic.FillStyleValue = FillStyle::Solid;
                pic.FillColor = toColor(modFunctions::GetClassColor(state, values[i]));
            } else {
                // A region without a value keeps its outline only.
                pic.FillStyleValue = FillStyle::Transparent;
            }
            fillRegion(pic, g);
        });
    }
    w.picSHP->Refresh();
}

void ShowClassMap(AppContext& ctx, DoubleArray& legendValues, const DoubleArray& mapValues) {
    // The legend sorts its values in place: when a caller hands the same
    // array twice, the map must still see the values in region order.
    const DoubleArray mapCopy = &legendValues == &mapValues ? mapValues : DoubleArray{};
    const DoubleArray& shaded = &legendValues == &mapValues ? mapCopy : mapValues;

    frmPolygonSHP& w = mapWindow(ctx);
    w.Cls();
    AppState& state = ctx.state;
    const LegendStatistic statistic = state.legend.legendStatistic;
    const double labelsEnd = modLegend::DrawLegend(state, w.surface(), legendValues, modLegend::kBreakCount, statistic,
                                                   [&state]() { return modLegend::LegendMCritical(state); });
    w.formSurface->Refresh();
    // Before the map is drawn: it is drawn in the room the legend leaves it.
    w.keepLegendUncovered(labelsEnd);
    DrawClassMap(ctx, shaded);
}

void ShowClassMap(AppContext& ctx, const DoubleArray& values) {
    DoubleArray legend = values;
    ShowClassMap(ctx, legend, values);
}

void HighlightRegion(AppContext& ctx, std::int32_t region) {
    AppState& state = ctx.state;
    frmPolygonSHP& w = mapWindow(ctx);
    PictureSurface& pic = w.picSHP->surface();
    bool ok = SetMapScale(state, *w.picSHP);
    pic.DrawWidth = 1;
    pic.ForeColor = 0;
    if (state.shared.retroMapMode) {
        ShowClassMap(ctx, state.retro.mapClassValues);
        ok = state.view.mapTransformValid;
    }
    state.view.shpFileSize = MeasureFileSize(state.area.shpPath);
    if (ok) {
        walkMap(state, {}, [&](const RegionRings& g) {
            if (g.record != region) return;
            pic.FillStyleValue = FillStyle::Solid;
            pic.FillColor = kYellow;
            pic.DrawWidth = 1;
            pic.ForeColor = 0;
            fillRegion(pic, g);
        });
    }
    w.picSHP->Refresh();
}

const std::string& lastDrawProblem() { return drawProblem(); }
void resetDrawProblem() { drawProblem().clear(); }

}  // namespace modDrawPolygon
