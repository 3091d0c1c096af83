#include "prospective/modFileSaveOpen.h"

#include "platform/Error.h"
#include "prospective/CusumFiles.h"
#include "ui/Dialogs.h"

namespace modFileSaveOpen {

namespace {

FileDialogRequest csmRequest() {
    FileDialogRequest r;
    r.filter = "cusum files (*.csm)|*.csm";
    r.defaultExt = "csm";
    r.extensionRequired = true;  // a save writes a .csm whatever name is typed
    return r;
}

}  // namespace

Outcome SaveCusumFile(AppContext& ctx) {
    const FileDialogResult chosen = dialogs().saveFile(csmRequest());
    if (chosen.cancelled()) return Outcome::Cancelled;
    CusumState& c = ctx.state.cusum;
    const std::string& path = chosen.fileName;  // with its ".csm"
    try {
        CusumFile::Write(path, c.csmCusum, ctx.state.area.regionCount, static_cast<std::int32_t>(c.periodCount));
    } catch (const AppError& e) {
        dialogs().warning("The cusum file could not be saved to \"" + path + "\": " + e.description());
        return Outcome::Failed;
    }
    c.csmPath = path;
    return Outcome::Done;
}

Outcome OpenCusumFile(AppContext& ctx) {
    const FileDialogResult chosen = dialogs().openFile(csmRequest());
    if (chosen.cancelled()) return Outcome::Cancelled;
    CusumFile::Loaded loaded;
    try {
        loaded = CusumFile::Read(chosen.fileName, ctx.state.area.regionCount);
    } catch (const AppError& e) {
        dialogs().warning("The cusum file was not loaded: " + e.description());
        return Outcome::Failed;
    }
    CusumState& c = ctx.state.cusum;
    c.previousCusum = std::move(loaded.cusum);
    c.previousPeriodCount = loaded.periodCount;
    c.previousCusumGeneration = ctx.state.area.generation;
    c.csmHeader = std::move(loaded.header);
    c.csmPath = chosen.fileName;
    return Outcome::Done;
}

}  // namespace modFileSaveOpen
