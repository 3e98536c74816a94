#include "tools/tesselcfg/Output.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "tools/tesselcfg/PrintableText.h"
#include "tools/tesselcfg/Session.h"

namespace tesselcfg {

nlohmann::json toJson(const Controller& c) {
    nlohmann::json j;
    j["mac"] = formatMac(c.mac);
    j["ip"] = c.ip;
    j["subnetMask"] = c.subnetMask;
    j["gateway"] = c.gateway;
    j["dns"] = c.dns;
    j["hostName"] = c.hostName;
    j["targetType"] = c.targetType;
    j["targetCode"] = c.targetCode;
    j["secondaryCode"] = c.secondaryCode;
    j["serial"] = c.serial;
    j["locked"] = c.locked;
    j["ipConfigured"] = c.ipConfigured;
    j["mode"] = c.dhcp ? "DHCP" : "static";
    j["comment"] = c.comment;
    j["commentFormat"] = c.commentFormat;
    j["state"] = c.state ? nlohmann::json(*c.state) : nlohmann::json(nullptr);
    j["interface"] =
        c.interfaceName.empty() ? nlohmann::json(nullptr) : nlohmann::json(c.interfaceName);
    j["notes"] = c.notes;
    return j;
}

std::string controllerTable(const std::vector<Controller>& controllers) {
    using Row = std::array<std::string, 8>;
    std::vector<Row> rows{{"MAC", "IP", "HOST NAME", "TYPE", "SERIAL", "LOCKED", "MODE", "STATE"}};
    for (const Controller& c : controllers) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "%08X", c.serial);
        rows.push_back({formatMac(c.mac), c.ip, c.hostName.empty() ? "-" : printable(c.hostName),
                        printable(c.targetType), serial, c.locked ? "yes" : "no",
                        c.dhcp ? "DHCP" : "static", c.state ? printable(*c.state) : "?"});
    }
    std::array<std::size_t, 8> width{};
    for (const Row& r : rows) {
        for (std::size_t i = 0; i < r.size(); ++i) {
            width[i] = std::max(width[i], r[i].size());
        }
    }
    std::string out;
    for (const Row& r : rows) {
        for (std::size_t i = 0; i < r.size(); ++i) {
            out += r[i];
            if (i + 1 < r.size()) {
                out += std::string(width[i] - r[i].size() + 2, ' ');
            }
        }
        out += '\n';
    }
    return out;
}

std::string stateReport(const CommandPacket& reply) {
    const bool halt = (reply.flags & 0x0001) != 0;
    const bool protect = (reply.flags & 0x0002) != 0;
    return printable(stateText(reply)) + "\nhalt on error: " + (halt ? "yes" : "no") +
           "\nreboot protected: " + (protect ? "yes" : "no") + "\n";
}

std::string attributeReport(const CommandPacket& reply) {
    return printable(areaText(reply.data, sizeof reply.data)) + "\n";
}

std::string dumpJson(const nlohmann::json& value) {
    return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace tesselcfg
