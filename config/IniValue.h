// The value of one INI key, with the quotes it carries in the file.
#pragma once

#include <cstdint>
#include <string>

namespace rx_fwk {

enum class QuoteKind : std::int32_t { None = 0, Single = 1, Double = 2 };

struct IniValue {
    std::string text;  // quotes already removed
    QuoteKind quoteKind = QuoteKind::None;

    // A raw value as read from a file: one level of matching quotes is removed.
    static IniValue fromFile(const std::string& raw);
    // A value handed to set: quoted only where the file would otherwise lose bytes of it.
    static IniValue fromProgram(const std::string& value);

    // The quote character written around the text ("" for None).
    const char* quote() const;

    bool operator==(const IniValue& other) const {
        return quoteKind == other.quoteKind && text == other.text;
    }
    bool operator!=(const IniValue& other) const { return !(*this == other); }
};

}  // namespace rx_fwk
