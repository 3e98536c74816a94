// Writing rules of the INI syntax.
#include "config/IniWriter.h"

namespace rx_fwk {

std::string renderIniText(const SectionMap& model) {
    std::string out;
    for (const auto& [section, keys] : model) {
        if (keys.empty()) {
            continue;
        }
        out += '[';
        out += section;
        out += "]\r\n";
        for (const auto& [key, value] : keys) {
            out += key;
            out += '=';
            // An empty text is written bare, whatever its quote kind.
            if (!value.text.empty()) {
                out += value.quote();
                out += value.text;
                out += value.quote();
            }
            out += "\r\n";
        }
        out += "\r\n";
    }
    return out;
}

}  // namespace rx_fwk
