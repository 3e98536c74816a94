#include "tools/tesselcfg/Transport.h"

#include <cstring>

namespace tesselcfg {

std::vector<std::optional<Reply>> Transport::askEach(const std::vector<Query>& queries,
                                                     const Match& isAnswer,
                                                     Clock::time_point deadline) {
    std::vector<std::optional<Reply>> replies;
    for (const Query& query : queries) {
        const CommandPacket& request = query.request;
        send(request, Repeat::Allowed, deadline);
        auto got = collect(
            [&](const CommandPacket& p) {
                return std::memcmp(p.macAddress, request.macAddress, sizeof p.macAddress) == 0 &&
                       isAnswer(p);
            },
            1, deadline);
        replies.push_back(got.empty() ? std::nullopt : std::optional<Reply>(got.front()));
    }
    return replies;
}

}  // namespace tesselcfg
