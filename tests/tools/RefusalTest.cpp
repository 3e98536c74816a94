#include "tools/tesselcfg/Refusal.h"

#include <gtest/gtest.h>

#include "tools/tesselcfg/Requests.h"

namespace tesselcfg {
namespace {

TEST(RefusalTest, NamesTheStatusAndSaysWhatItMeansForTheCommand) {
    const struct {
        std::uint8_t command;
        std::uint32_t status;
        const char* text;
    } rows[] = {
        {rx_fwk::CmdIpConfig, 1,
         "NAK: StatusAccessDenied (1): the controller is locked (a root password is set)"},
        {rx_fwk::CmdSpConfig, 1,
         "NAK: StatusAccessDenied (1): the controller is locked (a root password is set)"},
        {rx_fwk::CmdLock, 1, "NAK: StatusAccessDenied (1): a root password is set already"},
        {rx_fwk::CmdUnlock, 1, "NAK: StatusAccessDenied (1): wrong password"},
        {rx_fwk::CmdUnlock, 6, "NAK: StatusMismatch (6): the two password copies differ"},
        {rx_fwk::CmdReset, 2, "NAK: StatusBusy (2): already resetting"},
        {rx_fwk::CmdReset, 3,
         "NAK: StatusInstallRefused (3): install reboot refused once the controller has booted"},
        {rx_fwk::CmdChmod, 5,
         "NAK: StatusFailed (5): the attribute could not be changed (no such file on drive C:?)"},
        {rx_fwk::CmdPreset, 0,
         "NAK: StatusUnsupported (0): the controller does not know this command"},
        {rx_fwk::CmdLock, 9, "NAK: status 9"},
        // The handler left the tool's own status: a refusal, not a number to name.
        {rx_fwk::CmdMacAddr, kUntouchedStatus,
         "NAK: refused: wrong access code, or the platform cannot store a MAC address"},
        {rx_fwk::CmdFirmware, kUntouchedStatus,
         "NAK: refused: the controller is locked, the target code or key matches no firmware "
         "target, or the transfer failed"},
        // Status 0 came from the server: the controller has no such handler.
        {rx_fwk::CmdSerial, 0,
         "NAK: StatusUnsupported (0): the controller does not know this command"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        CommandPacket reply = makeRequest(row.command, MacAddress{});
        reply.command = rx_fwk::NAK;
        reply.status = row.status;
        EXPECT_EQ(refusalOf(row.command, reply).text(), row.text);
    }
}

}  // namespace
}  // namespace tesselcfg
