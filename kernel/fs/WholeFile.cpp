#include "kernel/fs/WholeFile.h"

#include <algorithm>

#include "kernel/base/LastError.h"
#include "kernel/fs/File.h"

namespace {

constexpr std::size_t kFirstBlock = 4096;
constexpr std::size_t kLargestBlock = 65536;

BOOL tooLarge(std::string& bytes) {
    bytes.clear();
    SetLastError(ERROR_FILE_TOO_LARGE);
    return FALSE;
}

}  // namespace

BOOL TovReadWholeFile(HANDLE file, std::string& bytes, DWORD limit) {
    bytes.clear();
    // The size refuses a large file before anything is read; the bounded loop below holds
    // for one that grows meanwhile.
    DWORD high = 0;
    const DWORD low = GetFileSize(file, &high);
    std::size_t block = kFirstBlock;
    if (low != INVALID_FILE_SIZE || GetLastError() == ERROR_SUCCESS) {
        const ULONGLONG size = (static_cast<ULONGLONG>(high) << 32) | low;
        if (size > limit) {
            return tooLarge(bytes);
        }
        // One block for the whole file and one byte to see it end.
        block = std::max<std::size_t>(block, static_cast<std::size_t>(size) + 1);
    }
    for (;;) {
        const std::size_t have = bytes.size();
        const std::size_t want = std::min<std::size_t>(block, std::size_t{limit} + 1 - have);
        bytes.resize(have + want);
        DWORD got = 0;
        if (!ReadFile(file, &bytes[have], static_cast<DWORD>(want), &got, nullptr)) {
            bytes.clear();
            return FALSE;
        }
        bytes.resize(have + got);
        if (got == 0) {
            return TRUE;
        }
        if (bytes.size() > limit) {
            return tooLarge(bytes);
        }
        block = std::min(block * 2, kLargestBlock);
    }
}
