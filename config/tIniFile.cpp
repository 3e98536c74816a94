// File access of the INI model: whole-file read, atomic whole-file replace.
#include "config/tIniFile.h"

#include <utility>

#include "config/FileTimeError.h"
#include "config/IniReader.h"
#include "config/IniWriter.h"
#include "config/fileModifiedTime.h"
#include "kernel/base/Handle.h"
#include "kernel/fs/File.h"

namespace nZUEmbCfg {
namespace {

// Closes a kernel file handle on every way out.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    bool close() {
        if (!valid()) {
            return true;
        }
        const bool closed = CloseHandle(handle_) != FALSE;
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

std::uint64_t toUint64(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool writeAll(HANDLE file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t chunk = bytes.size() - done < 65536 ? bytes.size() - done : 65536;
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, static_cast<DWORD>(chunk), &written, nullptr) ||
            written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

}  // namespace

tIniFile::tIniFile(std::string path) : IniFile(std::move(path)) {}

bool tIniFile::isChanged() {
    try {
        return rx_fwk::fileModifiedTime(path()) != lastWriteTime_;
    } catch (const rx_fwk::FileTimeError&) {
        return false;  // a missing file never replaces the model
    }
}

void tIniFile::readFile(rx_fwk::SectionMap& model) {
    FileHandle file(CreateFileA(path().c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        throw FileIOError();
    }
    // Taken before reading: an edit that lands while we read then shows as a change next
    // time instead of being hidden behind the time recorded after it.
    FILETIME written{};
    if (!GetFileTime(file.get(), nullptr, nullptr, &written)) {
        throw FileIOError();
    }
    std::string bytes;
    char chunk[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), chunk, sizeof(chunk), &got, nullptr)) {
            throw FileIOError();
        }
        if (got == 0) {
            break;
        }
        bytes.append(chunk, got);
    }
    rx_fwk::parseIniText(bytes.data(), bytes.size(), model);
    lastWriteTime_ = toUint64(written);
}

bool tIniFile::writeFile(const rx_fwk::SectionMap& model) {
    const std::string bytes = rx_fwk::renderIniText(model);
    const std::string temporary = path() + ".tmp";
    bool written = false;
    const DWORD attributes = GetFileAttributesA(path().c_str());
    // A rename would replace a read-only file that an in-place write could not open.
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0) {
        FileHandle file(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.valid()) {
            const bool complete = writeAll(file.get(), bytes) && FlushFileBuffers(file.get());
            const bool closed = file.close();
            written = complete && closed &&
                      MoveFileExA(temporary.c_str(), path().c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
            if (!written) {
                DeleteFileA(temporary.c_str());
            }
        }
    }
    lastWriteTime_ = rx_fwk::fileModifiedTime(path());
    return written;
}

}  // namespace nZUEmbCfg
