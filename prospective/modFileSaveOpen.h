#pragma once
// The cusum file through the file dialogs: Save cusum writes the cusums of
// the last run, Open loads a saved cusum for a continuation. Both use the
// full path the dialog returns; a failure shows a "Warning!" and changes
// nothing that was there before.

#include "context/AppContext.h"

namespace modFileSaveOpen {

enum class Outcome { Cancelled, Done, Failed };

// Writes csmCusum for periodCount periods and regionCount rows at the
// chosen name (".csm" added when missing); csmPath keeps the path.
Outcome SaveCusumFile(AppContext& ctx);
// Loads a .csm into previousCusum, previousPeriodCount, csmHeader and
// csmPath; a refused file leaves the earlier load as it was.
Outcome OpenCusumFile(AppContext& ctx);

}  // namespace modFileSaveOpen
