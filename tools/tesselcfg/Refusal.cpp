#include "tools/tesselcfg/Refusal.h"

#include "tools/tesselcfg/Requests.h"

namespace tesselcfg {
namespace {

using namespace rx_fwk;

const char kLocked[] = "the controller is locked (a root password is set)";
const char kCopiesDiffer[] = "the two password copies differ";

bool guardedByRootPassword(std::uint8_t command) {
    return command == CmdIpConfig || command == CmdPreset || command == CmdSpConfig;
}

std::string reasonFor(std::uint8_t command, std::uint32_t status) {
    if (status == StatusUnsupported) {
        return command == CmdPing || command == CmdQueryCaps || command == CmdSpQuery
                   ? "the controller does not support this request"
                   : "the controller does not know this command";
    }
    if (guardedByRootPassword(command) && status == StatusAccessDenied) {
        return kLocked;
    }
    switch (command) {
        case CmdLock:
            switch (status) {
                case StatusAccessDenied:
                    return "a root password is set already";
                case StatusFailed:
                    return "the controller could not store the password";
                case StatusMismatch:
                    return kCopiesDiffer;
            }
            break;
        case CmdUnlock:
            switch (status) {
                case StatusAccessDenied:
                    return "wrong password";
                case StatusMismatch:
                    return kCopiesDiffer;
            }
            break;
        case CmdReset:
            switch (status) {
                case StatusAccessDenied:
                    return "wrong password (reboot protection is on)";
                case StatusBusy:
                    return "already resetting";
                case StatusInstallRefused:
                    return "install reboot refused once the controller has booted";
                case StatusMismatch:
                    return kCopiesDiffer;
            }
            break;
        case CmdChmod:
            if (status == StatusFailed) {
                return "the attribute could not be changed (no such file on drive C:?)";
            }
            break;
        case CmdMainExe:
            if (status == StatusFailed) {
                return "the controller did not store the text";
            }
            break;
    }
    return "";
}

std::string untouchedReason(std::uint8_t command) {
    switch (command) {
        case CmdMacAddr:
            return "refused: wrong access code, or the platform cannot store a MAC address";
        case CmdSerial:
            return "refused: wrong access code, or the platform cannot store a serial number";
        default:
            return "refused: the controller is locked, the target code or key matches no "
                   "firmware target, or the transfer failed";
    }
}

}  // namespace

std::string Refusal::text() const {
    if (!status) {
        return "NAK: " + reason;
    }
    const std::string number = std::to_string(*status);
    // A status without a name is its number already.
    std::string out = "NAK: " + name;
    if (name != "status " + number) {
        out += " (" + number + ")";
    }
    return reason.empty() ? out : out + ": " + reason;
}

Refusal refusalOf(std::uint8_t request, const CommandPacket& reply) {
    const bool leavesStatus =
        request == CmdMacAddr || request == CmdSerial || request == CmdFirmware;
    if (leavesStatus && reply.status == kUntouchedStatus) {
        return Refusal{std::nullopt, "", untouchedReason(request)};
    }
    return Refusal{reply.status, nakStatusName(reply.status), reasonFor(request, reply.status)};
}

}  // namespace tesselcfg
