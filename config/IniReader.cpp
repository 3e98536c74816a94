// Reading rules of the INI syntax.
#include "config/IniReader.h"

#include <string>

#include "config/IniText.h"

namespace rx_fwk {
namespace {

void parseLine(const std::string& rawLine, std::string& section, SectionMap& model) {
    const std::string line = trimIni(rawLine);  // also drops the CR of a CR LF line end
    if (line.empty()) {
        return;
    }
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
        // Not trimmed again: a blank inside the brackets is part of the name.
        section = line.substr(1, line.size() - 2);
        return;
    }
    if (section.empty() || line.front() == '#') {
        return;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
        return;
    }
    const std::string key = trimIni(line.substr(0, equals));
    if (key.empty()) {
        return;
    }
    // operator[] keeps the spelling of an existing entry and replaces only its value.
    model[section][key] = IniValue::fromFile(trimIni(line.substr(equals + 1)));
}

}  // namespace

void parseIniText(const char* data, std::size_t size, SectionMap& model) {
    std::string section;
    // Left in, the mark would make the first header an ordinary line.
    std::size_t start = startsWithIniByteOrderMark(data, size) ? kIniByteOrderMarkSize : 0;
    while (start < size) {
        std::size_t end = start;
        while (end < size && data[end] != '\n') {
            ++end;
        }
        parseLine(std::string(data + start, end - start), section, model);
        start = end + 1;
    }
}

}  // namespace rx_fwk
