// The access codes of the factory commands: a request carries its code in the first bytes
// of `data`, compared byte for byte (no terminator is looked at). Shared with the host tool.
#pragma once

#include <cstddef>

namespace rx_fwk {

constexpr char kMacAddressAccessCode[] = "7QuietHarborLanternRowXZ";
constexpr char kSerialNumberAccessCode[] = "MarbleCanyonWhistleFerries";
constexpr std::size_t kMacAddressAccessCodeLength = sizeof kMacAddressAccessCode - 1;
constexpr std::size_t kSerialNumberAccessCodeLength = sizeof kSerialNumberAccessCode - 1;

static_assert(kMacAddressAccessCodeLength == 24);
static_assert(kSerialNumberAccessCodeLength == 26);

}  // namespace rx_fwk
