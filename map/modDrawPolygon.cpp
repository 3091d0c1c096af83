#include "map/modDrawPolygon.h"

#include <QImage>
#include <QRect>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <vector>

#include "geometry/ShpRecords.h"
#include "map/frmPolygonSHP.h"
#include "map/modFunctions.h"
#include "map/modLegend.h"
#include "platform/Convert.h"
#include "platform/Error.h"
#include "platform/FileChecks.h"
#include "ui/Dialogs.h"
#include "ui/GuardedApplication.h"
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
bool setTransform(AppState& state, PictureBox& box, PictureSurface& pic, bool withPan);
}  // namespace

bool SetMapExtent(AppState& state, PictureBox& picSHP) { return setTransform(state, picSHP, picSHP.surface(), false); }
bool SetMapScale(AppState& state, PictureBox& picSHP) { return setTransform(state, picSHP, picSHP.surface(), true); }

void SetDrawProperties(PictureSurface& pic) {
    pic.PolyFill = PolyFillMode::Alternate;
    pic.DrawWidth = 1;
    pic.FillStyleValue = FillStyle::Transparent;
    pic.FillColor = kWhite;
}

// ---- The walk ----

std::int64_t MeasureFileSize(const std::string& path) {
    if (path.empty()) return 0;
    const RegularFileReader file(path);
    return file.isOpen() ? file.size() : 0;
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

// Draws the polygon records of the .shp open in `file` whose start lies
// below `sizeLimit`, and says what was wrong with the first that could not
// be drawn.
WalkReport walkFile(RegularFileReader& file, std::int64_t sizeLimit, const MapTransform& t, double panDragX,
                    double panDragY, const RingSink& onRing, const RegionSink& onRegion) {
    WalkReport r;
    r.opened = true;
    r.fileSize = file.size();

    RegionRings region;
    ShpRecords::Parts parts;
    const ShpRecords::WalkEnd end = ShpRecords::walk(file, sizeLimit, [&](const ShpRecords::Record& rec) {
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

std::array<unsigned char, 32> headerBoxBytes(const unsigned char* header) {
    std::array<unsigned char, 32> box{};
    if (header) std::copy_n(header + 36, box.size(), box.begin());
    return box;
}

// The signature of a .shp from its main header (nullptr when it has none)
// and its record walk.
template <class Walk>
ShpSignature signatureOf(std::int64_t size, const unsigned char* header, const Walk& walk) {
    ShpSignature s;
    s.size = size;
    s.headerBox = headerBoxBytes(header);
    ShpRecords::Parts parts;
    const ShpRecords::WalkEnd end = walk([&](const ShpRecords::Record& rec) {
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

// The signature of the .shp open in `file`, holding no record longer than
// `mostRecordBytes`.
ShpSignature signatureOfFile(RegularFileReader& file, std::int64_t mostRecordBytes) {
    unsigned char header[ShpRecords::kMainHeaderBytes];
    const bool hasHeader = ShpRecords::readMainHeader(file, header);
    return signatureOf(file.size(), hasHeader ? header : nullptr, [&](const auto& onRecord) {
        return ShpRecords::walk(file, file.size(), onRecord, mostRecordBytes);
    });
}

std::string bytesText(std::int64_t n) { return std::to_string(n) + " bytes"; }

}  // namespace

WalkReport WalkShapefile(const std::string& path, std::int64_t sizeLimit, const MapTransform& t,
                         double panDragX, double panDragY, const RingSink& onRing, const RegionSink& onRegion) {
    if (path.empty()) return WalkReport{};
    RegularFileReader file(path);
    if (!file.isOpen()) return WalkReport{};
    return walkFile(file, sizeLimit, t, panDragX, panDragY, onRing, onRegion);
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
    const bool hasHeader = bytes.size() >= static_cast<std::size_t>(ShpRecords::kMainHeaderBytes);
    return signatureOf(static_cast<std::int64_t>(bytes.size()), hasHeader ? bytes.data() : nullptr,
                       [&](const auto& onRecord) {
                           return ShpRecords::walk(bytes, static_cast<std::int64_t>(bytes.size()), onRecord);
                       });
}

ShpSignature ReadSignature(const std::string& path) {
    RegularFileReader file(path);
    if (!file.isOpen())
        throw AppError(RuntimeErrors::PathFileAccess, "The file " + path + " cannot be read.", "ReadSignature");
    return signatureOfFile(file, file.size());
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

// Says that memory ran out drawing the map once in each step that meets it:
// the frames of an animation say it once, while a click that draws nothing
// for want of memory says so however often it comes.
void warnOutOfMemory(const std::string& text) {
    static std::uint64_t saidInStep = 0;
    if (text == drawProblem() && saidInStep == currentStep()) return;
    drawProblem() = text;
    saidInStep = currentStep();
    dialogs().warning(text);
}

// Where the walks of one drawing take the regions from, and what they met.
struct Walks {
    // A walk found the file no longer the one opened: the drawing is made
    // again, its walks taking the regions held since opening (`held`).
    bool changed = false;
    bool held = false;
    // What the walks say once the picture is shown: empty when the file
    // was sound, nothing when no walk was made.
    std::optional<std::string> said;
};

// Whether the .shp open in `file` is still the one opened with the
// signature `opened`, compared record by record as it draws those whose
// start lies below `sizeLimit`. A difference met late leaves records of
// the file drawn: that picture must not be shown.
bool drawIfAsOpened(RegularFileReader& file, const ShpSignature& opened, std::int64_t sizeLimit, const MapTransform& t,
                    double dx, double dy, const RingSink& onRing, const RegionSink& onRegion) {
    if (file.size() != opened.size || !opened.problem.empty()) return false;
    unsigned char header[ShpRecords::kMainHeaderBytes];
    if (!ShpRecords::readMainHeader(file, header) || headerBoxBytes(header) != opened.headerBox) return false;
    bool same = true;
    RegionRings region;
    ShpRecords::Parts parts;
    const ShpRecords::WalkEnd end = ShpRecords::walk(
        file, file.size(),
        [&](const ShpRecords::Record& rec) {
            if (!same) return;
            const auto k = static_cast<std::size_t>(rec.index);
            same = k < opened.records.size() && signatureRecord(rec) == opened.records[k] &&
                   (rec.shapeType == kShapeNull ||
                    (rec.shapeType == kShapePolygon && ShpRecords::readParts(rec.body, rec.bodyBytes, parts).empty()));
            if (!same || rec.shapeType == kShapeNull || rec.offset >= sizeLimit) return;
            transformRecord(rec.index, parts, t, dx, dy, region, onRing, onRegion);
        },
        opened.size);
    return same && end.problem.empty() && static_cast<std::size_t>(end.records) == opened.records.size();
}

// Walks the regions under the transform the last SetMapExtent or
// SetMapScale left: the records of the .shp as long as it is the file the
// study area was opened from, else (changed, replaced, cut, damaged, gone,
// or no longer a regular file) the regions held since opening. The file
// is opened so that nothing standing under its name can make it wait, and
// nothing is held of it beyond one record, whose length was checked
// against the file's and against the file opened.
void walkMap(AppState& state, Walks& walks, const RingSink& onRing, const RegionSink& onRegion = {}) {
    const std::string& path = state.area.shpPath;
    if (path.empty()) return;  // no study area opened yet: nothing to draw
    const MapTransform& t = state.view.transform;
    const double dx = state.view.panDragX, dy = state.view.panDragY;
    if (walks.held) {
        WalkOpenedRegions(state.area.polygons, state.area.regionCount, t, dx, dy, onRing, onRegion);
        return;
    }
    if (walks.changed) return;  // the drawing is made again from the regions held

    RegularFileReader file(path);
    const ShpSignature& opened = state.area.shpSignature;
    if (opened.size > 0) {
        if (file.isOpen() && drawIfAsOpened(file, opened, state.view.shpFileSize, t, dx, dy, onRing, onRegion)) {
            walks.said = std::string();
            return;
        }
        std::string text = "The shapefile " + path;
        if (file.isOpen()) {
            const ShpSignature now = signatureOfFile(file, opened.size);
            if (const std::string why = DifferenceFrom(opened, now, state.area.regionCount); !why.empty())
                text += " has changed since it was opened: " + why + ".";
            else if (!now.problem.empty())
                text += " is damaged (" + now.problem + ").";
            else
                text += " changed while the map was read from it.";
        } else if (file.kind() == FileKind::Folder) {
            text += " has changed since it was opened: it is a folder now, not a file.";
        } else if (file.kind() == FileKind::Other) {
            text += " has changed since it was opened: it is no longer a regular file.";
        } else {
            text += " can no longer be read.";
        }
        const bool held = state.area.polygons.Count() > 0;
        walks.changed = true;
        walks.said = text + (held ? " The map shows its regions as they were opened." : " The map cannot draw its regions.");
        return;
    }

    // A study area that was not opened from a file has nothing to compare
    // the file with: what it holds is drawn, as far as it can be.
    if (!file.isOpen()) {
        const bool special = file.kind() == FileKind::Folder || file.kind() == FileKind::Other;
        walks.said = "The shapefile " + path + (special ? " " + file.problem() : std::string(" can no longer be read")) +
                     ". The map cannot be drawn.";
        return;
    }
    WalkReport r = walkFile(file, state.view.shpFileSize, t, dx, dy, onRing, onRegion);
    // A file cut after it was opened draws fewer regions than there are.
    if (r.problem.empty() && r.records < state.area.regionCount)
        r.problem = "it holds " + std::to_string(r.records) + " records now, but the study area has " +
                    std::to_string(state.area.regionCount) + " regions";
    walks.said = r.problem.empty() ? std::string()
                                   : "The shapefile " + path + " is damaged (" + r.problem +
                                         "). The map shows only the records before the damage.";
}

// A picture made whole off the screen, to replace the one shown only once
// it is complete: a blank one the size of the picture shown, or a copy of
// it for a drawing over what is shown.
struct Offscreen {
    Offscreen(PictureBox& shownBox, bool blank) : box(shownBox), pic(shownBox.surface()) {
        const QImage& shown = box.surface().image();
        QImage image = blank ? QImage(shown.size(), shown.format()) : shown.copy();
        if (image.isNull()) throw std::bad_alloc();
        image.setDotsPerMeterX(shown.dotsPerMeterX());
        image.setDotsPerMeterY(shown.dotsPerMeterY());
        pic.image() = std::move(image);
        if (blank) pic.Cls();
    }
    // Painting on an image whose memory could not be had draws nothing.
    bool whole() const { return !pic.image().isNull(); }
    void show() {
        box.surface() = std::move(pic);
        box.Refresh();
    }

    PictureBox& box;
    PictureSurface pic;
};

// Paints the map on `pic` of the picture box `box`.
using MapPaint = std::function<void(PictureBox& box, PictureSurface& pic, Walks& walks)>;
// Paints the class legend on the window's own surface; returns where its
// widest label ends (twips from the surface's left edge).
using LegendPaint = std::function<double(PictureSurface& legend)>;

std::string outOfMemoryText(const std::string& path) {
    return "There is not enough memory left to draw the map of " + path + ". The map shows what it showed before.";
}

// One drawing: the legend, when it has one, and the map are made off the
// screen (the map again from the regions held when its walk found the file
// changed) and replace the pictures shown together. When memory runs out
// meanwhile, the pictures shown and the view stay as they were, and the
// drawing says so once; false then.
bool draw(AppContext& ctx, bool blank, const MapPaint& paintMap, const LegendPaint& paintLegend = {}) {
    AppState& state = ctx.state;
    const MapViewState view = state.view;
    // A legend commits its classes and may move the picture right of its
    // labels before the map is made: both go back when the map cannot be.
    std::optional<LegendState> legendBefore;
    std::optional<QRect> placeBefore;
    std::optional<PictureSurface> shownBefore;
    frmPolygonSHP* window = nullptr;
    std::optional<std::string> said;
    try {
        frmPolygonSHP& w = mapWindow(ctx);
        window = &w;
        std::optional<Offscreen> legend;
        if (paintLegend) {
            legendBefore = state.legend;
            placeBefore = w.picSHP->geometry();
            shownBefore = w.picSHP->surface();
            legend.emplace(*w.formSurface, true);
            // Before the map is made: it is drawn in the room the legend
            // leaves it.
            w.keepLegendUncovered(paintLegend(legend->pic));
        }
        Walks walks;
        std::optional<Offscreen> map(std::in_place, *w.picSHP, blank);
        paintMap(map->box, map->pic, walks);
        if (walks.changed) {
            // What the file gave is dropped: the regions held are drawn.
            walks.held = true;
            map.emplace(*w.picSHP, blank);
            paintMap(map->box, map->pic, walks);
        }
        if (!map->whole() || (legend && !legend->whole())) throw std::bad_alloc();
        if (legend) legend->show();
        map->show();
        said = std::move(walks.said);
    } catch (const std::bad_alloc&) {
        state.view = view;
        if (legendBefore) state.legend = std::move(*legendBefore);
        if (window && placeBefore && window->picSHP->geometry() != *placeBefore) {
            window->picSHP->setGeometry(*placeBefore);
            // Its resize cut or blanked the picture: the one shown comes back.
            window->picSHP->surface() = std::move(*shownBefore);
            window->picSHP->Refresh();
        }
        warnOutOfMemory(outOfMemoryText(state.area.shpPath));
        return false;
    }
    if (said && said->empty()) drawProblem().clear();
    if (said && !said->empty()) warnOnce(*said);
    return true;
}

// The transform of a drawing, and the drawing properties on its picture.
bool setTransform(AppState& state, PictureBox& box, PictureSurface& pic, bool withPan) {
    const auto t = computeMapTransform(viewInput(state, box), withPan);
    if (t) state.view.transform = *t;
    state.view.mapTransformValid = t.has_value();
    SetDrawProperties(pic);
    return t.has_value();
}

// A region filled as one shape of all its rings, by the odd-even rule: its
// holes stay open, so a region lying in a hole keeps its own colour
// whichever is drawn first.
void fillRegion(PictureSurface& pic, const RegionRings& g) {
    pic.PolyPolygon(g.points.data(), g.ringStarts, g.ringCounts);
}

// The plain outlines of every region, at the full extent or with the
// accumulated pan.
void paintOutlines(AppState& state, PictureBox& box, PictureSurface& pic, Walks& walks, bool withPan) {
    const bool ok = setTransform(state, box, pic, withPan);
    state.view.shpFileSize = MeasureFileSize(state.area.shpPath);
    if (ok) walkMap(state, walks, [&pic](std::int32_t, const DevicePoint* pts, int n) { pic.Polygon(pts, n); });
}

// Every region filled by its class of `values` (0..N, used from 1).
void paintClasses(AppState& state, PictureBox& box, PictureSurface& pic, Walks& walks, const DoubleArray& values) {
    if (!setTransform(state, box, pic, true)) return;
    walkMap(state, walks, {}, [&](const RegionRings& g) {
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

// The class legend drawn from `legendValues` (sorted in place); where its
// widest label ends.
double paintLegend(AppState& state, PictureSurface& legend, DoubleArray& legendValues) {
    return modLegend::DrawLegend(state, legend, legendValues, modLegend::kBreakCount, state.legend.legendStatistic,
                          [&state]() { return modLegend::LegendMCritical(state); });
}

// The legend and the class map; the legend is drawn from `legendValues`,
// or from a copy of mapValues when there are none.
bool showClassMap(AppContext& ctx, DoubleArray* legendValues, const DoubleArray& mapValues) {
    AppState& state = ctx.state;
    // The legend sorts its values in place: when a caller hands the same
    // array twice, the map must still see the values in region order.
    const bool same = legendValues == &mapValues;
    DoubleArray copy;
    const DoubleArray& shaded = same ? copy : mapValues;
    return draw(
        ctx, true,
        [&](PictureBox& box, PictureSurface& pic, Walks& walks) { paintClasses(state, box, pic, walks, shaded); },
        [&](PictureSurface& legend) {
            if (same || !legendValues) copy = mapValues;
            return paintLegend(state, legend, legendValues ? *legendValues : copy);
        });
}

}  // namespace

bool DrawShapefile(AppContext& ctx) {
    return draw(ctx, true, [&ctx](PictureBox& box, PictureSurface& pic, Walks& walks) {
        paintOutlines(ctx.state, box, pic, walks, false);
    });
}

bool RedrawShapefile(AppContext& ctx) {
    return draw(ctx, true, [&ctx](PictureBox& box, PictureSurface& pic, Walks& walks) {
        paintOutlines(ctx.state, box, pic, walks, true);
    });
}

bool DrawCusumMap(AppContext& ctx, std::int16_t period) {
    AppState& state = ctx.state;
    return draw(ctx, true, [&](PictureBox& box, PictureSurface& pic, Walks& walks) {
        const bool ok = setTransform(state, box, pic, true);
        pic.FillStyleValue = FillStyle::Solid;
        if (!ok) return;
        walkMap(state, walks, {}, [&](const RegionRings& g) {
            // A region or period outside the cusum table has no band.
            pic.FillColor =
                state.cusum.cusumColoring ? toColor(modFunctions::GetCusumColor(state, g.record + 1, period)) : kWhite;
            fillRegion(pic, g);
        });
    });
}

bool DrawClassMap(AppContext& ctx, const DoubleArray& values) {
    return draw(ctx, true, [&](PictureBox& box, PictureSurface& pic, Walks& walks) {
        paintClasses(ctx.state, box, pic, walks, values);
    });
}

bool ShowClassMap(AppContext& ctx, DoubleArray& legendValues, const DoubleArray& mapValues) {
    return showClassMap(ctx, &legendValues, mapValues);
}

bool ShowClassMap(AppContext& ctx, const DoubleArray& values) { return showClassMap(ctx, nullptr, values); }

bool HighlightRegion(AppContext& ctx, std::int32_t region) {
    AppState& state = ctx.state;
    // Over a class map the legend and the classes are drawn afresh first.
    const bool classes = state.shared.retroMapMode;
    const MapPaint paint = [&](PictureBox& box, PictureSurface& pic, Walks& walks) {
        bool ok = setTransform(state, box, pic, true);
        pic.DrawWidth = 1;
        pic.ForeColor = 0;
        if (classes) {
            paintClasses(state, box, pic, walks, state.retro.mapClassValues);
            ok = state.view.mapTransformValid;
        }
        state.view.shpFileSize = MeasureFileSize(state.area.shpPath);
        if (!ok) return;
        walkMap(state, walks, {}, [&](const RegionRings& g) {
            if (g.record != region) return;
            pic.FillStyleValue = FillStyle::Solid;
            pic.FillColor = kYellow;
            pic.DrawWidth = 1;
            pic.ForeColor = 0;
            fillRegion(pic, g);
        });
    };
    if (!classes) return draw(ctx, false, paint);
    DoubleArray legendValues;
    return draw(ctx, true, paint, [&](PictureSurface& legend) {
        legendValues = state.retro.mapClassValues;
        return paintLegend(state, legend, legendValues);
    });
}

const std::string& lastDrawProblem() { return drawProblem(); }
void resetDrawProblem() { drawProblem().clear(); }

}  // namespace modDrawPolygon
