#include "config/IniEntryCheck.h"

#include "config/IniText.h"

namespace rx_fwk {
namespace {

bool hasLineBreak(const std::string& text) {
    return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

// What the reader trims or takes for a comment would not come back.
bool isStorableName(const std::string& name) {
    return !name.empty() && !hasLineBreak(name) &&
           !isIniSpace(static_cast<unsigned char>(name.front())) &&
           !isIniSpace(static_cast<unsigned char>(name.back())) && name.front() != '#' &&
           name.front() != ';';
}

}  // namespace

bool isStorableIniValue(const std::string& value) {
    return !hasLineBreak(value);
}

bool isStorableIniKey(const std::string& key) {
    // A key line that starts with '[' and whose value ends with ']' reads as a section.
    return isStorableName(key) && key.front() != '[' && key.find('=') == std::string::npos;
}

bool isStorableIniSection(const std::string& section) {
    return isStorableName(section) && section.find(']') == std::string::npos;
}

}  // namespace rx_fwk
