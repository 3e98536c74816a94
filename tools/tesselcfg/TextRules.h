// Texts the tool sends for a controller to store: bounded, and on one line.
#pragma once

#include <cstddef>
#include <string>

namespace tesselcfg {

// Why the text cannot go into an area of `capacity` bytes, empty when it can. Control
// characters are refused: a controller's settings are lines of text.
std::string textProblem(const std::string& text, std::size_t capacity, const std::string& what);

}  // namespace tesselcfg
