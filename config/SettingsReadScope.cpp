#include "config/SettingsReadScope.h"

namespace rx_fwk {
namespace {

// A request reads few files; beyond this many, a model is simply checked at every read.
constexpr int kModelsPerScope = 8;

struct ThreadScope {
    int depth = 0;
    int count = 0;
    const void* checked[kModelsPerScope] = {};
};

thread_local ThreadScope tScope;

}  // namespace

SettingsReadScope::SettingsReadScope() {
    if (tScope.depth++ == 0) {
        tScope.count = 0;
    }
}

SettingsReadScope::~SettingsReadScope() {
    if (--tScope.depth == 0) {
        tScope.count = 0;
    }
}

bool SettingsReadScope::firstReadOf(const void* model) {
    if (tScope.depth == 0) {
        return true;
    }
    for (int i = 0; i < tScope.count; ++i) {
        if (tScope.checked[i] == model) {
            return false;
        }
    }
    if (tScope.count < kModelsPerScope) {
        tScope.checked[tScope.count++] = model;
    }
    return true;
}

}  // namespace rx_fwk
