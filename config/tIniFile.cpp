// File access of the INI model: whole-file read, atomic whole-file replace.
#include "config/tIniFile.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "config/FileTimeError.h"
#include "config/IniReader.h"
#include "config/IniWriter.h"
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
    TovFileVersion now;
    if (!TovGetFileVersion(path().c_str(), &now)) {
        return false;  // a missing file never replaces the model
    }
    if (!known_ || now != version_) {
        return true;
    }
    if (version_.settled) {
        return false;
    }
    // Taken in the tick of the file's last change: another change in that tick would
    // leave the version as it is, so the bytes decide. Equal bytes keep the model (with
    // what only it holds, such as a section left empty) and a later version.
    TovFileVersion read;
    std::string bytes;
    if (!readBytes(read, bytes)) {
        return false;  // gone again or unreadable: the model stays
    }
    if (std::hash<std::string>{}(bytes) != contentHash_) {
        return true;
    }
    version_ = read;
    return false;
}

bool tIniFile::readBytes(TovFileVersion& version, std::string& bytes) const {
    FileHandle file(CreateFileA(path().c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    // Taken before reading: an edit that lands while we read then shows as a change next
    // time instead of being hidden behind the version recorded after it.
    if (!file.valid() || !TovGetFileVersionByHandle(file.get(), &version)) {
        return false;
    }
    // Room for what the file held, and one byte more to see that it ended there.
    constexpr std::size_t kFirstRoom = std::size_t{1} << 20;
    std::size_t room =
        version.size < kFirstRoom ? static_cast<std::size_t>(version.size) + 1 : kFirstRoom;
    std::size_t have = 0;
    bytes.resize(room);
    for (;;) {
        if (have == bytes.size()) {
            bytes.resize(bytes.size() * 2);
        }
        const std::size_t want = std::min<std::size_t>(bytes.size() - have, 1 << 16);
        DWORD got = 0;
        if (!ReadFile(file.get(), &bytes[have], static_cast<DWORD>(want), &got, nullptr)) {
            return false;
        }
        if (got == 0) {
            break;
        }
        have += got;
    }
    bytes.resize(have);
    return true;
}

void tIniFile::readFile(rx_fwk::SectionMap& model) {
    TovFileVersion read;
    std::string bytes;
    if (!readBytes(read, bytes)) {
        throw FileIOError();
    }
    rx_fwk::parseIniText(bytes.data(), bytes.size(), model);
    version_ = read;
    contentHash_ = std::hash<std::string>{}(bytes);
    known_ = true;
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
    TovFileVersion now;
    if (!TovGetFileVersion(path().c_str(), &now)) {
        throw rx_fwk::FileTimeError(path());
    }
    if (written) {
        version_ = now;
        known_ = true;
        contentHash_ = std::hash<std::string>{}(bytes);
    }
    return written;
}

}  // namespace nZUEmbCfg
