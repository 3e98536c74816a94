// C stdio streams on drive paths: fopencookie over a kernel file handle.
//
// Text mode (no "b") is the controller's: "\n" is written as CR LF and CR LF reads as "\n",
// and positions (ftell, fseek) are byte offsets in the file, as on the controller. glibc
// counts a stream's position in the bytes it handed over, which differ from the file's in
// text mode, so a text stream has no glibc buffer (the cookie reads ahead instead) and its
// cached offset is cleared on every call: glibc then asks the cookie, which knows.
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "kernel/base/Handle.h"
#include "kernel/base/posix/Win32Error.h"
#include "kernel/boot/posix/ConsoleStream.h"
#include "kernel/fs/File.h"
#include "kernel/fs/Stdio.h"

namespace {

constexpr std::size_t kReadAhead = 4096;

struct Mode {
    DWORD access = 0;
    DWORD disposition = 0;
    bool append = false;
    bool text = true;
    std::string cookieMode;  // for fopencookie
};

bool parseMode(LPCSTR text, Mode& mode) {
    if (text == nullptr) {
        return false;
    }
    switch (text[0]) {
        case 'r':
            mode.access = GENERIC_READ;
            mode.disposition = OPEN_EXISTING;
            break;
        case 'w':
            mode.access = GENERIC_WRITE;
            mode.disposition = CREATE_ALWAYS;
            break;
        case 'a':
            mode.access = GENERIC_WRITE;
            mode.disposition = OPEN_ALWAYS;
            mode.append = true;
            break;
        default:
            return false;
    }
    mode.cookieMode = text[0];
    for (const char* c = text + 1; *c != '\0'; ++c) {
        switch (*c) {
            case '+':
                mode.access = GENERIC_READ | GENERIC_WRITE;
                mode.cookieMode += '+';
                break;
            case 'b':
                mode.text = false;
                break;
            case 't':
                mode.text = true;
                break;
            case 'x':
                if (mode.disposition != CREATE_ALWAYS) {
                    return false;
                }
                mode.disposition = CREATE_NEW;
                break;
            default:
                return false;
        }
    }
    return true;
}

class Stream {
public:
    Stream(HANDLE file, const Mode& mode) : file_(file), text_(mode.text), append_(mode.append) {}
    ~Stream() { CloseHandle(file_); }

    void attach(std::FILE* stream) { stream_ = stream; }

    ssize_t read(char* buffer, std::size_t size) {
        forgetCachedOffset();
        if (!text_) {
            DWORD count = 0;
            if (!ReadFile(file_, buffer, clamp(size), &count, nullptr)) {
                return fail();
            }
            return count;
        }
        std::size_t done = 0;
        while (done < size) {
            if (next_ == ahead_.size() && !fill()) {
                break;
            }
            if (ahead_[next_] == '\r') {
                if (next_ + 1 == ahead_.size()) {
                    fill();  // what follows decides; at the end the CR stays
                }
                if (next_ + 1 < ahead_.size() && ahead_[next_ + 1] == '\n') {
                    ++next_;
                }
            }
            buffer[done++] = ahead_[next_++];
        }
        return static_cast<ssize_t>(done);
    }

