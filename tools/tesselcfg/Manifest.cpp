#include "tools/tesselcfg/Manifest.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <set>

#include "tools/tesselcfg/IpSettings.h"
#include "tools/tesselcfg/ManifestCsv.h"
#include "tools/tesselcfg/ManifestJson.h"

namespace tesselcfg {

const char* const kManifestKeys[8] = {"mac",     "hostName", "comment",       "ip",
                                      "gateway", "dns",      "protectReboot", "locked"};

namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string knownKeys() {
    std::string list;
    for (const char* key : kManifestKeys) {
        list += (list.empty() ? "" : ", ") + std::string(key);
    }
    return list;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

bool flag(const ManifestCell& cell, const std::string& key) {
    const std::string value = lowered(*cell.value);
    if (value == "on" || value == "yes" || value == "true") {
        return true;
    }
    if (value == "off" || value == "no" || value == "false") {
        return false;
    }
    throw ManifestError(cell.line,
                        key + ": on or off (yes or no, true or false), not " + quoted(*cell.value));
}

void checkText(const ManifestCell& cell, const std::string& key, const std::string& problem) {
    if (!problem.empty()) {
        throw ManifestError(cell.line, key + ": " + problem);
    }
}

ManifestEntry entryOf(const ManifestRow& row, const std::string& keyWord) {
    ManifestEntry entry;
    entry.line = row.line;
    std::map<std::string, const ManifestCell*> given;  // by canonical key
    std::map<std::string, int> written;                // where each key was written
    for (const ManifestCell& cell : row.cells) {
        const auto known =
            std::find_if(std::begin(kManifestKeys), std::end(kManifestKeys),
                         [&cell](const char* key) { return lowered(key) == lowered(cell.key); });
        if (known == std::end(kManifestKeys)) {
            throw ManifestError(cell.keyLine, "unknown " + keyWord + " " + quoted(cell.key) +
                                                  " (known: " + knownKeys() + ")");
        }
        if (!written.emplace(*known, cell.keyLine).second) {
            throw ManifestError(cell.keyLine, keyWord + " " + quoted(*known) + " given twice");
        }
        if (cell.value) {
            given[*known] = &cell;
        }
    }
    const auto value = [&given](const char* key) -> const ManifestCell* {
        auto found = given.find(key);
        return found == given.end() ? nullptr : found->second;
    };

    const ManifestCell* mac = value("mac");
    if (mac == nullptr) {
        throw ManifestError(row.line, "no MAC address (mac)");
    }
    auto parsed = parseMac(*mac->value);
    if (!parsed) {
        throw ManifestError(mac->line, "mac: not a MAC address: " + quoted(*mac->value));
    }
    entry.mac = *parsed;
    if (const ManifestCell* name = value("hostName")) {
        checkText(*name, "hostName", hostNameProblem(*name->value));
        entry.hostName = *name->value;
    }
    if (const ManifestCell* comment = value("comment")) {
        checkText(*comment, "comment", commentProblem(*comment->value));
        entry.comment = *comment->value;
    }
    const ManifestCell* ip = value("ip");
    const ManifestCell* gateway = value("gateway");
    const ManifestCell* dns = value("dns");
    if (ip != nullptr && lowered(*ip->value) == "dhcp") {
        IpChange change;
        change.mode = IpMode::Dhcp;
        entry.ip = change;
    } else if (ip != nullptr) {
        IpChange change;
        checkText(*ip, "ip",
                  staticIpSettings(*ip->value, gateway ? *gateway->value : "",
                                   dns ? *dns->value : "", change));
        entry.ip = change;
    }
    for (const ManifestCell* extra : {gateway, dns}) {
        if (extra != nullptr && (!entry.ip || entry.ip->mode != IpMode::Static)) {
            throw ManifestError(extra->line, std::string(extra == gateway ? "gateway" : "dns") +
                                                 ": only with a static address in ip");
        }
    }
    if (const ManifestCell* protect = value("protectReboot")) {
        entry.protectReboot = flag(*protect, "protectReboot");
    }
    if (const ManifestCell* locked = value("locked")) {
        entry.locked = flag(*locked, "locked");
    }
    return entry;
}

}  // namespace

std::vector<ManifestEntry> parseManifest(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    const bool json = first != std::string::npos && (text[first] == '[' || text[first] == '{');
    const std::vector<ManifestRow> rows = json ? jsonManifestRows(text) : csvManifestRows(text);
    std::vector<ManifestEntry> entries;
    std::map<MacAddress, int> macLines;
    std::map<std::uint32_t, int> addressLines;
    for (const ManifestRow& row : rows) {
        ManifestEntry entry = entryOf(row, json ? "key" : "column");
        auto mac = macLines.emplace(entry.mac, entry.line);
        if (!mac.second) {
            throw ManifestError(entry.line, formatMac(entry.mac) + " is listed on line " +
                                                std::to_string(mac.first->second) + " already");
        }
        if (entry.ip && entry.ip->mode == IpMode::Static) {
            auto address = addressLines.emplace(entry.ip->address.address, entry.line);
            if (!address.second) {
                throw ManifestError(entry.line, "ip: " + dottedAddress(entry.ip->address.address) +
                                                    " is given on line " +
                                                    std::to_string(address.first->second) +
                                                    " already");
            }
        }
        entries.push_back(entry);
    }
    if (entries.empty()) {
        throw ManifestError(rows.empty() ? 1 : rows.front().line, "no controller listed");
    }
    return entries;
}

std::string readManifestFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot be read: " + std::string(std::strerror(errno)));
    }
    std::string text;
    char buffer[8192];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxManifestBytes) {
            throw std::runtime_error("larger than " + std::to_string(kMaxManifestBytes >> 10) +
                                     " KiB: not a manifest");
        }
    }
    return text;
}

}  // namespace tesselcfg
