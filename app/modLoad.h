#pragma once
// Opening a polygon shapefile: the .shp chosen in the open dialog, the
// dBASE attribute table beside it, the extent from the .shp header and
// every polygon through the shapefile reader.
//
// Everything is gathered into a StagedStudyArea first; only when every step
// has succeeded does CommitStudyArea replace the open study area, so a
// refused or failed open leaves the earlier one loaded. Each step that
// fails has already told the user why in a message box.

#include <cstdint>
#include <memory>
#include <string>

#include "context/AppContext.h"
#include "geometry/CPolygon.h"
#include "geometry/Records.h"
#include "platform/Collection.h"
#include "platform/DbfTable.h"

namespace modLoad {

struct StagedStudyArea {
    std::string shpPath;       // full path from the dialog
    std::string shpFileTitle;  // the name without its folder
    std::string shpBaseName;   // the title up to its first "."
    std::string dbfFolder;     // the folder with its trailing "/"
    std::string dbfFileName;   // base name and ".dbf"
    std::string dbfPath;       // the table beside the .shp (found whatever the case of its name)
    std::shared_ptr<DbfTable> table;
    BoxRecord shpHeaderBox;
    MapRect mapExtent;
    std::int32_t regionCount = 0;
    Collection<CPolygon> polygons;
    std::int32_t shapeType = 0;  // of the main header, as LoadShapes found it
    ShpSignature shpSignature;   // the .shp as LoadShapes read it
};

// The open dialog's filter.
inline constexpr const char* kShapefileFilter = "SHP Files (*.shp)|*.shp|All Files (*.*)|*.*|";
// The longest base name a shapefile may have.
inline constexpr std::size_t kMaxBaseNameLength = 8;

// Asks for the .shp, derives the names, checks them and opens the table.
// False when the open stops here (nothing chosen, an invalid or too long
// name, a table that cannot be opened), after the message saying why.
bool OpenShapefile(AppContext& ctx, StagedStudyArea& staged);

// The extent from the .shp main header. Raises AppError for a file that is
// missing, too short or holds no finite extent.
void ReadShapefileExtent(StagedStudyArea& staged);

// Every record of the .shp into staged.polygons (record i is region i),
// and the signature of the .shp they were read from.
// Raises AppError 9999 "Unsupported shape type" (source "button click") for
// a shapefile of anything but polygons, leaving the type it found in
// staged.shapeType, and the reader's errors for a damaged pair.
void LoadShapes(StagedStudyArea& staged);

// Checks that the loaded data make a study area: one table record per
// region, at least one region, and areas and centroids that can be
// computed. Raises AppError with a text saying what is wrong.
void CheckStudyArea(const StagedStudyArea& staged);

// Replaces the open study area by the staged one.
void CommitStudyArea(AppState& state, StagedStudyArea&& staged);

// When the header's box does not hold every region, or holds them but is
// so much larger that they would be drawn as a dot, sets the map extent to
// the regions' own and returns the warning to show; else empty.
std::string FitExtentToRegions(StagedStudyArea& staged);

// The whole open: OpenShapefile, ReadShapefileExtent, LoadShapes,
// CheckStudyArea and CommitStudyArea. False, with the earlier study area
// kept and a message shown, when any step failed or the user stopped.
bool OpenPolygonStudyArea(AppContext& ctx);

// The error number of a shapefile that holds no polygons.
inline constexpr std::int32_t kUnsupportedShapeType = 9999;

}  // namespace modLoad
