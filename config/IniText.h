// Byte-level rules shared by the INI reader, writer and maps: white space and case folding.
#pragma once

#include <cstddef>
#include <string>

namespace rx_fwk {

// The UTF-8 byte-order mark some editors put before the first line; it is not part of the
// text, but a file that had one keeps it.
constexpr char kIniByteOrderMark[] = "\xEF\xBB\xBF";
constexpr std::size_t kIniByteOrderMarkSize = sizeof(kIniByteOrderMark) - 1;

inline bool startsWithIniByteOrderMark(const char* data, std::size_t size) {
    return size >= kIniByteOrderMarkSize &&
           std::string(data, kIniByteOrderMarkSize) == kIniByteOrderMark;
}

// The C library's white space in the default locale.
inline bool isIniSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Only ASCII letters fold; bytes 128-255 compare as they are.
inline unsigned char foldIniByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

inline std::string trimIni(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isIniSpace(static_cast<unsigned char>(text[begin]))) {
        ++begin;
    }
    while (end > begin && isIniSpace(static_cast<unsigned char>(text[end - 1]))) {
        --end;
    }
    return text.substr(begin, end - begin);
}

// <0, 0, >0 like strcmp, on folded unsigned bytes; a prefix sorts first.
inline int compareIniNames(const std::string& a, const std::string& b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = foldIniByte(static_cast<unsigned char>(a[i]));
        const unsigned char y = foldIniByte(static_cast<unsigned char>(b[i]));
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

inline bool sameIniName(const std::string& a, const std::string& b) {
    return compareIniNames(a, b) == 0;
}

}  // namespace rx_fwk
