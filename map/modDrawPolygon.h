#pragma once
// Drawing of the polygon map on the map window's picture picSHP. Every
// drawing reads the .shp at shpPath afresh, record by record, and turns each
// ring into pixels through the map transform; outlines are drawn ring by
// ring, filled regions as one shape of all their rings (holes stay open):
//
//   DrawShapefile    plain outlines at the full extent (no accumulated pan)
//   RedrawShapefile  plain outlines with the current zoom and pan
//   DrawCusumMap     every region filled by its cusum band for one period
//   DrawClassMap     every region filled by its class of a statistic
//   ShowClassMap     the class legend beside the map, then DrawClassMap
//   HighlightRegion  one region filled yellow over the present picture
//
// Drawing opens the map window when it is not open. The walk steps from
// record to record by each record's content length, so null records do not
// shift later regions, and it reads nothing beyond the file. The file is
// read a record at a time, never held whole, and opened so that nothing
// standing under its name (a named pipe, a device) can make it wait. A file
// that no longer matches the one the study area was opened from (changed,
// replaced, cut, damaged, gone, or no longer a regular file) is not drawn:
// the map shows the regions as they were opened and says once what is
// wrong. A study area not opened from a file (shpSignature empty) draws
// what the file holds, as far as it can.
//
// Each drawing makes its picture (and the legend beside it) whole off the
// screen before it replaces the one shown. When memory runs out meanwhile,
// the pictures shown and the view (its transform included) stay as they
// were, a warning says once that the map could not be drawn, and the
// drawing returns false; nothing is thrown.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "context/AppContext.h"
#include "geometry/Records.h"
#include "map/MapTransform.h"
#include "stats/AppState.h"

class PictureBox;
class PictureSurface;

namespace modDrawPolygon {

// ---- The transform ----

// The transform without the accumulated pan (the plain full drawing) and
// with it; both then apply the draw properties. They store the transform in
// state.view and return false, keeping the one stored but clearing
// mapTransformValid, when the extent or the picture has no width or height
// or the zoom is not above 0.
bool SetMapExtent(AppState& state, PictureBox& picSHP);
bool SetMapScale(AppState& state, PictureBox& picSHP);
// The base drawing properties: alternate fill rule, one-pixel pen,
// transparent fill, white fill colour.
void SetDrawProperties(PictureSurface& picSHP);

// The inputs of the transform as the state and the picture hold them now.
MapViewInput viewInput(const AppState& state, PictureBox& picSHP);

// ---- The walk over the .shp ----

struct WalkReport {
    bool opened = false;         // the file could be read
    std::int32_t records = 0;    // records walked (k after the walk)
    std::int64_t fileSize = 0;   // bytes of the file as read
    std::string problem;         // empty when every record was sound
};

// Called for every ring that can be drawn: the 0-based record index, the
// ring's pixels and their count (the closing vertex left out).
using RingSink = std::function<void(std::int32_t record, const DevicePoint* points, int count)>;

// The drawable rings of one record after its rings were walked: ring r has
// ringCounts[r] pixels from points[ringStarts[r]] on (the closing vertex left
// out); numParts and lastPartStart are the record's own counts.
struct RegionRings {
    std::int32_t record = 0;
    std::int32_t numParts = 0;
    std::int32_t lastPartStart = 0;
    std::vector<DevicePoint> points;
    std::vector<int> ringStarts, ringCounts;
};
using RegionSink = std::function<void(const RegionRings& region)>;

// Walks the polygon records of the .shp at `path` while the record start
// lies below `sizeLimit` bytes (and within the file), transforming every
// vertex with `t` and the drag offset.
WalkReport WalkShapefile(const std::string& path, std::int64_t sizeLimit, const MapTransform& t,
                         double panDragX, double panDragY, const RingSink& onRing,
                         const RegionSink& onRegion = {});

// Walks the regions of `polygons` as they were opened (region i is record
// i - 1, up to regionCount) as WalkShapefile walks a file's records, so
// that both draw the same picture of the same shapes.
void WalkOpenedRegions(const Collection<CPolygon>& polygons, std::int32_t regionCount, const MapTransform& t,
                       double panDragX, double panDragY, const RingSink& onRing, const RegionSink& onRegion = {});

// ---- The file as it was opened ----

// The signature of the bytes of a .shp, and of the file at `path` (raises
// AppError 75 when it cannot be read).
ShpSignature SignatureOf(const std::vector<unsigned char>& bytes);
ShpSignature ReadSignature(const std::string& path);
// Why the file whose signature is `now` is no longer the one opened with
// the signature `opened` for `regionCount` regions: a damaged record, another
// record count, length, header box or record box. Empty when they match.
std::string DifferenceFrom(const ShpSignature& opened, const ShpSignature& now, std::int32_t regionCount);

// The length of the file in bytes, 0 when it cannot be read or is no
// regular file.
std::int64_t MeasureFileSize(const std::string& path);

// ---- The drawings ----
// Each returns false when memory ran out and the pictures shown were kept.

bool DrawShapefile(AppContext& ctx);
bool RedrawShapefile(AppContext& ctx);
bool DrawCusumMap(AppContext& ctx, std::int16_t period);
// values: 0..N, used from 1 (record k is shaded by values(k + 1)).
bool DrawClassMap(AppContext& ctx, const DoubleArray& values);
// Clears the window's own surface, draws the legend from legendValues
// (which it sorts in place) and the class map from mapValues.
bool ShowClassMap(AppContext& ctx, DoubleArray& legendValues, const DoubleArray& mapValues);
// The same with the legend drawn from a copy of the shaded values, which
// stay in region order.
bool ShowClassMap(AppContext& ctx, const DoubleArray& values);
// region: the 0-based record index; N or more fills nothing.
bool HighlightRegion(AppContext& ctx, std::int32_t region);

// The message shown when a drawing meets a file it cannot read, or
// empty; kept so that repeated redraws of the same file do not repeat it.
const std::string& lastDrawProblem();
void resetDrawProblem();

}  // namespace modDrawPolygon
