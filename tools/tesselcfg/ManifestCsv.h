// Manifests as CSV: a header row naming the columns, then one row per controller. Cells are
// separated by commas; a quoted cell may hold commas and doubled quotes but no line break.
// Blank lines are skipped; an empty cell gives nothing.
#pragma once

#include <string>
#include <vector>

#include "tools/tesselcfg/ManifestRow.h"

namespace tesselcfg {

// Throws ManifestError.
std::vector<ManifestRow> csvManifestRows(const std::string& text);

}  // namespace tesselcfg
