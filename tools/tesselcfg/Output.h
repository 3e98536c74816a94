// Printing results for people (aligned columns) or scripts (JSON).
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tools/tesselcfg/Protocol.h"

namespace tesselcfg {

nlohmann::json toJson(const Controller& controller);
// One row per controller under a heading. Texts from controllers are printed through
// `printable` wherever people read them; JSON escapes them itself.
std::string controllerTable(const std::vector<Controller>& controllers);
// The state, halt-on-error and reboot-protection lines of an SpQuery ACK.
std::string stateReport(const CommandPacket& reply);
// The value line of a QueryAttrs ACK.
std::string attributeReport(const CommandPacket& reply);
// Texts from controllers are bytes, not necessarily UTF-8: invalid sequences are replaced.
std::string dumpJson(const nlohmann::json& value);

}  // namespace tesselcfg
