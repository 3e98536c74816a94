#include "net/tIPConfig_real.h"

#include <algorithm>
#include <cctype>

#include "app/services/FileSystem.h"
#include "config/ConfigManager.h"
#include "kernel/fs/File.h"

namespace nIPStack {
namespace {

using rx_fwk::ConfigManager;

const char kStack[] = "TCP_Stack_Config";
const char kGeneral[] = "General";
const char kLegacy[] = "kora";
const char kUseDhcp[] = "USE_DHCP";
const char kNoAddress[] = "0.0.0.0";
constexpr std::size_t kHostNameMax = 32;
constexpr std::int32_t kDefaultMaxSockets = 64;
constexpr std::int32_t kDefaultTTL = 5;
constexpr std::int32_t kDefaultPollingInterval = 1;
constexpr std::int32_t kMaxPollingInterval = 10000;
constexpr std::int32_t kLegacyUnset = -1;
constexpr std::int32_t kLegacyDefaultSpeed = 100;
const char kLegacyDefaultDuplex[] = "full";

struct ModeText {
    std::int32_t code;
    const char* text;
};

const ModeText kMediaTexts[] = {
    {MediaAuto, "Auto"},         {Media10Half, "10Half"},   {Media10Full, "10Full"},
    {Media100Half, "100Half"},   {Media100Full, "100Full"}, {Media1000Half, "1000Half"},
    {Media1000Full, "1000Full"},
};

// The older keys know only these four modes.
struct LegacyMedia {
    std::int32_t mode;
    std::int32_t speed;
    const char* duplex;
};

const LegacyMedia kLegacyMedia[] = {
    {Media10Half, 10, "half"},
    {Media10Full, 10, "full"},
    {Media100Half, 100, "half"},
    {Media100Full, 100, "full"},
};

std::string lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// A key that is already gone needs no removal.
bool removeIfPresent(ConfigManager& file, const std::string& section, const char* key) {
    return !file.keyExists(section, key) || file.removeKey(section, key);
}

// Keys written with a default hold only what differs from it.
bool setIntOrRemove(ConfigManager& file, const std::string& section, const char* key,
                    std::int32_t value, std::int32_t def) {
    return value == def ? removeIfPresent(file, section, key) : file.setInt(section, key, value);
}

bool setStringOrRemove(ConfigManager& file, const std::string& section, const char* key,
                       const std::string& value, const std::string& def) {
    return value == def ? removeIfPresent(file, section, key) : file.setString(section, key, value);
}

std::int32_t clampInterval(std::int32_t interval) {
    return std::min(std::max(interval, std::int32_t{1}), kMaxPollingInterval);
}

std::int32_t deviceModeCode(const std::string& text) {
    const std::string mode = lower(text);
    if (mode == "tcpip") {
        return DeviceTCPIP;
    }
    return mode == "deterministic" ? DeviceDeterministic : DeviceDisabled;
}

const char* deviceModeText(std::int32_t mode) {
    switch (mode) {
        case DeviceDisabled:
            return "Disabled";
        case DeviceTCPIP:
            return "TCPIP";
        case DeviceDeterministic:
            return "Deterministic";
        default:
            return "";
    }
}

}  // namespace

tIPConfig_real::tIPConfig_real(const std::vector<tMACAddress>& devices)
    : system_(ConfigManager::instance()) {
    rx_fwk::FileSystem::ensureSystemDirectory();
    CreateDirectoryA((rx_fwk::FileSystem::systemDirectory() + "ethernet").c_str(), nullptr);
    netconf_ = ConfigManager::create(kNetconfPath);
    reconcile(devices);
}

tIPConfig_real::~tIPConfig_real() = default;

void tIPConfig_real::reconcile(const std::vector<tMACAddress>& devices) {
    std::set<tMACAddress> old;
    for (const std::string& text : netconf_->getStringList(kGeneral, "MACAddresses", ';', {})) {
        try {
            old.insert(tMACAddress(text));
        } catch (const tMACAddress::tBadFormatException&) {
            // An entry that does not parse names no device.
        }
    }
    if (!devices.empty()) {
        firstMAC_ = devices.front();
    }
    knownMACs_.insert(devices.begin(), devices.end());
    std::vector<std::string> listed;
    for (const tMACAddress& mac : knownMACs_) {
        listed.push_back(mac.compactText());
    }
    netconf_->setStringList(kGeneral, "MACAddresses", listed, ';');

    bool primaryKnown = false;
    try {
        primaryMAC_ = tMACAddress(netconf_->getString(kGeneral, "PrimaryMAC", ""));
        primaryKnown = old.count(primaryMAC_) != 0;
    } catch (const tMACAddress::tBadFormatException&) {
    }
    if (!primaryKnown) {
        makePrimary(firstMAC_);
    }

    std::vector<tMACAddress> added, gone;
    std::set_difference(knownMACs_.begin(), knownMACs_.end(), old.begin(), old.end(),
                        std::back_inserter(added));
    std::set_difference(old.begin(), old.end(), knownMACs_.begin(), knownMACs_.end(),
                        std::back_inserter(gone));

    if (added.size() == 1 && gone.size() == 1) {
        // One adapter replaced by another: the new one takes the old one's place.
        if (gone.front() == primaryMAC_) {
            makePrimary(added.front());
        } else {
            std::int32_t mode = DeviceDisabled;
            std::string address, mask;
            readDeviceSettings(gone.front(), mode, address, mask);
            writeDeviceSettings(added.front(), mode, address, mask);
            removeDeviceSettings(gone.front());
        }
    } else {
        for (const tMACAddress& mac : added) {
            if (mac != primaryMAC_) {
                writeDeviceSettings(mac, DeviceDisabled, "", "");
            }
        }
        for (const tMACAddress& mac : gone) {
            if (mac != primaryMAC_) {
                removeDeviceSettings(mac);
                continue;
            }
            // The primary adapter has gone: the first device takes over, keeping its static
            // address as the stack's.
            bool dhcp = false;
            std::string address, mask, gateway, dns;
            getTCPStackConfig(&dhcp, &address, &mask, &gateway, &dns);
            std::int32_t mode = DeviceDisabled;
            std::string firstAddress, firstMask;
            readDeviceSettings(firstMAC_, mode, firstAddress, firstMask);
            if (mode == DeviceTCPIP) {
                setTCPStackConfig(false, firstAddress, firstMask, dhcp ? kNoAddress : gateway,
                                  dhcp ? kNoAddress : dns);
            }
            makePrimary(firstMAC_);
        }
    }

    if (firstMAC_ != primaryMAC_) {
        writeDeviceSettings(firstMAC_, DeviceDisabled, "", "");
    }
}

bool tIPConfig_real::makePrimary(const tMACAddress& mac) {
    primaryMAC_ = mac;
    // The primary device is configured through [TCP_Stack_Config], never its own section.
    return netconf_->setString(kGeneral, "PrimaryMAC", mac.compactText()) &&
           removeDeviceSettings(mac);
}

bool tIPConfig_real::removeDeviceSettings(const tMACAddress& mac) {
    const std::string section = mac.compactText();
    for (const char* key : {"Mode", "IP_Address", "Subnet_Mask"}) {
        if (!removeIfPresent(*netconf_, section, key)) {
            return false;
        }
    }
    return true;
}

void tIPConfig_real::readDeviceSettings(const tMACAddress& mac, std::int32_t& mode,
                                        std::string& address, std::string& mask) {
    const std::string section = mac.compactText();
    mode = deviceModeCode(netconf_->getString(section, "Mode", "Disabled"));
    address = netconf_->getString(section, "IP_Address", "");
    mask = netconf_->getString(section, "Subnet_Mask", "");
}

bool tIPConfig_real::writeDeviceSettings(const tMACAddress& mac, std::int32_t mode,
                                         const std::string& address, const std::string& mask) {
    const std::string section = mac.compactText();
    if (!netconf_->setString(section, "Mode", deviceModeText(mode))) {
        return false;
    }
    if (mode == DeviceTCPIP) {
        return netconf_->setString(section, "IP_Address", address) &&
               netconf_->setString(section, "Subnet_Mask", mask);
    }
    return removeIfPresent(*netconf_, section, "IP_Address") &&
           removeIfPresent(*netconf_, section, "Subnet_Mask");
}

bool tIPConfig_real::isIPConfigured() {
    return system_.getString(kStack, "IP_Address", kNoAddress) != kNoAddress;
}

void tIPConfig_real::getTCPStackConfig(bool* dhcp, std::string* address, std::string* mask,
                                       std::string* gateway, std::string* dns) {
    if (address != nullptr) {
        *address = system_.getString(kStack, "IP_Address", kNoAddress);
    }
    if (dhcp == nullptr || address == nullptr) {
        return;
    }
    // The stored settings are kept for the host to read back; the device always uses DHCP.
    *dhcp = true;
    for (std::string* text : {address, mask, gateway, dns}) {
        if (text != nullptr) {
            text->clear();
        }
    }
}

bool tIPConfig_real::setTCPStackConfig(bool dhcp, const std::string& address,
                                       const std::string& mask, const std::string& gateway,
                                       const std::string& dns) {
    const std::pair<const char*, const std::string*> keys[] = {{"IP_Address", &address},
                                                               {"Subnet_Mask", &mask},
                                                               {"Gateway", &gateway},
                                                               {"DNS_Address", &dns}};
    for (const auto& [key, value] : keys) {
        if (!system_.setString(kStack, key, dhcp ? kUseDhcp : *value)) {
            return false;
        }
    }
    return true;
}

bool tIPConfig_real::clearTCPStackConfig() {
    bool cleared = true;
    for (const char* key : {"IP_Address", "Subnet_Mask", "Gateway", "DNS_Address"}) {
        cleared = removeIfPresent(system_, kStack, key) && cleared;
    }
    return cleared;
}

bool tIPConfig_real::getHaltOnError() {
    return false;
}

bool tIPConfig_real::setHaltOnError(bool halt) {
    const bool kDefault = true;
    return halt == kDefault ? removeIfPresent(system_, kStack, "Halt_On_Error")
                            : system_.setBool(kStack, "Halt_On_Error", halt);
}

std::string tIPConfig_real::getHostName(std::string& name) {
    name = system_.getString("SystemSettings", "Host_Name", "").substr(0, kHostNameMax);
    return name;
}

bool tIPConfig_real::setHostName(const std::string& name) {
    return setStringOrRemove(system_, "SystemSettings", "Host_Name", name, "");
}

void tIPConfig_real::getPrimaryMAC(tMACAddress& mac) {
    mac = primaryMAC_;
}

bool tIPConfig_real::setPrimaryMAC(const tMACAddress& mac) {
    return listed(mac) && makePrimary(mac);
}

bool tIPConfig_real::getDeviceSettings(const tMACAddress& mac, std::int32_t& mode,
                                       std::string& address, std::string& mask) {
    if (!listed(mac)) {
        return false;
    }
    readDeviceSettings(mac, mode, address, mask);
    return true;
}

bool tIPConfig_real::setDeviceSettings(const tMACAddress& mac, std::int32_t mode,
                                       const std::string& address, const std::string& mask) {
    return listed(mac) && writeDeviceSettings(mac, mode, address, mask);
}

std::int32_t tIPConfig_real::getMaxSockets() {
    return system_.getInt(kStack, "Max_Sockets", kDefaultMaxSockets);
}

bool tIPConfig_real::setMaxSockets(std::int32_t count) {
    return setIntOrRemove(system_, kStack, "Max_Sockets", count, kDefaultMaxSockets);
}

std::int32_t tIPConfig_real::getTTLFieldValue() {
    return system_.getInt(kLegacy, "RTEnetTTLFieldValue", kDefaultTTL);
}

bool tIPConfig_real::setTTLFieldValue(std::int32_t ttl) {
    return setIntOrRemove(system_, kLegacy, "RTEnetTTLFieldValue", ttl, kDefaultTTL);
}

bool tIPConfig_real::getMediaMode(const tMACAddress& mac, std::int32_t* mode,
                                  std::int32_t deviceDefault) {
    if (!listed(mac)) {
        return false;
    }
    if (mode == nullptr) {
        return true;
    }
    if (isFirst(mac)) {
        // The older single-device keys win where they are set.
        const std::int32_t speed = system_.getInt(kLegacy, "RTEnetSpeed", kLegacyUnset);
        const std::string duplex = system_.getString(kLegacy, "RTEnetDuplex", "");
        if (speed != kLegacyUnset || !duplex.empty()) {
            if (lower(duplex) == "half") {
                *mode = speed == 10 ? Media10Half : Media100Half;
            } else {
                *mode = speed == 10 ? Media10Full : Media100Full;
            }
            return true;
        }
    }
    const std::string text = lower(netconf_->getString(mac.compactText(), "MediaMode", ""));
    *mode = deviceDefault;
    for (const ModeText& entry : kMediaTexts) {
        if (text == lower(entry.text)) {
            *mode = entry.code;
        }
    }
    return true;
}

bool tIPConfig_real::getOperationMode(const tMACAddress& mac, std::int32_t* mode,
                                      std::int32_t deviceDefault, std::int32_t* pollingInterval) {
    if (!listed(mac)) {
        return false;
    }
    if (mode == nullptr) {
        return true;
    }
    std::int32_t interval = kDefaultPollingInterval;
    bool legacy = false;
    if (isFirst(mac)) {
        const std::int32_t legacyMode = system_.getInt(kLegacy, "RTEnetMode", kLegacyUnset);
        const std::int32_t delay = system_.getInt(kLegacy, "RTEnetPollingDelay", kLegacyUnset);
        if (legacyMode != kLegacyUnset || delay != kLegacyUnset) {
            legacy = true;
            *mode = legacyMode == 1 ? OperationPolled : OperationInterrupt;
            interval = delay;
        }
    }
    if (!legacy) {
        const std::string section = mac.compactText();
        const std::string text = lower(netconf_->getString(section, "OperationMode", ""));
        *mode = text == "interrupt" ? OperationInterrupt
                : text == "polling" ? OperationPolled
                                    : deviceDefault;
        if (*mode == OperationPolled) {
            interval = netconf_->getInt(section, "PollingInterval", kDefaultPollingInterval);
        }
    }
    if (pollingInterval != nullptr) {
        *pollingInterval = *mode == OperationPolled ? clampInterval(interval) : 0;
    }
    return true;
}

bool tIPConfig_real::setMediaMode(const tMACAddress& mac, std::int32_t mode,
                                  std::int32_t deviceDefault) {
    if (!listed(mac)) {
        return false;
    }
    if (isFirst(mac)) {
        const LegacyMedia* legacy = nullptr;
        for (const LegacyMedia& entry : kLegacyMedia) {
            if (entry.mode == mode) {
                legacy = &entry;
            }
        }
        if (legacy != nullptr) {
            setIntOrRemove(system_, kLegacy, "RTEnetSpeed", legacy->speed, kLegacyDefaultSpeed);
            setStringOrRemove(system_, kLegacy, "RTEnetDuplex", legacy->duplex,
                              kLegacyDefaultDuplex);
        } else {
            removeIfPresent(system_, kLegacy, "RTEnetSpeed");
            removeIfPresent(system_, kLegacy, "RTEnetDuplex");
        }
    }
    const std::string section = mac.compactText();
    if (mode == deviceDefault) {
        return removeIfPresent(*netconf_, section, "MediaMode");
    }
    const char* text = "";
    for (const ModeText& entry : kMediaTexts) {
        if (entry.code == mode) {
            text = entry.text;
        }
    }
    return netconf_->setString(section, "MediaMode", text);
}

bool tIPConfig_real::setOperationMode(const tMACAddress& mac, std::int32_t mode,
                                      std::int32_t deviceDefault, std::int32_t pollingInterval) {
    if (!listed(mac)) {
        return false;
    }
    const std::string section = mac.compactText();
    const bool first = isFirst(mac);
    bool ok = true;
    if (mode != deviceDefault) {
        if (first) {
            const std::int32_t legacy = mode == OperationPolled      ? 1
                                        : mode == OperationInterrupt ? 0
                                                                     : mode;
            ok = system_.setInt(kLegacy, "RTEnetMode", legacy) && ok;
        }
        const char* text = mode == OperationPolled      ? "Polling"
                           : mode == OperationInterrupt ? "Interrupt"
                                                        : "";
        ok = netconf_->setString(section, "OperationMode", text) && ok;
    } else {
        if (first) {
            ok = removeIfPresent(system_, kLegacy, "RTEnetMode") && ok;
        }
        ok = removeIfPresent(*netconf_, section, "OperationMode") && ok;
    }
    if (mode == OperationPolled) {
        ok = setIntOrRemove(*netconf_, section, "PollingInterval", pollingInterval,
                            kDefaultPollingInterval) &&
             ok;
        if (first) {
            ok = setIntOrRemove(system_, kLegacy, "RTEnetPollingDelay", pollingInterval,
                                kDefaultPollingInterval) &&
                 ok;
        }
    } else {
        ok = removeIfPresent(*netconf_, section, "PollingInterval") && ok;
        if (first) {
            ok = removeIfPresent(system_, kLegacy, "RTEnetPollingDelay") && ok;
        }
    }
    return ok;
}

}  // namespace nIPStack
