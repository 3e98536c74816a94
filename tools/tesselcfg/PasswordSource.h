// Where a password comes from: the terminal without echo, a file, or standard input. It
// never comes from the command line, where other users of the host could read it.
#pragma once

#include <stdexcept>
#include <string>

namespace tesselcfg {

class PasswordError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct PasswordSource {
    std::string file;       // --password-file
    bool stdinput = false;  // --password-stdin
};

enum class Confirm { Once, Twice };

// The first line of the file or of standard input, or what is typed at the terminal
// (`Twice` asks again and compares). Throws PasswordError for an empty password, a missing
// file or no terminal.
std::string readPassword(const PasswordSource& source, const std::string& prompt, Confirm confirm);

// The text up to its first line end ("\n" or "\r\n").
std::string firstLine(const std::string& text);

}  // namespace tesselcfg
