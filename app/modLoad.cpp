#include "app/modLoad.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <new>

#include "geometry/CFileName.h"
#include "geometry/CShapeFile.h"
#include "geometry/ShpRecords.h"
#include "map/modArea.h"
#include "map/modDrawPolygon.h"
#include "platform/BinaryFile.h"
#include "platform/Error.h"
#include "platform/FileChecks.h"
#include "platform/Utf8Text.h"
#include "ui/Dialogs.h"

namespace fs = std::filesystem;

namespace modLoad {
namespace {

// `folder` + `name`, or the entry of that folder whose name differs only in
// case; a regular file is preferred. The exact path when neither exists.
std::string findIgnoringCase(const std::string& folder, const std::string& name) {
    const std::string found = findFileIgnoringCase(folder + name);
    return found.empty() ? folder + name : found;
}

// "<path> <what is wrong>" for the first file of the open (.shp, .shx, .dbf,
// .cpg) that is there but is no regular file this program may read; empty
// when there is none. A missing file is left to the reader that needs it,
// which names it.
std::string specialFileProblem(const StagedStudyArea& staged) {
    CFileName spec;
    spec.SetFileSpec(staged.shpPath);
    spec.SetExtension("shp");  // the pair the shapefile reader opens
    const std::string shp = findFileIgnoringCase(spec.GetFileSpec());
    spec.SetExtension("shx");
    const std::string shx = findFileIgnoringCase(spec.GetFileSpec());
    const fs::path dbf(staged.dbfPath);
    const std::string cpg = findFileIgnoringCase((dbf.parent_path() / (dbf.stem().string() + ".cpg")).string());
    for (const std::string& path : {staged.shpPath, shp, shx, staged.dbfPath, cpg}) {
        if (path.empty()) continue;
        if (fileKind(path) == FileKind::Missing) continue;
        if (const std::string problem = fileProblem(path); !problem.empty()) return path + " " + problem;
    }
    return {};
}

const char* shapeTypeName(std::int32_t type) {
    switch (type) {
        case 1: return "points";
        case 3: return "polylines";
        case 8: return "multipoints";
        case 0: return "only null shapes";
        default: return "shapes of a type this program does not know";
    }
}

}  // namespace

bool OpenShapefile(AppContext&, StagedStudyArea& staged) {
    FileDialogRequest request;
    request.filter = kShapefileFilter;
    const FileDialogResult chosen = dialogs().openFile(request);
    staged.shpFileTitle = chosen.fileTitle;
    staged.shpPath = chosen.fileName;
    if (staged.shpPath.empty()) {
        dialogs().warning("You didn't specify shapefile.");
        return false;
    }

    try {
        CFileName spec;
        spec.SetFileSpec(staged.shpPath);
    } catch (const AppError& e) {
        dialogs().warning("The file name " + staged.shpPath + " cannot be used:\n" + e.description());
        return false;
    }

    const auto dot = staged.shpFileTitle.find('.');
    staged.shpBaseName = staged.shpFileTitle.substr(0, dot);
    staged.dbfFolder = staged.shpPath.substr(0, staged.shpPath.rfind('/') + 1);
    if (characterCount(staged.shpBaseName) > kMaxBaseNameLength) {
        dialogs().warning("The length of filename should be less than 8.");
        return false;
    }
    staged.dbfFileName = staged.shpBaseName + ".dbf";

    // The table beside the .shp; its own errors name the file and the cause.
    staged.dbfPath = findIgnoringCase(staged.dbfFolder, staged.dbfFileName);
    // A pipe or a device under one of the names would block its reader for
    // good, and a folder or a file this program may not read would fail it
    // for a wrong reason: every file the open reads is looked at, opening
    // none, before the first is opened.
    if (const std::string problem = specialFileProblem(staged); !problem.empty()) {
        dialogs().warning("The shapefile " + staged.shpPath + " cannot be opened:\n" + problem +
                          ".\n\nThe study area open before stays loaded.");
        return false;
    }
    try {
        staged.table = DbfTable::Open(staged.dbfPath);
    } catch (const AppError& e) {
        dialogs().message(e.description(), "", MsgIcon::None, MsgButtons::OK);
        return false;
    } catch (const std::bad_alloc&) {
        dialogs().warning("The shapefile " + staged.shpPath + " cannot be opened:\nThere is not enough memory left to "
                          "read the file \"" + staged.dbfPath + "\".\n\nThe study area open before stays loaded.");
        return false;
    }
    return true;
}

void ReadShapefileExtent(StagedStudyArea& staged) {
    unsigned char header[100] = {};
    try {
        // A missing, unreadable or special file is named with its cause.
        requireReadableFile(staged.shpPath);
        BinaryFile in;
        in.Open(staged.shpPath, BinaryFile::Mode::Read);
        if (in.Length() < static_cast<std::int64_t>(sizeof header))
            throw AppError(62,
                           "The file " + staged.shpPath + " is not a shapefile: it is shorter than a shapefile header.",
                           "ReadShapefileExtent");
        in.ReadBytes(1, header, sizeof header);
    } catch (const AppError& e) {
        throw e.withSource("ReadShapefileExtent");
    }
    const ShpRecords::HeaderBox box = ShpRecords::headerBox(header);
    const double xMin = box.Xmin, yMin = box.Ymin, xMax = box.Xmax, yMax = box.Ymax;
    if (!std::isfinite(xMin) || !std::isfinite(yMin) || !std::isfinite(xMax) || !std::isfinite(yMax) ||
        !std::isfinite(xMax - xMin) || !std::isfinite(yMax - yMin))
        throw AppError(RuntimeErrors::Overflow,
                       "The header of " + staged.shpPath + " holds no valid extent; the file is damaged.",
                       "ReadShapefileExtent");
    staged.shpHeaderBox.Left = xMin;
    staged.shpHeaderBox.Bottom = yMin;
    staged.shpHeaderBox.Right = xMax;
    staged.shpHeaderBox.Top = yMax;
    staged.mapExtent.Left = xMin;
    staged.mapExtent.Top = yMax;
    staged.mapExtent.Width = std::fabs(xMax - xMin);
    staged.mapExtent.Height = std::fabs(yMax - yMin);
}

void LoadShapes(StagedStudyArea& staged) {
    CFileName spec;
    spec.SetFileSpec(staged.shpPath);
    CShapeFile shapeFile;
    shapeFile.SetFileSpec(spec, 0, 0);
    const std::int32_t count = shapeFile.Count();
    staged.shapeType = shapeFile.FileType();
    if (staged.shapeType != 5) throw AppError(kUnsupportedShapeType, "Unsupported shape type", "button click");
    Collection<CPolygon> polygons;
    polygons.Reserve(static_cast<std::size_t>(std::max<std::int32_t>(0, count)));
    for (std::int32_t i = 1; i <= count; ++i) {
        auto polygon = std::dynamic_pointer_cast<CPolygon>(shapeFile.Item(i));
        if (!polygon)
            throw AppError(RuntimeErrors::SubscriptOutOfRange,
                           "Record " + std::to_string(i) + " of " + staged.shpFileTitle + " is not a polygon.",
                           "LoadShapes");
        // A null record has no place on the map: its region would sit at the
        // origin and enter the tests with a centroid of (0, 0).
        if (polygon->IsNull())
            throw AppError(RuntimeErrors::InvalidArgument,
                           "Record " + std::to_string(i) + " of " + staged.shpFileTitle +
                               " has no shape (a null record); every region needs its polygon.",
                           "LoadShapes");
        polygons.Add(std::move(polygon));
    }
    staged.regionCount = count;
    staged.polygons = std::move(polygons);
    // What the map compares the file with at every drawing: the regions it
    // draws are these, whatever the file holds later.
    staged.shpSignature = modDrawPolygon::ReadSignature(staged.shpPath);
}

void CheckStudyArea(const StagedStudyArea& staged) {
    if (staged.regionCount < 1)
        throw AppError(RuntimeErrors::SubscriptOutOfRange, "The shapefile " + staged.shpPath + " holds no regions.",
                       "CheckStudyArea");
    if (staged.table && staged.table->RecordCount() != staged.regionCount)
        throw AppError(RuntimeErrors::SubscriptOutOfRange,
                       "The attribute table " + staged.dbfPath + " has " +
                           std::to_string(staged.table->RecordCount()) + " records, but the shapefile has " +
                           std::to_string(staged.regionCount) +
                           " regions. Each region needs exactly one record, in the same order.",
                       "CheckStudyArea");
    // Areas and centroids are computed again once the study area is open;
    // here they only have to be computable, on a scratch state.
    AppState scratch;
    scratch.area.regionCount = staged.regionCount;
    scratch.area.polygons = staged.polygons;
    try {
        modFunctions::CalcPolygonArea(scratch);
        modFunctions::CalcPolygonCentroid(scratch);
    } catch (const AppError& e) {
        throw AppError(e.number(),
                       "The areas and centroids of the regions of " + staged.shpPath +
                           " cannot be computed: " + e.description(),
                       "CheckStudyArea");
    }
}

std::string FitExtentToRegions(StagedStudyArea& staged) {
    double left = 0, right = 0, bottom = 0, top = 0;
    bool any = false;
    for (std::int32_t i = 1; i <= staged.polygons.Count(); ++i) {
        const auto& p = staged.polygons.Item(i);
        if (!p || p->IsNull()) continue;
        if (!any) {
            left = p->Left(), right = p->Right(), bottom = p->Bottom(), top = p->Top();
            any = true;
        } else {
            left = std::min(left, p->Left()), right = std::max(right, p->Right());
            bottom = std::min(bottom, p->Bottom()), top = std::max(top, p->Top());
        }
    }
    if (!any || !std::isfinite(left) || !std::isfinite(right) || !std::isfinite(bottom) || !std::isfinite(top))
        return {};
    const BoxRecord& h = staged.shpHeaderBox;
    // A little slack: header boxes are often written rounded.
    const double slack = 1e-9 * std::max({1.0, std::fabs(right - left), std::fabs(top - bottom)});
    const bool holds =
        left >= h.Left - slack && right <= h.Right + slack && bottom >= h.Bottom - slack && top <= h.Top + slack;
    // Regions that would take less than a thousandth of the map across or
    // down are drawn as a dot, which shows nothing either.
    constexpr double kFarLarger = 1000.0;
    const bool farLarger = right > left && top > bottom &&
                           (h.Right - h.Left > kFarLarger * (right - left) ||
                            h.Top - h.Bottom > kFarLarger * (top - bottom));
    if (holds && !farLarger) return {};
    staged.mapExtent.Left = left;
    staged.mapExtent.Top = top;
    staged.mapExtent.Width = right - left;
    staged.mapExtent.Height = top - bottom;
    return "The header of " + staged.shpPath + " gives an extent " +
           (holds ? "far larger than its regions" : "that does not hold all of its regions") +
           " (the file is damaged or was written carelessly). The map is drawn at the extent of the regions "
           "themselves.";
}

void CommitStudyArea(AppState& state, StagedStudyArea&& staged) {
    // The counts and results held now belong to the study area before.
    ++state.area.generation;
    state.area.shpPath = std::move(staged.shpPath);
    state.area.shpFileTitle = std::move(staged.shpFileTitle);
    state.area.shpBaseName = std::move(staged.shpBaseName);
    state.area.dbfFolder = std::move(staged.dbfFolder);
    state.area.dbfFileName = std::move(staged.dbfFileName);
    state.area.dbfPath = std::move(staged.dbfPath);
    state.area.dbfRecordset = std::move(staged.table);
    state.area.shpHeaderBox = staged.shpHeaderBox;
    state.view.mapExtent = staged.mapExtent;
    state.area.regionCount = staged.regionCount;
    state.area.polygons = std::move(staged.polygons);
    state.area.shpSignature = std::move(staged.shpSignature);
    // What the map said about the file before belongs to the file before.
    modDrawPolygon::resetDrawProblem();
}

bool OpenPolygonStudyArea(AppContext& ctx) {
    StagedStudyArea staged;
    std::string extentNote;
    if (!OpenShapefile(ctx, staged)) return false;
    try {
        ReadShapefileExtent(staged);
        LoadShapes(staged);
        CheckStudyArea(staged);
        extentNote = FitExtentToRegions(staged);
    } catch (const AppError& e) {
        if (e.number() == kUnsupportedShapeType) {
            dialogs().warning(e.description() + "\n\n" + staged.shpFileTitle + " holds " +
                              shapeTypeName(staged.shapeType) + " (shape type " + std::to_string(staged.shapeType) +
                              "); only polygon shapefiles can be opened.");
        } else {
            dialogs().warning("The shapefile " + staged.shpPath + " cannot be opened:\n" + e.description() +
                              "\n\nThe study area open before stays loaded.");
        }
        return false;
    } catch (const std::bad_alloc&) {
        dialogs().warning("The shapefile " + staged.shpPath + " is too large to be loaded into memory.");
        return false;
    } catch (const std::exception& e) {
        dialogs().warning("The shapefile " + staged.shpPath + " cannot be opened:\n" + e.what());
        return false;
    }
    CommitStudyArea(ctx.state, std::move(staged));
    if (!extentNote.empty()) dialogs().warning(extentNote);
    emit ctx.mapHub().studyAreaOpened();
    return true;
}

}  // namespace modLoad
