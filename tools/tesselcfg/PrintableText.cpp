#include "tools/tesselcfg/PrintableText.h"

#include <cstdint>
#include <cstdio>

namespace tesselcfg {
namespace {

// Length of the valid UTF-8 sequence at `at` (1 for an ASCII byte), 0 when there is none.
std::size_t sequenceLength(const std::string& text, std::size_t at, std::uint32_t& code) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are no characters.
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
        return 0;
    }
    return length;
}

bool isControl(std::uint32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x061C || code == 0x200E ||
           code == 0x200F || (code >= 0x2028 && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069);
}

void escape(const std::string& text, std::size_t from, std::size_t count, std::string& out) {
    for (std::size_t i = from; i < from + count; ++i) {
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(text[i]));
        out += hex;
    }
}

}  // namespace

std::string printable(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        std::uint32_t code = 0;
        const std::size_t length = sequenceLength(text, at, code);
        if (length == 0) {
            escape(text, at, 1, out);
            ++at;
            continue;
        }
        if (isControl(code)) {
            escape(text, at, length, out);
        } else {
            out.append(text, at, length);
        }
        at += length;
    }
    return out;
}

bool isPrintableOutput(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        std::uint32_t code = 0;
        const std::size_t length = sequenceLength(text, at, code);
        if (length == 0 || (isControl(code) && code != '\n')) {
            return false;
        }
        at += length;
    }
    return true;
}

}  // namespace tesselcfg
