// The error-log object: filter level, the open file and a bounded ring of messages, all in
// one allocation made at start-up so that logging never allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "kernel/threads/Sync.h"

namespace rx_fwk {

// Log levels: a message is kept when its level is at most the filter level.
enum LogLevel : std::int32_t {
    kLogError = 0,
    kLogWarning = 1,
    kLogInformational = 2,
    kLogInternal = 3,
};

// Results of creation and of logging.
constexpr int kLogOk = 0;
constexpr int kLogNoMemory = 2;
constexpr int kLogNoErrorLog = 4;
constexpr int kLogBadTime = 5;
constexpr int kLogNoLock = 6;

// One message of the ring: where its texts are in the text store (running positions,
// low 32 bits) and what it said. The time stamp is seconds since 1904-01-01 UTC, 64.64
// fixed point.
#pragma pack(push, 4)
struct ErrorLogEntry {
    std::uint32_t firstText;
    std::uint32_t secondText;
    std::int32_t subCode;
    std::int32_t code;
    std::int32_t level;
    std::uint64_t stampFraction;
    std::int64_t stampSeconds;
};
#pragma pack(pop)
static_assert(sizeof(ErrorLogEntry) == 36, "a ring entry is 36 bytes");
static_assert(offsetof(ErrorLogEntry, level) == 16);
static_assert(offsetof(ErrorLogEntry, stampFraction) == 20);

class ErrorLog {
public:
    struct Settings {
        std::int64_t maxNumMessages;
        std::int64_t maxStringLength;
        std::int64_t maxStringBuffer;
        std::int32_t filterLevel;
    };

    // A message read back from the ring.
    struct Message {
        std::int32_t level;
        std::int32_t code;
        std::int32_t subCode;
        std::int64_t stampSeconds;
        std::uint64_t stampFraction;
        std::string firstText;
        std::string secondText;
    };

    // Makes the object in one block of 48 + 36 x messages + text bytes; it owns the file
    // from then on (also when creation fails). Returns kLogOk, kLogNoMemory or kLogNoLock.
    static int create(const Settings& settings, std::FILE* file, ErrorLog** created);
    // Closes the file and frees the block.
    static void destroy(ErrorLog* log);

    // Writes the file record and keeps the message when its level passes the filter.
    int log(std::int32_t level, std::int32_t code, std::int32_t subCode, const char* firstText,
            const char* secondText);

    std::int32_t filterLevel() const { return filterLevel_; }
    std::size_t count() const;
    // Index 0 is the oldest message. False when there is no such message.
    bool message(std::size_t index, Message& out) const;

private:
    ErrorLog() = default;
    ErrorLogEntry* entries();
    const ErrorLogEntry* entries() const;
    char* store();
    const char* store() const;
    std::uint64_t running(std::uint32_t low) const;
    void copyIn(std::uint64_t position, const char* text, std::uint32_t share);
    std::string copyOut(std::uint64_t position, std::uint32_t share) const;
    void dropOldest();
    void remember(std::int32_t level, std::int32_t code, std::int32_t subCode, const FILETIME& now,
                  const char* firstText, const char* secondText);

    std::uint32_t oldest_;     // entry index of the oldest message
    std::uint32_t count_;      // messages held
    std::uint32_t capacity_;   // messages
    std::uint32_t storeSize_;  // bytes of the text store
    std::uint32_t maxStringLength_;
    std::int32_t filterLevel_;
    std::uint64_t textWrite_;  // running write position of the text store
    std::FILE* file_;
    CRITICAL_SECTION* lock_;
};

static_assert(sizeof(ErrorLog) == 48, "the error-log header is 48 bytes");

}  // namespace rx_fwk
