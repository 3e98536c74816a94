#include "tools/tesselcfg/IpConfigRequest.h"

#include <algorithm>
#include <cstring>

#include "tools/tesselcfg/TextRules.h"

namespace tesselcfg {
namespace {

enum IpConfigFlags : std::uint16_t {
    IpConfigStatic = 0x0010,
    IpConfigKeepAddress = 0x0080,
};

}  // namespace

CommandPacket makeCommentProbe(const MacAddress& mac, std::uint8_t fill) {
    CommandPacket p = makeRequest(rx_fwk::CmdPing, mac);
    std::memset(p.data, fill, sizeof p.data);
    return p;
}

Identity identityFromProbes(const CommandPacket& zeroFilled, const CommandPacket& oneFilled) {
    const auto* a = zeroFilled.data;
    const auto known = static_cast<std::size_t>(
        std::mismatch(a, a + sizeof zeroFilled.data, oneFilled.data).first - a);
    Identity id;
    id.commentKnown = known > 0;
    std::memcpy(id.hostName.data(), zeroFilled.text2, id.hostName.size());
    std::copy(a, a + known, id.comment.begin());
    id.commentFormat = zeroFilled.commentFormat;
    id.pairFirst = zeroFilled.status;
    id.pairSecond = zeroFilled.extra;
    return id;
}

CommandPacket makeIpConfig(const MacAddress& mac, const Identity& current, const IpChange& change) {
    CommandPacket p = makeRequest(rx_fwk::CmdIpConfig, mac);
    if (change.hostName) {
        std::memset(p.text2, 0, sizeof p.text2);
        std::memcpy(p.text2, change.hostName->data(),
                    std::min(change.hostName->size(), sizeof p.text2));
    } else {
        std::memcpy(p.text2, current.hostName.data(), sizeof p.text2);
    }
    if (change.comment) {
        std::memcpy(p.data, change.comment->data(),
                    std::min(change.comment->size(), sizeof p.data));
        p.commentFormat = kDefaultCommentFormat;
    } else {
        std::memcpy(p.data, current.comment.data(), sizeof p.data);
        p.commentFormat = current.commentFormat;
    }
    p.status = current.pairFirst;
    p.extra = current.pairSecond;
    switch (change.mode) {
        case IpMode::Keep:
            p.flags = IpConfigStatic | IpConfigKeepAddress;
            break;
        case IpMode::Dhcp:
            p.flags = 0;
            break;
        case IpMode::Static:
            p.flags = IpConfigStatic;
            p.ipAddress = change.address.address;
            p.subnetMask = change.address.mask;
            p.gateway = change.gateway;
            p.dnsAddress = change.dns;
            break;
    }
    return p;
}

std::string hostNameProblem(const std::string& name) {
    return textProblem(name, sizeof(CommandPacket::text2), "host name");
}

std::string commentProblem(const std::string& comment) {
    return textProblem(comment, sizeof(CommandPacket::data), "comment");
}

}  // namespace tesselcfg
