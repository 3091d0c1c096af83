#include "map/modDrawPolygon.h"

#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <vector>

#include "geometry/ShpBytes.h"
#include "map/frmPolygonSHP.h"
#include "map/modFunctions.h"
#include "map/modLegend.h"
#include "platform/Convert.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/PictureSurface.h"
#include "platform/ui/Twips.h"
#include "stats/modClusterDetection.h"

namespace modDrawPolygon {
namespace {

constexpr std::int64_t kMainHeaderBytes = 100;
constexpr std::int32_t kShapeNull = 0;
constexpr std::int32_t kShapePolygon = 5;
constexpr BgrColor kWhite = 0xFFFFFF;
constexpr BgrColor kYellow = 0xFFFF;

std::string& drawProblem() {
    static std::string problem;
    return problem;
}

// Says once what is wrong with the file; the same problem on the next
// redraw (a resize draws twice) stays silent until a drawing succeeds.
void report(const WalkReport& r, const std::string& path) {
    if (path.empty()) return;  // no study area opened yet: nothing to draw
    if (r.opened && r.problem.empty()) {
        drawProblem().clear();
        return;
    }
    std::string text = r.opened
        ? "The shapefile " + path + " is damaged (" + r.problem + "). The map shows only the records before the damage."
        : "The shapefile " + path + " can no longer be read. The map cannot be drawn.";
    if (text == drawProblem()) return;
    drawProblem() = text;
    dialogs().warning(text);
}

std::int32_t readLE32(const std::vector<unsigned char>& b, std::int64_t at) {
    return int32LE(b.data() + static_cast<std::size_t>(at));
}
std::int32_t readBE32(const std::vector<unsigned char>& b, std::int64_t at) {
    return int32BE(b.data() + static_cast<std::size_t>(at));
}
double readLEDouble(const std::vector<unsigned char>& b, std::int64_t at) {
    return doubleLE(b.data() + static_cast<std::size_t>(at));
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

void storeTransform(AppState& state, const MapTransform& t) {
    state.view.extentAspect = t.extentAspect;
    state.view.viewScale = t.viewScale;
    state.view.drawnRect.Width = t.drawnWidth;
    state.view.drawnRect.Height = t.drawnHeight;
    state.view.halfDrawnWidth = t.halfDrawnWidth;
    state.view.halfDrawnHeight = t.halfDrawnHeight;
    state.view.halfPictureWidth = t.halfPictureWidth;
    state.view.halfPictureHeight = t.halfPictureHeight;
    state.view.marginX = t.marginX;
    state.view.marginY = t.marginY;
    state.view.mapScaleX = t.mapScaleX;
    state.view.mapScaleY = t.mapScaleY;
    state.view.mapOffsetX = t.mapOffsetX;
    state.view.mapOffsetY = t.mapOffsetY;
    state.view.mapTransformValid = true;
}

MapTransform currentTransform(const AppState& state) {
    MapTransform t;
    t.extentAspect = state.view.extentAspect;
    t.viewScale = state.view.viewScale;
    t.drawnWidth = state.view.drawnRect.Width;
    t.drawnHeight = state.view.drawnRect.Height;
    t.halfDrawnWidth = state.view.halfDrawnWidth;
    t.halfDrawnHeight = state.view.halfDrawnHeight;
    t.halfPictureWidth = state.view.halfPictureWidth;
    t.halfPictureHeight = state.view.halfPictureHeight;
    t.marginX = state.view.marginX;
    t.marginY = state.view.marginY;
    t.mapScaleX = state.view.mapScaleX;
    t.mapScaleY = state.view.mapScaleY;
    t.mapOffsetX = state.view.mapOffsetX;
    t.mapOffsetY = state.view.mapOffsetY;
    return t;
}

namespace {
bool setTransform(AppState& state, PictureBox& picSHP, bool withPan) {
    const auto t = computeMapTransform(viewInput(state, picSHP), withPan);
    if (t)
        storeTransform(state, *t);
    else
        state.view.mapTransformValid = false;
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

WalkReport WalkShapefile(const std::string& path, std::int64_t sizeLimit, const MapTransform& t,
                         double panDragX, double panDragY, const RingSink& onRing, const RecordSink& onRecord) {
    WalkReport r;
    std::vector<unsigned char> bytes;
    if (path.empty() || !readWholeFile(path, bytes)) return r;
    r.opened = true;
    const auto fileSize = static_cast<std::int64_t>(bytes.size());
    r.fileSize = fileSize;
    const std::int64_t limit = std::min(sizeLimit, fileSize);

    std::vector<DevicePoint> buffer;
    std::vector<std::int32_t> parts;
    std::int64_t p = kMainHeaderBytes;  // 0-based offset of the record
    std::int32_t k = 0;
    while (p < limit) {
        // Every size the file gives is checked against the file before use.
        if (p + 8 > fileSize) {
            r.problem = "the file ends inside the header of " + recordText(k);
            break;
        }
        const std::int64_t contentBytes = 2 * static_cast<std::int64_t>(readBE32(bytes, p + 4));
        const std::int64_t content = p + 8;
        const std::int64_t next = content + contentBytes;
        if (contentBytes < 4 || next > fileSize) {
            r.problem = "the length of " + recordText(k) + " lies beyond the file";
            break;
        }
        const std::int32_t shapeType = readLE32(bytes, content);
        if (shapeType == kShapeNull) {  // a null record: a region without a shape
            ++k;
            p = next;
            continue;
        }
        if (shapeType != kShapePolygon || contentBytes < 44) {
            if (r.problem.empty()) r.problem = recordText(k) + " is not a polygon record";
            ++k;
            p = next;
            continue;
        }
        const std::int32_t numParts = readLE32(bytes, p + 44);
        const std::int32_t numPoints = readLE32(bytes, p + 48);
        const std::int64_t needed = 44 + 4 * static_cast<std::int64_t>(numParts) + 16 * static_cast<std::int64_t>(numPoints);
        bool sound = numParts >= 0 && numPoints >= 0 && needed <= contentBytes;
        if (sound) {
            parts.assign(static_cast<std::size_t>(numParts), 0);
            for (std::int32_t i = 0; i < numParts; ++i) {
                parts[static_cast<std::size_t>(i)] = readLE32(bytes, p + 52 + 4 * static_cast<std::int64_t>(i));
                const std::int32_t prev = i == 0 ? 0 : parts[static_cast<std::size_t>(i - 1)];
                if (parts[static_cast<std::size_t>(i)] < prev || parts[static_cast<std::size_t>(i)] > numPoints) sound = false;
            }
        }
        if (!sound) {
            if (r.problem.empty()) r.problem = recordText(k) + " holds inconsistent part or point counts";
            ++k;
            p = next;
            continue;
        }
        if (onRecord) onRecord(k, numParts, numParts > 0 ? parts.back() : 0);

        const std::int64_t pointsAt = p + 52 + 4 * static_cast<std::int64_t>(numParts);
        buffer.assign(static_cast<std::size_t>(numPoints) + 1, DevicePoint{});
        for (std::int32_t i = 0; i < numParts; ++i) {
            const std::int32_t a = parts[static_cast<std::size_t>(i)];
            const std::int32_t b = i + 1 < numParts ? parts[static_cast<std::size_t>(i + 1)] : numPoints;
            const int count = b - a - 1;  // the closing vertex repeats the first
            if (count < 1) continue;
            bool fits = true;
            for (std::int32_t j = a; j <= b - 2; ++j) {
                const std::int64_t at = pointsAt + 16 * static_cast<std::int64_t>(j);
                const auto d = mapToDevice(t, panDragX, panDragY, readLEDouble(bytes, at), readLEDouble(bytes, at + 8));
                if (!d) {  // beyond the device range (extreme zoom): this ring cannot be drawn
                    fits = false;
                    break;
                }
                buffer[static_cast<std::size_t>(j)] = *d;
            }
            if (fits) onRing(k, &buffer[static_cast<std::size_t>(a)], count);
        }
        ++k;
        p = next;
    }
    r.records = k;
    return r;
}

// ---- The drawings ----

namespace {

// Walks the .shp under the transform the last SetMapExtent or SetMapScale
// left, and says once what is wrong with the file.
void walkMap(AppState& state, const RingSink& onRing, const RecordSink& onRecord = {}) {
    const WalkReport r = WalkShapefile(state.area.shpPath, state.view.shpFileSize, currentTransform(state), state.view.panDragX,
                                       state.view.panDragY, onRing, onRecord);
    report(r, state.area.shpPath);
}

// The shaded drawings size devicePoints to the first point of the last
// ring of every region of several rings.
RecordSink sizeDevicePoints(AppState& state) {
    return [&state](std::int32_t, std::int32_t numParts, std::int32_t lastStart) {
        if (numParts > 1) state.points.devicePoints.assign(static_cast<std::size_t>(lastStart), DevicePoint{});
    };
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
        walkMap(
            state,
            [&](std::int32_t k, const DevicePoint* pts, int n) {
                // A region or period outside the cusum table has no band.
                pic.FillColor = state.cusum.cusumColoring ? toColor(modFunctions::GetCusumColor(state, k + 1, period)) : kWhite;
                pic.Polygon(pts, n);
            },
            sizeDevicePoints(state));
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
        walkMap(
            state,
            [&](std::int32_t k, const DevicePoint* pts, int n) {
                const auto i = static_cast<std::size_t>(k) + 1;
                if (i < values.size() && std::isfinite(values[i])) {
                    pic.FillStyleValue = FillStyle::Solid;
                    pic.FillColor = toColor(modFunctions::GetClassColor(state, values[i]));
                } else {
                    // A region without a value keeps its outline only.
                    pic.FillStyleValue = FillStyle::Transparent;
                }
                pic.Polygon(pts, n);
            },
            sizeDevicePoints(state));
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
    modLegend::DrawLegend(state, w.surface(), legendValues, modLegend::kBreakCount, statistic,
                          [&state]() { return modClusterDetection::GetMCritical(state.area, state.shared, state.retro); });
    w.formSurface->Refresh();
    DrawClassMap(ctx, shaded);
}

void HighlightRegion(AppContext& ctx, std::int32_t region) {
    AppState& state = ctx.state;
    frmPolygonSHP& w = mapWindow(ctx);
    PictureSurface& pic = w.picSHP->surface();
    bool ok = SetMapScale(state, *w.picSHP);
    pic.DrawWidth = 1;
    pic.ForeColor = 0;
    if (state.shared.retroMapMode) {
        ShowClassMap(ctx, state.retro.mapLegendValues, state.retro.mapClassValues);
        ok = state.view.mapTransformValid;
    }
    state.view.shpFileSize = MeasureFileSize(state.area.shpPath);
    if (ok) {
        walkMap(state, [&](std::int32_t k, const DevicePoint* pts, int n) {
            if (k != region) return;
            pic.FillStyleValue = FillStyle::Solid;
            pic.FillColor = kYellow;
            pic.DrawWidth = 1;
            pic.ForeColor = 0;
            pic.Polygon(pts, n);
        });
    }
    w.picSHP->Refresh();
}

const std::string& lastDrawProblem() { return drawProblem(); }
void resetDrawProblem() { drawProblem().clear(); }

}  // namespace modDrawPolygon
