// The file table of a constant file system: one entry per archive member and per directory
// the members imply, built once by walking a ZIP archive held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

#include "kernel/cfs/ZipRecords.h"

struct CfsFileEntry {
    static constexpr std::uint8_t kDirectory = 2;
    static constexpr std::uint8_t kOwnsName = 8;

    const CfsFileEntry* next = nullptr;
    // Null for a directory that the archive only implies.
    const unsigned char* localHeader = nullptr;
    // Points into the central directory unless the entry owns a copy; not terminated then.
    const char* name = nullptr;
    std::uint16_t nameLength = 0;
    std::uint8_t flags = 0;

    bool isDirectory() const { return (flags & kDirectory) != 0; }
    // A local header with its signature. The walk has checked that such a header, its name,
    // extra field and data lie inside the archive.
    bool hasLocalHeader() const;
    ZipLocalHeader header() const { return loadZipRecord<ZipLocalHeader>(localHeader); }
    const unsigned char* dataStart() const;
    const unsigned char* dataEnd() const;
    // Final component of the name, for find records.
    const char* baseName(std::size_t* length) const;

    std::unique_ptr<char[]> ownedName;  // set together with kOwnsName
};

// Compares one character of two names the way the archive does: without regard to case,
// and `/` equal to `\`.
bool cfsSameNameChar(char a, char b);

class CfsFileTable {
public:
    // Walks the archive. Every record must lie inside [archive, archive + size); a damaged
    // archive yields no table, the trace line at `messageLevel` and last error 13 (or 8 when
    // memory runs out).
    static std::unique_ptr<CfsFileTable> build(const unsigned char* archive, std::size_t size,
                                               int messageLevel);

    const CfsFileEntry* head() const { return entries_.empty() ? nullptr : &entries_.front(); }
    std::size_t size() const { return entries_.size(); }

    // The entry of exactly this name (same length, case-blind), or null.
    const CfsFileEntry* findExact(const char* name, std::size_t length) const;
    // The entry to open for a requested name: one of exactly that name, else the first whose
    // name begins with it within the same directory level.
    const CfsFileEntry* findForOpen(const char* name, std::size_t length) const;

private:
    CfsFileTable() = default;
    bool append(const char* name, std::size_t length, const unsigned char* localHeader,
                bool trailingSeparator, int messageLevel, bool first);
    bool addImpliedDirectories(const CfsFileEntry& entry, int messageLevel);
    CfsFileEntry* appendEntry();

    std::deque<CfsFileEntry> entries_;  // a deque keeps the `next` pointers valid
};
