// Quote rules of INI values: how a raw file value and a program value become an IniValue.
#include "config/IniValue.h"

#include "config/IniText.h"

namespace rx_fwk {
namespace {

bool enclosedIn(const std::string& s, char quote) {
    return !s.empty() && s.front() == quote && s.back() == quote;
}

std::string strip(const std::string& raw) {
    // A lone quote character strips to nothing.
    return raw.size() < 2 ? std::string() : raw.substr(1, raw.size() - 2);
}

}  // namespace

IniValue IniValue::fromFile(const std::string& raw) {
    if (enclosedIn(raw, '\'')) {
        return IniValue{strip(raw), QuoteKind::Single};
    }
    if (enclosedIn(raw, '"')) {
        return IniValue{strip(raw), QuoteKind::Double};
    }
    return IniValue{raw, QuoteKind::None};
}

IniValue IniValue::fromProgram(const std::string& value) {
    // Double quotes keep edge blanks from being trimmed and an outer pair of quotes from
    // being taken for quoting when the file is read back.
    const bool needsQuotes =
        (!value.empty() && (isIniSpace(static_cast<unsigned char>(value.front())) ||
                            isIniSpace(static_cast<unsigned char>(value.back())))) ||
        enclosedIn(value, '\'') || enclosedIn(value, '"');
    return IniValue{value, needsQuotes ? QuoteKind::Double : QuoteKind::None};
}

const char* IniValue::quote() const {
    switch (quoteKind) {
        case QuoteKind::Single:
            return "'";
        case QuoteKind::Double:
            return "\"";
        case QuoteKind::None:
            break;
    }
    return "";
}

}  // namespace rx_fwk
