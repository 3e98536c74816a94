// Texts a controller sent, made safe for a terminal: a hostile or broken controller must not
// move the cursor, change colours, reorder the line or start a new one in the tool's output.
#pragma once

#include <string>

namespace tesselcfg {

// The text with every byte that is not printable UTF-8 shown as \xNN: control characters
// (line ends included), DEL, bytes of no valid UTF-8 sequence, and the encoded C1 controls and
// bidirectional controls, byte by byte. Anything else, non-ASCII letters included, is kept.
std::string printable(const std::string& text);

// Whether `text` holds only what `printable` keeps, and line ends.
bool isPrintableOutput(const std::string& text);

}  // namespace tesselcfg
