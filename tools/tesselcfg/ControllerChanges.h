// The exchanges that change a controller, shared by the single commands and by apply. Each
// answers what came back; telling the user is the caller's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tools/tesselcfg/IpConfigRequest.h"
#include "tools/tesselcfg/PasswordHash.h"
#include "tools/tesselcfg/Requests.h"
#include "tools/tesselcfg/Session.h"

namespace tesselcfg {

// One exchange: the request, and its reply or why there is none.
struct Step {
    std::uint8_t request = 0;
    std::string what;            // "the ping": what went unanswered
    std::optional<Reply> reply;  // none: no answer, or not sent
    std::string toolRefusal;     // not empty: the tool did not send it, and why

    bool acked() const;
};

// Host name, comment and platform pair as the controller has them (two Pings), and, where
// asked for, the first Ping's reply decoded. None when they could not be read; `failed` then
// tells why.
std::optional<Identity> readIdentity(Session& session, const MacAddress& mac, Step& failed,
                                     Controller* ping = nullptr);

// IpConfig with the change and what the controller has now, so that what the change leaves
// out is sent back unchanged. Refused by the tool when the comment cannot be read back and
// the change does not replace it.
Step changeIpConfig(Session& session, const MacAddress& mac, const IpChange& change);

// Reboot protection as SpQuery reports it.
std::optional<bool> readRebootProtection(Session& session, const MacAddress& mac, Step& failed);
Step setProtection(Session& session, const MacAddress& mac, const Protection& protection);

// Sent once: a repeated Lock finds the password set and is refused.
Step lockController(Session& session, const MacAddress& mac, const PasswordHash& hash);
Step unlockController(Session& session, const MacAddress& mac, const PasswordHash& hash);

}  // namespace tesselcfg
