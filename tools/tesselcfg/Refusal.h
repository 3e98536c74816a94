// What a NAK means for the command it answers, named and in words.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tools/tesselcfg/Protocol.h"

namespace tesselcfg {

struct Refusal {
    // The status and its name; none when the handler left the request's status as it was.
    std::optional<std::uint32_t> status;
    std::string name;
    std::string reason;  // in words, empty when there is nothing to add to the name

    // "NAK: StatusBusy (2): already resetting", or "NAK: <reason>".
    std::string text() const;
};

// `request` is the code asked for (the reply's code is NAK).
Refusal refusalOf(std::uint8_t request, const CommandPacket& reply);

}  // namespace tesselcfg