    ssize_t write(const char* data, std::size_t size) {
        forgetCachedOffset();
        if (!dropReadAhead()) {
            return fail();
        }
        if (append_ && SetFilePointer(file_, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
            GetLastError() != ERROR_SUCCESS) {
            return fail();
        }
        std::string translated;
        if (text_) {
            translated.reserve(size + size / 8);
            for (std::size_t i = 0; i < size; ++i) {
                if (data[i] == '\n') {
                    translated += '\r';
                }
                translated += data[i];
            }
            data = translated.data();
        }
        std::size_t length = text_ ? translated.size() : size;
        DWORD written = 0;
        if (!WriteFile(file_, data, clamp(length), &written, nullptr) || written != length) {
            return fail();
        }
        return static_cast<ssize_t>(size);
    }

    int seek(off64_t* offset, int whence) {
        forgetCachedOffset();
        static const DWORD kMethod[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
        if (whence < SEEK_SET || whence > SEEK_END) {
            errno = EINVAL;
            return -1;
        }
        LONGLONG distance = *offset;
        DWORD method = kMethod[whence];
        if (method == FILE_CURRENT) {  // from the position of the next byte not yet read
            LONGLONG current = 0;
            if (!position(current)) {
                return fail();
            }
            distance += current;
            method = FILE_BEGIN;
        }
        ahead_.clear();
        next_ = 0;
        LONG high = static_cast<LONG>(distance >> 32);
        DWORD low = SetFilePointer(file_, static_cast<LONG>(distance), &high, method);
        if (low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS) {
            return fail();
        }
        *offset =
            static_cast<off64_t>((static_cast<ULONGLONG>(static_cast<DWORD>(high)) << 32) | low);
        return 0;
    }

private:
    static DWORD clamp(std::size_t size) {
        return size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    }

    static int fail() {
        errno = TovErrnoFromWin32Error(GetLastError());
        return -1;
    }

    // glibc's _IO_pos_BAD: "position unknown, ask the cookie".
    void forgetCachedOffset() {
        if (text_ && stream_ != nullptr) {
            stream_->_offset = -1;
        }
    }

    // Reads more of the file behind what is read ahead; false at the end or on failure.
    bool fill() {
        if (next_ == ahead_.size()) {
            ahead_.clear();
            next_ = 0;
        }
        std::size_t kept = ahead_.size();
        ahead_.resize(kept + kReadAhead);
        DWORD count = 0;
        bool read = ReadFile(file_, &ahead_[kept], kReadAhead, &count, nullptr) != FALSE;
        ahead_.resize(kept + (read ? count : 0));
        return read && count > 0;
    }

    // The file position of the next byte the caller has not read.
    bool position(LONGLONG& current) {
        LONG high = 0;
        DWORD low = SetFilePointer(file_, 0, &high, FILE_CURRENT);
        if (low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS) {
            return false;
        }
        current =
            static_cast<LONGLONG>((static_cast<ULONGLONG>(static_cast<DWORD>(high)) << 32) | low) -
            static_cast<LONGLONG>(ahead_.size() - next_);
        return true;
    }

    // Puts the file position back to the next byte not read, before a write.
    bool dropReadAhead() {
        if (next_ == ahead_.size()) {
            ahead_.clear();
            next_ = 0;
            return true;
        }
        off64_t offset = 0;
        return seek(&offset, SEEK_CUR) == 0;
    }

    HANDLE file_;
    bool text_;
    bool append_;
    std::FILE* stream_ = nullptr;
    std::string ahead_;  // bytes read from the file and not yet handed over (text mode)
    std::size_t next_ = 0;
};

ssize_t streamRead(void* cookie, char* buffer, std::size_t size) {
    return static_cast<Stream*>(cookie)->read(buffer, size);
}

ssize_t streamWrite(void* cookie, const char* data, std::size_t size) {
    return static_cast<Stream*>(cookie)->write(data, size);
}

int streamSeek(void* cookie, off64_t* offset, int whence) {
    return static_cast<Stream*>(cookie)->seek(offset, whence);
}

int streamClose(void* cookie) {
    delete static_cast<Stream*>(cookie);
    return 0;
}

std::mutex gRedirectLock;
std::FILE* gRedirected = nullptr;

}  // namespace

std::FILE* TovFopen(LPCSTR path, LPCSTR modeText) {
    Mode mode;
    if (path == nullptr || !parseMode(modeText, mode)) {
        errno = EINVAL;
        return TovFail(ERROR_INVALID_PARAMETER, nullptr);
    }
    HANDLE file = CreateFileA(path, mode.access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              mode.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        errno = TovErrnoFromWin32Error(GetLastError());
        return nullptr;
    }
    auto* stream = new Stream(file, mode);
    cookie_io_functions_t functions{streamRead, streamWrite, streamSeek, streamClose};
    std::FILE* opened = fopencookie(stream, mode.cookieMode.c_str(), functions);
    if (opened == nullptr) {
        delete stream;
        return TovFail(ERROR_NOT_ENOUGH_MEMORY, nullptr);
    }
    if (mode.text) {
        setvbuf(opened, nullptr, _IONBF, 0);
        stream->attach(opened);
    }
    SetLastError(ERROR_SUCCESS);
    return opened;
}

BOOL TovRedirectStdout(LPCSTR path, LPCSTR mode) {
    std::lock_guard<std::mutex> guard(gRedirectLock);
    std::FILE* previous = gRedirected;
    if (path == nullptr) {
        std::fflush(stdout);
        stdout = TovConsoleStream();
        gRedirected = nullptr;
    } else {
        std::FILE* file = TovFopen(path, mode != nullptr ? mode : "a");
        if (file == nullptr) {
            return FALSE;
        }
        std::fflush(stdout);
        stdout = file;
        gRedirected = file;
    }
    if (previous != nullptr) {
        std::fclose(previous);
    }
    return TRUE;
}
