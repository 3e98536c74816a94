// The options that say where a password comes from; shared by lock, unlock and reset.
#pragma once

#include <CLI/CLI.hpp>

#include "tools/tesselcfg/PasswordSource.h"

namespace tesselcfg {

inline void addPasswordOptions(CLI::App* command, PasswordSource& source) {
    auto* file = command->add_option("--password-file", source.file,
                                     "Read the password from the first line of FILE");
    command
        ->add_flag("--password-stdin", source.stdinput,
                   "Read the password from the first line of standard input")
        ->excludes(file);
    command->footer(
        "The password is typed at the terminal without echo unless a file or standard input "
        "is named; it is never an argument. Only its hash is sent.");
}

inline bool passwordGiven(const PasswordSource& source) {
    return !source.file.empty() || source.stdinput;
}

}  // namespace tesselcfg
