// DLL files for the host loader: host files are mapped as they are; files of other drives
// (the archive of B:) are copied into a memfd first.
#include "kernel/module/posix/DllImage.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
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
    return 0;
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
