// DLL files for the host loader: host files are mapped as they are; files of other drives
// (the archive of B:) are copied into a memfd first.
#include "kernel/module/posix/DllImage.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "kernel/base/posix/Win32Error.h"

namespace {

#if defined(__x86_64__)
constexpr int kMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr int kMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr int kMachine = EM_386;
#elif defined(__arm__)
constexpr int kMachine = EM_ARM;
#elif defined(__riscv)
constexpr int kMachine = EM_RISCV;
#else
constexpr int kMachine = EM_NONE;  // any
#endif

bool writeAll(int descriptor, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(descriptor, data, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= std::size_t(written);
    }
    return true;
}

int copyToMemory(TovDriveFile& file, const std::string& name) {
    const int copy = ::memfd_create(name.c_str(), MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (copy < 0) {
        return TovFailErrno(errno, -1);
    }
    ULONGLONG position = 0;
    if (!file.seek(0, FILE_BEGIN, &position)) {
        ::close(copy);
        return -1;
    }
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD read = 0;
        if (!file.read(buffer.data(), DWORD(buffer.size()), &read)) {
            ::close(copy);
            return -1;
        }
        if (read == 0) {
            break;
        }
        if (!writeAll(copy, buffer.data(), read)) {
            const int error = errno;
            ::close(copy);
            return TovFailErrno(error, -1);
        }
    }
    // Nothing changes the bytes under the mapping.
    ::fcntl(copy, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return copy;
}

// A DLL's dynamic section may make the host loader open files of its own choosing: a
// library named by a path ("/x/lib.so", "../lib.so"), a search path (RPATH, RUNPATH) or an
// audit library. On C: that would reach host files outside the drive, so such a DLL is
// refused; libraries named by a bare name come from the host's own library directories.
// The file is hostile input: every offset is checked against its size.
class DynamicSection {
public:
    DynamicSection(int descriptor, const ElfW(Ehdr) & header)
        : descriptor_(descriptor), header_(header) {}

    DWORD check() {
        struct stat status;
        if (::fstat(descriptor_, &status) != 0) {
            return TovWin32ErrorFromErrno(errno);
        }
        size_ = std::uint64_t(status.st_size);
        if (header_.e_phnum == 0) {
            return 0;
        }
        if (header_.e_phentsize != sizeof(ElfW(Phdr)) || header_.e_phnum > kMaxSegments) {
            return ERROR_BAD_EXE_FORMAT;
        }
        segments_.resize(header_.e_phnum);
        if (!readAt(header_.e_phoff, segments_.data(), segments_.size() * sizeof(ElfW(Phdr)))) {
            return ERROR_BAD_EXE_FORMAT;
        }
        for (const ElfW(Phdr) & segment : segments_) {
            if (segment.p_type == PT_DYNAMIC) {
                return checkEntries(segment);
            }
        }
        return 0;
    }

private:
    static constexpr std::size_t kMaxSegments = 256;
    static constexpr std::uint64_t kMaxDynamicBytes = 64 * 1024;
    static constexpr std::size_t kMaxName = 4096;

    bool readAt(std::uint64_t offset, void* buffer, std::uint64_t bytes) const {
        if (offset > size_ || bytes > size_ - offset) {
            return false;
        }
        return ::pread(descriptor_, buffer, bytes, off_t(offset)) == ssize_t(bytes);
    }

    // The file offset of a virtual address inside a loaded segment's file bytes.
    bool fileOffset(std::uint64_t address, std::uint64_t& offset) const {
        for (const ElfW(Phdr) & segment : segments_) {
            if (segment.p_type == PT_LOAD && address >= segment.p_vaddr &&
                address - segment.p_vaddr < segment.p_filesz) {
                offset = segment.p_offset + (address - segment.p_vaddr);
                return true;
            }
        }
        return false;
    }

    DWORD checkEntries(const ElfW(Phdr) & segment) {
        if (segment.p_filesz > kMaxDynamicBytes) {
            return ERROR_BAD_EXE_FORMAT;
        }
        std::vector<ElfW(Dyn)> entries(segment.p_filesz / sizeof(ElfW(Dyn)));
        if (!readAt(segment.p_offset, entries.data(), entries.size() * sizeof(ElfW(Dyn)))) {
            return ERROR_BAD_EXE_FORMAT;
        }
        std::uint64_t table = 0;
        std::uint64_t tableSize = 0;
        bool hasTable = false;
        std::vector<std::uint64_t> names;  // string-table offsets of library names
        for (const ElfW(Dyn) & entry : entries) {
            if (entry.d_tag == DT_NULL) {
                break;
            }
            switch (entry.d_tag) {
                case DT_RPATH:
                case DT_RUNPATH:
                case DT_AUDIT:
                case DT_DEPAUDIT:
                    return ERROR_ACCESS_DENIED;
                case DT_NEEDED:
                case DT_FILTER:
                case DT_AUXILIARY:
                    names.push_back(entry.d_un.d_val);
                    break;
                case DT_STRTAB:
                    hasTable = fileOffset(entry.d_un.d_ptr, table);
                    break;
                case DT_STRSZ:
                    tableSize = entry.d_un.d_val;
                    break;
                default:
                    break;
            }
        }
        if (names.empty()) {
            return 0;
        }
        if (!hasTable) {
            return ERROR_BAD_EXE_FORMAT;
        }
        std::vector<char> name(kMaxName);
        for (std::uint64_t at : names) {
            if (at >= tableSize) {
                return ERROR_BAD_EXE_FORMAT;
            }
            const std::uint64_t bytes = std::min<std::uint64_t>(tableSize - at, kMaxName);
            if (!readAt(table + at, name.data(), bytes)) {
                return ERROR_BAD_EXE_FORMAT;
            }
            const auto end = std::find(name.begin(), name.begin() + std::ptrdiff_t(bytes), '\0');
            if (end == name.begin() + std::ptrdiff_t(bytes)) {
                return ERROR_BAD_EXE_FORMAT;  // unterminated, or longer than any library name
            }
            if (std::find(name.begin(), end, '/') != end) {
                return ERROR_ACCESS_DENIED;
            }
        }
        return 0;
    }

    int descriptor_;
    const ElfW(Ehdr) & header_;
    std::uint64_t size_ = 0;
    std::vector<ElfW(Phdr)> segments_;
};

}  // namespace

int TovDllDescriptor(TovDriveFile& file, const std::string& name) {
    const int host = file.hostDescriptor();
    if (host < 0) {
        return copyToMemory(file, name);
    }
    const int descriptor = ::fcntl(host, F_DUPFD_CLOEXEC, 0);
    return descriptor < 0 ? TovFailErrno(errno, -1) : descriptor;
}

DWORD TovCheckSharedObject(int descriptor) {
    ElfW(Ehdr) header;
    if (::pread(descriptor, &header, sizeof header, 0) != ssize_t(sizeof header) ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) {
        return ERROR_BAD_EXE_FORMAT;
    }
    const bool bits64 = sizeof(void*) == 8;
    const bool little = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
    if (header.e_ident[EI_CLASS] != (bits64 ? ELFCLASS64 : ELFCLASS32) ||
        header.e_ident[EI_DATA] != (little ? ELFDATA2LSB : ELFDATA2MSB) ||
        header.e_type != ET_DYN || (kMachine != EM_NONE && header.e_machine != kMachine)) {
        return ERROR_BAD_EXE_FORMAT;
    }
    return DynamicSection(descriptor, header).check();
}

DWORD TovDlopenError(const char* message) {
    const std::string text = message != nullptr ? message : "";
    const auto says = [&text](const char* words) { return text.find(words) != std::string::npos; };
    if (says("undefined symbol") || says("version `")) {
        return ERROR_PROC_NOT_FOUND;  // an import the image and libraries do not offer
    }
    if (says("cannot open shared object file")) {
        return ERROR_MOD_NOT_FOUND;  // a library it needs
    }
    if (says("cannot allocate memory") || says("out of memory")) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    return ERROR_BAD_EXE_FORMAT;  // the file was there but is no module the host can load
}
