// Per-component message levels, read once from section Messages of RTOS.INI.
#include <mutex>
#include <string>
#include <unordered_map>

#include "kernel/boot/DebugPrint.h"
#include "kernel/boot/KernelSettings.h"

namespace {

constexpr int kUnread = -1;
constexpr int kDefaultLevel = 5;

struct Levels {
    std::mutex lock;
    std::unordered_map<std::string, int> byComponent;  // keys as the components spell them
};

Levels& levels() {
    static Levels table;
    return table;
}

int defaultFor(const std::string& component) {
    if (component == "default") {
        return kDefaultLevel;
    }
    if (component == "Filesystem.FSAL") {
        return kDefaultLevel;
    }
    return TovMessageLevel("default");
}

}  // namespace

int TovReadMessageLevel(const char* component) {
    const std::string key(component);
    // Read without the lock: the profile reader asks for its own level while it reads.
    int level = int(TovRtosIniInt("Messages", component, unsigned(defaultFor(key))));
    TovSetMessageLevel(component, level);
    return level;
}

int TovMessageLevel(const char* component) {
    {
        Levels& table = levels();
        std::lock_guard<std::mutex> guard(table.lock);
        auto found = table.byComponent.find(component);
        if (found != table.byComponent.end() && found->second != kUnread) {
            return found->second;
        }
    }
    return TovReadMessageLevel(component);
}

void TovSetMessageLevel(const char* component, int level) {
    Levels& table = levels();
    std::lock_guard<std::mutex> guard(table.lock);
    table.byComponent[component] = level;
}

int TovAddToMessageLevel(const char* component, int delta) {
    TovMessageLevel(component);  // reads it first, outside the lock
    Levels& table = levels();
    std::lock_guard<std::mutex> guard(table.lock);
    int& level = table.byComponent[component];
    level += delta;
    return level;
}
