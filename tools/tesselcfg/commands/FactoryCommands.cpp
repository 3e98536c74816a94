// The factory commands: a controller's MAC address and serial number, each behind the
// tool's own access code.
#include <memory>

#include "tools/tesselcfg/NumberText.h"
#include "tools/tesselcfg/Requests.h"
#include "tools/tesselcfg/commands/Report.h"

namespace tesselcfg {
namespace {

int runFactoryMac(Session& session, const MacAddress& mac, const std::string& text) {
    auto newMac = parseMac(text);
    if (!newMac) {
        return usageError("not a MAC address: " + text);
    }
    return outcome(session.options(), rx_fwk::CmdMacAddr, session.ask(makeFactoryMac(mac, *newMac)),
                   "the MAC address change", "MAC address stored: " + formatMac(*newMac),
                   {{"newMac", formatMac(*newMac)}});
}

int runFactorySerial(Session& session, const MacAddress& mac, const std::string& text) {
    auto number = parseUnsigned(text, 0xFFFFFFFFu);
    if (!number) {
        return usageError("not a 32-bit serial number: " + text);
    }
    const auto serial = static_cast<std::uint32_t>(*number);
    return outcome(session.options(), rx_fwk::CmdSerial,
                   session.ask(makeFactorySerial(mac, serial)), "the serial number change",
                   "Serial number stored: " + std::to_string(serial), {{"serial", serial}});
}

void setUp(CommandTable& table) {
    using A = CommandTable::Addressed;
    auto mac = std::make_shared<std::string>();
    table
        .add("factory-mac", "Store a new MAC address (factory)", A::ByMac,
             [mac](Session& s, const MacAddress& m) { return runFactoryMac(s, m, *mac); })
        ->add_option("new-mac", *mac, "The new MAC address")
        ->required();
    auto serial = std::make_shared<std::string>();
    table
        .add("factory-serial", "Store a serial number (factory)", A::ByMac,
             [serial](Session& s, const MacAddress& m) { return runFactorySerial(s, m, *serial); })
        ->add_option("number", *serial, "Serial number (decimal, or hexadecimal with 0x)")
        ->required();
}

const CommandGroup kGroup(60, setUp);

}  // namespace
}  // namespace tesselcfg
