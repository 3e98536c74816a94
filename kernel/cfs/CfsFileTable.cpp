// The archive walk: end record, central directory, local headers, implied directories.
#include "kernel/cfs/CfsFileTable.h"

#include <cctype>
#include <new>

#include "kernel/base/LastError.h"
#include "kernel/boot/DebugPrint.h"
#include "kernel/cfs/CfsMessages.h"

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

std::uint32_t signatureAt(const unsigned char* at) {
    std::uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// True when `length` bytes from `offset` lie inside an archive of `size` bytes. 64-bit sums
// of 32-bit fields cannot wrap.
bool fits(std::size_t size, std::uint64_t offset, std::uint64_t length) {
    return offset <= size && length <= size - offset;
}

}  // namespace

bool cfsSameNameChar(char a, char b) {
    if (isSeparator(a) && isSeparator(b)) {
        return true;
    }
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
}

namespace {

bool sameName(const char* a, const char* b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (!cfsSameNameChar(a[i], b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool CfsFileEntry::hasLocalHeader() const {
    return localHeader != nullptr && signatureAt(localHeader) == ZipLocalHeader::kSignature;
}

const unsigned char* CfsFileEntry::dataStart() const {
    ZipLocalHeader h = header();
    return localHeader + sizeof(ZipLocalHeader) + h.nameLength + h.extraLength;
}

const unsigned char* CfsFileEntry::dataEnd() const {
    return dataStart() + header().compressedSize;
}

const char* CfsFileEntry::baseName(std::size_t* length) const {
    std::size_t start = nameLength;
    while (start > 0 && !isSeparator(name[start - 1])) {
        --start;
    }
    *length = nameLength - start;
    return name + start;
}

std::unique_ptr<CfsFileTable> CfsFileTable::build(const unsigned char* archive, std::size_t size,
                                                  int level) {
    // The end record sits at the very end unless an archive comment follows it.
    const unsigned char* endRecord = nullptr;
    if (size >= sizeof(ZipEndRecord)) {
        for (std::size_t at = size - sizeof(ZipEndRecord) + 1; at-- > 0;) {
            if (signatureAt(archive + at) == ZipEndRecord::kSignature) {
                endRecord = archive + at;
                break;
            }
        }
    }
    if (endRecord == nullptr) {
        if (level >= kCfsErrorLevel) {
            TovDebugPrint("TovConstFSInit: ZIP bad end signature: %08x instead of %08x\n",
                          size >= 4 ? signatureAt(archive) : 0u, ZipEndRecord::kSignature);
        }
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    ZipEndRecord end = loadZipRecord<ZipEndRecord>(endRecord);

    std::unique_ptr<CfsFileTable> table(new (std::nothrow) CfsFileTable);
    if (!table) {
        if (level >= kCfsErrorLevel) {
            TovDebugPrint("TovConstFSInit: no memory for file table\n");
        }
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }

    std::uint64_t offset = end.centralOffset;
    for (unsigned index = 0; index < end.totalEntries; ++index) {
        const bool first = index == 0;
        if (!fits(size, offset, sizeof(ZipCentralHeader))) {
            if (level >= kCfsErrorLevel) {
                TovDebugPrint("cfs: init, ZIP record outside the archive, index %u\n", index);
            }
            SetLastError(ERROR_INVALID_DATA);
            return nullptr;
        }
        ZipCentralHeader central = loadZipRecord<ZipCentralHeader>(archive + offset);
        if (central.signature != ZipCentralHeader::kSignature) {
            if (level >= kCfsErrorLevel) {
                if (first) {
                    TovDebugPrint(
                        "TovConstFSInit: ZIP bad central signature: %08x instead of %08x\n",
                        central.signature, ZipCentralHeader::kSignature);
                } else {
                    TovDebugPrint(
                        "cfs: init, ZIP bad central signature, index %u, %08x instead of %08x\n",
                        index, central.signature, ZipCentralHeader::kSignature);
                }
            }
            SetLastError(ERROR_INVALID_DATA);
            return nullptr;
        }
        const std::uint64_t recordLength = sizeof(ZipCentralHeader) + central.nameLength +
                                           central.extraLength + central.commentLength;
        bool inside = fits(size, offset, recordLength) &&
                      fits(size, central.localHeaderOffset, sizeof(ZipLocalHeader));
        const unsigned char* localHeader = archive + central.localHeaderOffset;
        if (inside && signatureAt(localHeader) == ZipLocalHeader::kSignature) {
            // Only a header with its signature is ever read further; it must hold its data.
            ZipLocalHeader local = loadZipRecord<ZipLocalHeader>(localHeader);
            inside = fits(size, central.localHeaderOffset,
                          std::uint64_t{sizeof(ZipLocalHeader)} + local.nameLength +
                              local.extraLength + local.compressedSize);
        }
        if (!inside) {
            if (level >= kCfsErrorLevel) {
                TovDebugPrint("cfs: init, ZIP record outside the archive, index %u\n", index);
            }
            SetLastError(ERROR_INVALID_DATA);
            return nullptr;
        }

        const char* name = reinterpret_cast<const char*>(archive + offset + sizeof(central));
        std::size_t nameLength = central.nameLength;
        const bool trailingSeparator = nameLength > 0 && isSeparator(name[nameLength - 1]);
        if (!table->append(name, nameLength, localHeader, trailingSeparator, level, first)) {
            return nullptr;
        }
        if (first && level >= kCfsTraceLevel) {
            TovDebugPrint("cfs: init, adding %d entries (%d, %d, %d)\n", int{end.totalEntries},
                          int{central.nameLength}, int{central.extraLength},
                          int{central.commentLength});
        }
        offset += recordLength;
    }
    return table;
}

CfsFileEntry* CfsFileTable::appendEntry() {
    try {
        CfsFileEntry* previous = entries_.empty() ? nullptr : &entries_.back();
        entries_.emplace_back();
        if (previous != nullptr) {
            previous->next = &entries_.back();
        }
        return &entries_.back();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool CfsFileTable::append(const char* name, std::size_t length, const unsigned char* localHeader,
                          bool trailingSeparator, int level, bool first) {
    CfsFileEntry* entry = appendEntry();
    if (entry == nullptr) {
        if (level >= kCfsErrorLevel) {
            TovDebugPrint("TovConstFSInit: no memory for file table\n");
        }
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    entry->localHeader = localHeader;
    entry->name = name;
    entry->nameLength = static_cast<std::uint16_t>(length);
    if (trailingSeparator) {
        // The separator goes; the name is copied so that it can be terminated.
        entry->ownedName.reset(new (std::nothrow) char[length]);
        if (!entry->ownedName) {
            if (level >= kCfsErrorLevel) {
                TovDebugPrint(first ? "TovConstFSInit: no memory for dir name\n"
                                    : "cfs: init: no memory for dir name\n");
            }
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        std::memcpy(entry->ownedName.get(), name, length - 1);
        entry->ownedName[length - 1] = '\0';
        entry->name = entry->ownedName.get();
        entry->nameLength = static_cast<std::uint16_t>(length - 1);
        entry->flags = CfsFileEntry::kDirectory | CfsFileEntry::kOwnsName;
    }
    return addImpliedDirectories(*entry, level);
}

bool CfsFileTable::addImpliedDirectories(const CfsFileEntry& entry, int level) {
    // Growing a deque at its end leaves the entry, and so its name, where it is.
    const char* name = entry.name;
    const std::size_t length = entry.nameLength;
    for (std::size_t i = 1; i < length; ++i) {
        if (!isSeparator(name[i]) || findExact(name, i) != nullptr) {
            continue;
        }
        CfsFileEntry* directory = appendEntry();
        if (directory == nullptr) {
            if (level >= kCfsErrorLevel) {
                TovDebugPrint("TovConstFSInit: no memory for file table\n");
            }
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        directory->ownedName.reset(new (std::nothrow) char[i + 1]);
        if (!directory->ownedName) {
            if (level >= kCfsErrorLevel) {
                TovDebugPrint("cfs: init: no memory for dir name\n");
            }
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        std::memcpy(directory->ownedName.get(), name, i);
        directory->ownedName[i] = '\0';
        directory->name = directory->ownedName.get();
        directory->nameLength = static_cast<std::uint16_t>(i);
        directory->flags = CfsFileEntry::kDirectory | CfsFileEntry::kOwnsName;
        if (level >= kCfsTraceLevel) {
            TovDebugPrint("cfs: addND adding %s (%d)\n", directory->name, int(i));
        }
    }
    return true;
}

const CfsFileEntry* CfsFileTable::findExact(const char* name, std::size_t length) const {
    for (const CfsFileEntry& entry : entries_) {
        if (entry.nameLength == length && sameName(entry.name, name, length)) {
            return &entry;
        }
    }
    return nullptr;
}

const CfsFileEntry* CfsFileTable::findForOpen(const char* name, std::size_t length) const {
    if (const CfsFileEntry* exact = findExact(name, length)) {
        return exact;
    }
    // "i8254x" finds "i8254x.dll"; "drivers" must not find "drivers/x.dll".
    for (const CfsFileEntry& entry : entries_) {
        if (entry.nameLength < length || !sameName(entry.name, name, length)) {
            continue;
        }
        bool sameLevel = true;
        for (std::size_t i = length; i < entry.nameLength && sameLevel; ++i) {
            sameLevel = !isSeparator(entry.name[i]);
        }
        if (sameLevel) {
            return &entry;
        }
    }
    return nullptr;
}
