// The error-log object and its ring. Texts go into the text store at a running write
// position; the oldest messages make room for new ones.
#include "app/services/ErrorLog.h"

#include <cstring>
#include <new>

#include "app/services/ErrorLogFile.h"
#include "app/services/ErrorLogRecord.h"
#include "kernel/time/Time.h"

namespace rx_fwk {
namespace {

// 1601-01-01 to 1904-01-01, in FILETIME units of 100 ns.
constexpr std::uint64_t k1904InFileTime = 9561628800ull * 10000000ull;

void stampOf(const FILETIME& now, std::int64_t& seconds, std::uint64_t& fraction) {
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime) -
        k1904InFileTime;
    seconds = static_cast<std::int64_t>(ticks / 10000000ull);
    const unsigned __int128 rest = ticks % 10000000ull;
    fraction = static_cast<std::uint64_t>((rest << 64) / 10000000ull);
}

std::uint32_t shareOf(const char* text, std::uint32_t maxStringLength) {
    const std::size_t length = text == nullptr ? 0 : ::strnlen(text, maxStringLength);
    const std::uint64_t wanted = static_cast<std::uint64_t>(length) + 1;
    return static_cast<std::uint32_t>(wanted < maxStringLength ? wanted : maxStringLength);
}

}  // namespace

int ErrorLog::create(const Settings& settings, std::FILE* file, ErrorLog** created) {
    *created = nullptr;
    const auto clampCount = [](std::int64_t value) {
        return static_cast<std::uint32_t>(value < 0 ? 0 : value > UINT32_MAX ? UINT32_MAX : value);
    };
    const std::uint32_t capacity = clampCount(settings.maxNumMessages);
    const std::uint32_t storeSize = clampCount(settings.maxStringBuffer);
    const std::uint64_t bytes =
        sizeof(ErrorLog) + sizeof(ErrorLogEntry) * static_cast<std::uint64_t>(capacity) + storeSize;

    void* block = bytes > SIZE_MAX ? nullptr : ::operator new(bytes, std::nothrow);
    if (block == nullptr) {
        if (file != nullptr) {
            std::fclose(file);
        }
        return kLogNoMemory;
    }
    auto* lock = new (std::nothrow) CRITICAL_SECTION;
    if (lock == nullptr) {
        ::operator delete(block);
        if (file != nullptr) {
            std::fclose(file);
        }
        return kLogNoLock;
    }
    InitializeCriticalSection(lock);

    auto* log = new (block) ErrorLog;
    log->oldest_ = 0;
    log->count_ = 0;
    log->capacity_ = capacity;
    log->storeSize_ = storeSize;
    log->maxStringLength_ = clampCount(settings.maxStringLength);
    log->filterLevel_ = settings.filterLevel;
    log->textWrite_ = 0;
    log->file_ = file;
    log->lock_ = lock;
    *created = log;
    return kLogOk;
}

void ErrorLog::destroy(ErrorLog* log) {
    if (log == nullptr) {
        return;
    }
    EnterCriticalSection(log->lock_);
    std::FILE* file = log->file_;
    log->file_ = nullptr;
    LeaveCriticalSection(log->lock_);
    DeleteCriticalSection(log->lock_);
    delete log->lock_;
    if (file != nullptr) {
        std::fclose(file);
    }
    log->~ErrorLog();
    ::operator delete(log);
}

ErrorLogEntry* ErrorLog::entries() {
    return reinterpret_cast<ErrorLogEntry*>(this + 1);
}
const ErrorLogEntry* ErrorLog::entries() const {
    return reinterpret_cast<const ErrorLogEntry*>(this + 1);
}
char* ErrorLog::store() {
    return reinterpret_cast<char*>(entries() + capacity_);
}
const char* ErrorLog::store() const {
    return reinterpret_cast<const char*>(entries() + capacity_);
}

// Entries keep the low 32 bits of running positions; held texts are never further back
// than the store's size, so the full position follows from the write position.
std::uint64_t ErrorLog::running(std::uint32_t low) const {
    return textWrite_ - static_cast<std::uint32_t>(static_cast<std::uint32_t>(textWrite_) - low);
}

void ErrorLog::copyIn(std::uint64_t position, const char* text, std::uint32_t share) {
    if (share == 0) {
        return;
    }
    char* base = store();
    std::size_t at = static_cast<std::size_t>(position % storeSize_);
    const std::size_t length = text == nullptr ? 0 : ::strnlen(text, share - 1);
    for (std::size_t i = 0; i < length; ++i) {
        base[at] = text[i];
        at = at + 1 == storeSize_ ? 0 : at + 1;
    }
    base[at] = '\0';
}

