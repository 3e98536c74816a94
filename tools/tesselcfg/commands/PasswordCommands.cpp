// lock and unlock: the root password that guards the changing commands. Only its hash
// travels.
#include <memory>

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
    return outcome(session.options(), lockController(session, mac, hashPassword(password)),
                   "Locked: the root password is set");
}

int runUnlock(Session& session, const MacAddress& mac, const PasswordSource& source) {
    std::string password;
    try {
        password = readPassword(source, "Root password: ", Confirm::Once);
    } catch (const PasswordError& e) {
        return usageError(e.what());
    }
    return outcome(session.options(), unlockController(session, mac, hashPassword(password)),
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
