// Manifests as JSON: an array of objects, one per controller, whose keys are the CSV
// columns. A key that is absent or null gives nothing; an empty text is a value (an empty
// host name clears it).
#pragma once

#include <string>
#include <vector>

#include "tools/tesselcfg/ManifestRow.h"

namespace tesselcfg {

// Throws ManifestError.
std::vector<ManifestRow> jsonManifestRows(const std::string& text);

}  // namespace tesselcfg