std::string ErrorLog::copyOut(std::uint64_t position, std::uint32_t share) const {
    std::string text;
    const char* base = store();
    std::size_t at = share == 0 ? 0 : static_cast<std::size_t>(position % storeSize_);
    for (std::uint32_t i = 0; i < share && base[at] != '\0'; ++i) {
        text.push_back(base[at]);
        at = at + 1 == storeSize_ ? 0 : at + 1;
    }
    return text;
}

void ErrorLog::dropOldest() {
    oldest_ = oldest_ + 1 == capacity_ ? 0 : oldest_ + 1;
    --count_;
}

void ErrorLog::remember(std::int32_t level, std::int32_t code, std::int32_t subCode,
                        const FILETIME& now, const char* firstText, const char* secondText) {
    if (capacity_ == 0) {
        return;
    }
    std::uint32_t firstShare = shareOf(firstText, maxStringLength_);
    std::uint32_t secondShare = shareOf(secondText, maxStringLength_);
    // A message larger than the whole store would never find room: cut it to fit.
    if (firstShare > storeSize_) {
        firstShare = storeSize_;
    }
    if (secondShare > storeSize_ - firstShare) {
        secondShare = storeSize_ - firstShare;
    }
    const std::uint64_t needed = static_cast<std::uint64_t>(firstShare) + secondShare;
    while (count_ > 0 &&
           storeSize_ - (textWrite_ - running(entries()[oldest_].firstText)) < needed) {
        dropOldest();
    }
    if (count_ == capacity_) {
        dropOldest();
    }

    ErrorLogEntry& entry = entries()[(oldest_ + static_cast<std::uint64_t>(count_)) % capacity_];
    entry.firstText = static_cast<std::uint32_t>(textWrite_);
    entry.secondText = static_cast<std::uint32_t>(textWrite_ + firstShare);
    entry.subCode = subCode;
    entry.code = code;
    entry.level = level;
    stampOf(now, entry.stampSeconds, entry.stampFraction);
    copyIn(textWrite_, firstText, firstShare);
    copyIn(textWrite_ + firstShare, secondText, secondShare);
    textWrite_ += needed;
    ++count_;
}

int ErrorLog::log(std::int32_t level, std::int32_t code, std::int32_t subCode,
                  const char* firstText, const char* secondText) {
    const bool kept = level <= filterLevel_;
    EnterCriticalSection(lock_);
    if (file_ == nullptr && !kept) {
        LeaveCriticalSection(lock_);
        return kLogOk;
    }
    FILETIME now;
    SYSTEMTIME utc;
    GetSystemTimeAsFileTime(&now);
    if (!FileTimeToSystemTime(&now, &utc)) {
        LeaveCriticalSection(lock_);
        return kLogBadTime;
    }
    // The file takes the lock as well: two records written at once would overwrite each
    // other's end marker.
    if (file_ != nullptr && kept) {
        ErrorLogRecord record;
        formatErrorLogRecord(record, utc, level, code, subCode, firstText, secondText);
        writeErrorLogRecord(file_, record);
    }
    if (kept) {
        remember(level, code, subCode, now, firstText, secondText);
    }
    LeaveCriticalSection(lock_);
    return kLogOk;
}

std::size_t ErrorLog::count() const {
    return count_;
}

bool ErrorLog::message(std::size_t index, Message& out) const {
    EnterCriticalSection(lock_);
    if (index >= count_) {
        LeaveCriticalSection(lock_);
        return false;
    }
    const ErrorLogEntry& entry = entries()[(oldest_ + index) % capacity_];
    const std::uint64_t first = running(entry.firstText);
    const std::uint64_t second = running(entry.secondText);
    const std::uint64_t end = index + 1 < count_
                                  ? running(entries()[(oldest_ + index + 1) % capacity_].firstText)
                                  : textWrite_;
    out.level = entry.level;
    out.code = entry.code;
    out.subCode = entry.subCode;
    out.stampSeconds = entry.stampSeconds;
    out.stampFraction = entry.stampFraction;
    out.firstText = copyOut(first, static_cast<std::uint32_t>(second - first));
    out.secondText = copyOut(second, static_cast<std::uint32_t>(end - second));
    LeaveCriticalSection(lock_);
    return true;
}

}  // namespace rx_fwk
