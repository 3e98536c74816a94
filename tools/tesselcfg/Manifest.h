// A manifest: the controllers to provision by MAC address, each with what it should have.
// Whatever a row leaves out is left as the controller has it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "tools/tesselcfg/IpConfigRequest.h"
#include "tools/tesselcfg/MacAddress.h"
#include "tools/tesselcfg/ManifestRow.h"

namespace tesselcfg {

// The columns of a CSV manifest and the keys of a JSON one (compared without case).
extern const char* const kManifestKeys[8];

struct ManifestEntry {
    int line = 0;
    MacAddress mac{};
    std::optional<std::string> hostName;
    std::optional<std::string> comment;
    std::optional<IpChange> ip;  // DHCP, or static with its settings
    std::optional<bool> protectReboot;
    std::optional<bool> locked;
};

// A manifest is read whole, so it is bounded.
constexpr std::size_t kMaxManifestBytes = 1 << 20;

// JSON when the text starts with '[' or '{', CSV otherwise. Throws ManifestError for a
// format error, an unknown or repeated key, a value that cannot be sent, a MAC address given
// twice, or a static address given to two controllers.
std::vector<ManifestEntry> parseManifest(const std::string& text);

// The file's text; throws std::runtime_error when it cannot be read or is too large.
std::string readManifestFile(const std::string& path);

}  // namespace tesselcfg
