// Logging set-up: settings are used as given, and what is out of range is reported once
// in the error log itself.
#include "app/services/LoggingSetup.h"

#include <cstdio>
#include <vector>

#include "app/services/ErrorLog.h"
#include "app/services/ErrorLogFile.h"
#include "app/services/FileSystem.h"
#include "app/services/JoinPath.h"
#include "app/services/Log.h"
#include "app/services/RebootNotifier.h"
#include "config/ConfigManager.h"

namespace rx_fwk {
namespace {

constexpr std::int64_t kMaxNumMessagesLimit = 16777216;
constexpr std::int64_t kMaxStringLengthLimit = 33554432;
constexpr std::int64_t kMaxStringBufferLimit = 33554432;
constexpr std::int32_t kConfigWarningCode = 21;
constexpr std::int32_t kConfigWarningSubCode = 41;

struct Warning {
    const char* key;
    std::string value;
};

std::string paddedNumber(std::int64_t value) {
    char text[40];
    std::snprintf(text, sizeof text, "%031lld", static_cast<long long>(value));
    return text;
}

bool equalsIgnoringCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return i == a.size() && b[i] == '\0';
}

// Above its limit: used all the same. Negative: no count or size can be, so it counts as 0.
std::int64_t checked(const char* key, std::int64_t value, std::int64_t limit,
                     std::vector<Warning>& warnings) {
    if (value > limit || value < 0) {
        warnings.push_back({key, paddedNumber(value)});
    }
    return value < 0 ? 0 : value;
}

void closeOnReboot(int, void*) {
    closeErrorLog();
}

}  // namespace

std::int32_t filterLevelOf(const std::string& text) {
    if (equalsIgnoringCase(text, "Error")) {
        return kLogError;
    }
    if (equalsIgnoringCase(text, "Informational")) {
        return kLogInformational;
    }
    return kLogWarning;
}

int setUpLogging(ConfigManager& settings, const std::string& logPath) {
    const bool writeLog = settings.getBool("rtlog", "WriteLog", true);
    const bool internal = settings.getBool("rtlog", "InternalLogLevel", false);
    const int maxNumMessages = settings.getInt("rtlog", "MaxNumMessages", 128);
    const int maxStringLength = settings.getInt("rtlog", "MaxStringLength", 108);
    const int maxStringBuffer = settings.getInt("rtlog", "MaxStringBuffer", 4096);
    const std::string filterText = settings.getString("rtlog", "FilterLogLevel", "Error");

    std::vector<Warning> warnings;
    ErrorLog::Settings chosen;
    chosen.filterLevel = internal ? kLogInternal : filterLevelOf(filterText);
    if (chosen.filterLevel < kLogError || chosen.filterLevel > kLogInternal) {
        warnings.push_back({"FilterLogLevel", paddedNumber(chosen.filterLevel)});
    }
    chosen.maxNumMessages =
        checked("MaxNumMessages", maxNumMessages, kMaxNumMessagesLimit, warnings);
    chosen.maxStringLength =
        checked("MaxStringLength", maxStringLength, kMaxStringLengthLimit, warnings);
    chosen.maxStringBuffer =
        checked("MaxStringBuffer", maxStringBuffer, kMaxStringBufferLimit, warnings);

    std::FILE* file = nullptr;
    if (writeLog) {
        file = openErrorLogFile(logPath);
        if (file == nullptr) {
            warnings.push_back({"LogFile", logPath.substr(0, 31)});
        }
    }

    ErrorLog* created = nullptr;
    const int result = ErrorLog::create(chosen, file, &created);
    if (result != kLogOk) {
        return result;
    }
    installErrorLog(created);
    registerRebootCallback(closeOnReboot, nullptr, true);
    for (const Warning& warning : warnings) {
        log(kLogWarning, kConfigWarningCode, kConfigWarningSubCode, warning.key,
            warning.value.c_str());
    }
    return kLogOk;
}

int setUpLogging() {
    // On a fresh disk the first boot's errors must be kept too.
    FileSystem::ensureSystemDirectory();
    std::string path = "errlog.txt";
    joinPath(path, FileSystem::systemDirectory());
    return setUpLogging(ConfigManager::instance(), path);
}

}  // namespace rx_fwk
