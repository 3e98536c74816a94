// Printing results for people (aligned columns) or scripts (JSON).
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tools/tesselcfg/Protocol.h"

namespace tesselcfg {

nlohmann::json toJson(const Controller& controller);
// One row per controller under a heading.
std::string controllerTable(const std::vector<Controller>& controllers);
// Texts from controllers are bytes, not necessarily UTF-8: invalid sequences are replaced.
std::string dumpJson(const nlohmann::json& value);

}  // namespace tesselcfg
