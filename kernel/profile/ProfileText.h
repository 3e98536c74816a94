// Where the profile scanner takes its bytes from: a buffer in memory or an open file.
#pragma once

#include <cstddef>

#include "kernel/base/Win32Types.h"

namespace kprofile {

class ProfileText {
public:
    virtual ~ProfileText() = default;
    // The next byte, or -1 at the end.
    virtual int next() = 0;
};

class MemoryProfileText : public ProfileText {
public:
    MemoryProfileText(const char* data, std::size_t size) : data_(data), end_(data + size) {}
    int next() override { return data_ < end_ ? static_cast<unsigned char>(*data_++) : -1; }

private:
    const char* data_;
    const char* end_;
};

// Reads ahead in blocks; a read error ends the text, and so does the end of the first
// `limit` bytes.
class FileProfileText : public ProfileText {
public:
    explicit FileProfileText(HANDLE file, ULONGLONG limit = ~ULONGLONG{0})
        : file_(file), left_(limit) {}
    int next() override;
    // The text was ended at the limit with more bytes in the file.
    bool cut() const { return cut_; }

private:
    HANDLE file_;
    char block_[1024];
    DWORD filled_ = 0;
    DWORD position_ = 0;
    ULONGLONG left_;
    bool ended_ = false;
    bool cut_ = false;
};

}  // namespace kprofile
