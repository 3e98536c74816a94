#include "tools/tesselcfg/TextRules.h"

namespace tesselcfg {

std::string textProblem(const std::string& text, std::size_t capacity, const std::string& what) {
    if (text.size() > capacity) {
        return "the " + what + " has " + std::to_string(text.size()) + " bytes, at most " +
               std::to_string(capacity) + " fit";
    }
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return "the " + what + " holds a control character";
        }
    }
    return "";
}

}  // namespace tesselcfg
