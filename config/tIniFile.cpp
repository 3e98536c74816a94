// File access of the INI model: whole-file read, atomic whole-file replace.
#include "config/tIniFile.h"

#include <functional>
#include <utility>

#include "config/FileTimeError.h"
#include "config/IniReader.h"
#include "config/IniText.h"
#include "config/IniWriter.h"
#include "kernel/base/Handle.h"
#include "kernel/base/LastError.h"
#include "kernel/fs/File.h"
#include "kernel/fs/ReplaceFileContents.h"
#include "kernel/fs/WholeFile.h"

namespace nZUEmbCfg {
namespace {

// Closes a kernel file handle on every way out.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// The same bytes, as far as the status tells: only the status-change time moved, as the
// rename of a write does (so does an attribute change, or an edit that kept the size
// within the tick of the last-write time: the bytes tell those apart).
bool sameStampedContent(const TovFileVersion& a, const TovFileVersion& b) {
    return a.volume == b.volume && a.index == b.index && a.size == b.size &&
           a.lastWrite == b.lastWrite;
}

}  // namespace

tIniFile::tIniFile(std::string path) : IniFile(std::move(path)) {}

bool tIniFile::isChanged() {
    TovFileVersion now;
    if (!TovGetFileVersion(path().c_str(), &now)) {
        return false;  // a missing file never replaces the model
    }
    if (!known_) {
        return true;
    }
    if (now == version_) {
        // Taken in the tick of the file's last change, another change in that tick would
        // leave the version as it is.
        return !version_.settled && !sameBytesOnDisk();
    }
    return !sameStampedContent(now, version_) || !sameBytesOnDisk();
}

bool tIniFile::sameBytesOnDisk() {
    // Equal bytes keep the model (with what only it holds, such as a section left empty).
    TovFileVersion read;
    std::string bytes;
    if (!readBytes(read, bytes)) {
        return true;  // gone again or unreadable: the model stays
    }
    if (std::hash<std::string>{}(bytes) != contentHash_) {
        return false;
    }
    version_ = read;
    return true;
}

bool tIniFile::readBytes(TovFileVersion& version, std::string& bytes) const {
    FileHandle file(CreateFileA(path().c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    // Taken before reading: an edit that lands while we read then shows as a change next
    // time instead of being hidden behind the version recorded after it.
    return file.valid() && TovGetFileVersionByHandle(file.get(), &version) &&
           TovReadWholeFile(file.get(), bytes);
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
    byteOrderMark_ = rx_fwk::startsWithIniByteOrderMark(bytes.data(), bytes.size());
}

bool tIniFile::writeFile(const rx_fwk::SectionMap& model) {
    std::string bytes = byteOrderMark_ ? rx_fwk::kIniByteOrderMark : "";
    bytes += rx_fwk::renderIniText(model);
    // A file the model could not read back is not written.
    if (bytes.size() > TOV_WHOLE_FILE_LIMIT) {
        SetLastError(ERROR_FILE_TOO_LARGE);
    } else {
        // The version of the bytes written, not of whatever the file holds by the time a
        // status after the rename would be taken: an edit in between shows as a change.
        TovFileVersion written;
        if (TovReplaceFileContents(path().c_str(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                   &written)) {
            version_ = written;
            known_ = true;
            contentHash_ = std::hash<std::string>{}(bytes);
            return true;
        }
    }
    const DWORD error = GetLastError();
    if (GetFileAttributesA(path().c_str()) == INVALID_FILE_ATTRIBUTES) {
        throw rx_fwk::FileTimeError(path());
    }
    SetLastError(error);
    return false;
}

}  // namespace nZUEmbCfg
