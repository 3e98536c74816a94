// lock and unlock: the root password that guards the changing commands. Only its hash
// travels.
#include <memory>

#include "tools/tesselcfg/Requests.h"
#include "tools/tesselcfg/commands/PasswordOptions.h"
#include "tools/tesselcfg/commands/Report.h"

namespace tesselcfg {
namespace {

int runLock(Session& session, const MacAddress& mac, const PasswordSource& source) {
    std::string password;
    try {
        password = readPassword(source, "New root password: ", Confirm::Twice);
    } catch (const PasswordError& e) {
        return usageError(e.what());
    }
    // Sent once: a repeated Lock finds the password set and is refused.
    return outcome(session.options(), rx_fwk::CmdLock,
                   session.ask(makeLock(mac, hashPassword(password)), Transport::Repeat::Never),
                   "the lock", "Locked: the root password is set");
}

int runUnlock(Session& session, const MacAddress& mac, const PasswordSource& source) {
    std::string password;
    try {
        password = readPassword(source, "Root password: ", Confirm::Once);
    } catch (const PasswordError& e) {
        return usageError(e.what());
    }
    return outcome(session.options(), rx_fwk::CmdUnlock,
                   session.ask(makeUnlock(mac, hashPassword(password))), "the unlock",
                   "Unlocked: no root password is set");
}

void setUp(CommandTable& table) {
    using A = CommandTable::Addressed;
    auto lock = std::make_shared<PasswordSource>();
    addPasswordOptions(
        table.add("lock", "Set the root password (asked without echo)", A::ByMac,
                  [lock](Session& s, const MacAddress& mac) { return runLock(s, mac, *lock); }),
        *lock);
    auto unlock = std::make_shared<PasswordSource>();
    addPasswordOptions(table.add("unlock", "Clear the root password (asked without echo)", A::ByMac,
                                 [unlock](Session& s, const MacAddress& mac) {
                                     return runUnlock(s, mac, *unlock);
                                 }),
                       *unlock);
}

const CommandGroup kGroup(30, setUp);

}  // namespace
}  // namespace tesselcfg
