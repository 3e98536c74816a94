// Which names and values the INI model stores: only those that read back from the file as
// they were given, so that text from outside never becomes structure in a settings file.
#pragma once

#include <string>

namespace rx_fwk {

// No CR, LF or NUL (a line break would start a new line, a key or a section).
bool isStorableIniValue(const std::string& value);
// Not empty, no blank at either end, no leading '#', ';' or '[', no '=' and no line break.
bool isStorableIniKey(const std::string& key);
// Not empty, no blank at either end, no leading '#' or ';', no ']' and no line break.
bool isStorableIniSection(const std::string& section);

}  // namespace rx_fwk
