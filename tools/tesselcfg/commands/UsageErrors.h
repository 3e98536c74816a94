// Usage errors as a newcomer meets them: said plainly, with the program's name, exit
// status 2.
#pragma once

#include <CLI/CLI.hpp>

namespace tesselcfg {

// A number of seconds above zero (CLI11's own range check would print the largest double).
CLI::Validator positiveSeconds();

// Prints what the parse error means (help and --version go to standard output) and answers
// the exit status: 0 for help and --version, 2 otherwise.
int usageExit(CLI::App& app, const CLI::ParseError& error);

}  // namespace tesselcfg
