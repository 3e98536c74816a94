// The three ZIP records the constant file system reads, laid out as they are in an archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "ZIP records are little-endian and are read in place");

#pragma pack(push, 1)

struct ZipEndRecord {
    std::uint32_t signature;  // kSignature
    std::uint16_t diskNumber;
    std::uint16_t centralDisk;
    std::uint16_t diskEntries;
    std::uint16_t totalEntries;
    std::uint32_t centralSize;
    std::uint32_t centralOffset;  // from the start of the archive
    std::uint16_t commentLength;

    static constexpr std::uint32_t kSignature = 0x06054B50;
};

struct ZipCentralHeader {
    std::uint32_t signature;  // kSignature
    std::uint16_t versionMadeBy;
    std::uint16_t versionNeeded;
    std::uint16_t flags;
    std::uint16_t method;
    std::uint16_t modTime;
    std::uint16_t modDate;
    std::uint32_t crc32;
    std::uint32_t compressedSize;
    std::uint32_t uncompressedSize;
    std::uint16_t nameLength;
    std::uint16_t extraLength;
    std::uint16_t commentLength;
    std::uint16_t diskStart;
    std::uint16_t internalAttributes;
    std::uint32_t externalAttributes;
    std::uint32_t localHeaderOffset;  // from the start of the archive
    // followed by the name, the extra field and the comment

    static constexpr std::uint32_t kSignature = 0x02014B50;
};

struct ZipLocalHeader {
    std::uint32_t signature;  // kSignature
    std::uint16_t versionNeeded;
    std::uint16_t flags;
    std::uint16_t method;   // kStored is the only one read
    std::uint16_t modTime;  // MS-DOS format
    std::uint16_t modDate;
    std::uint32_t crc32;
    std::uint32_t compressedSize;
    std::uint32_t uncompressedSize;
    std::uint16_t nameLength;
    std::uint16_t extraLength;
    // followed by the name, the extra field and the data

    static constexpr std::uint32_t kSignature = 0x04034B50;
    static constexpr std::uint16_t kStored = 0;
};

#pragma pack(pop)

static_assert(sizeof(ZipEndRecord) == 22);
static_assert(offsetof(ZipEndRecord, totalEntries) == 10);
static_assert(offsetof(ZipEndRecord, centralOffset) == 16);
static_assert(offsetof(ZipEndRecord, commentLength) == 20);

static_assert(sizeof(ZipCentralHeader) == 46);
static_assert(offsetof(ZipCentralHeader, method) == 10);
static_assert(offsetof(ZipCentralHeader, nameLength) == 28);
static_assert(offsetof(ZipCentralHeader, extraLength) == 30);
static_assert(offsetof(ZipCentralHeader, commentLength) == 32);
static_assert(offsetof(ZipCentralHeader, localHeaderOffset) == 42);

static_assert(sizeof(ZipLocalHeader) == 30);
static_assert(offsetof(ZipLocalHeader, method) == 8);
static_assert(offsetof(ZipLocalHeader, modTime) == 10);
static_assert(offsetof(ZipLocalHeader, modDate) == 12);
static_assert(offsetof(ZipLocalHeader, compressedSize) == 18);
static_assert(offsetof(ZipLocalHeader, uncompressedSize) == 22);
static_assert(offsetof(ZipLocalHeader, nameLength) == 26);
static_assert(offsetof(ZipLocalHeader, extraLength) == 28);

// Copies a record out of the archive (records sit at any alignment). The caller has checked
// that `sizeof(Record)` bytes from `at` lie inside the archive.
template <typename Record>
Record loadZipRecord(const unsigned char* at) {
    Record record;
    std::memcpy(&record, at, sizeof(Record));
    return record;
}
