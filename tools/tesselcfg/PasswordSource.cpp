#include "tools/tesselcfg/PasswordSource.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

namespace tesselcfg {
namespace {

// A password is a line; more than this is not one.
constexpr std::size_t kMaxPasswordInput = 4096;

// The terminal whose echo is off, so that an interrupt turns it back on.
int gTerminal = -1;
termios gSaved{};

void restoreEcho(int signal) {
    if (gTerminal >= 0) {
        ::tcsetattr(gTerminal, TCSAFLUSH, &gSaved);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

std::string readLimited(std::istream& in) {
    std::string text;
    char buffer[512];
    while (text.size() <= kMaxPasswordInput && text.find('\n') == std::string::npos &&
           in.read(buffer, sizeof buffer).gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    return text;
}

std::string askTerminal(const std::string& prompt) {
    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (tty < 0) {
        throw PasswordError(
            "no terminal to ask for the password; use --password-file FILE or "
            "--password-stdin");
    }
    termios quiet{};
    if (::tcgetattr(tty, &gSaved) != 0) {
        ::close(tty);
        throw PasswordError(std::string("terminal: ") + std::strerror(errno));
    }
    quiet = gSaved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    gTerminal = tty;
    auto oldInt = ::signal(SIGINT, restoreEcho);
    auto oldTerm = ::signal(SIGTERM, restoreEcho);
    ::tcsetattr(tty, TCSAFLUSH, &quiet);
    (void)!::write(tty, prompt.data(), prompt.size());
    std::string line;
    char c;
    ssize_t got;
    while ((got = ::read(tty, &c, 1)) == 1 && c != '\n' && line.size() <= kMaxPasswordInput) {
        line += c;
    }
    ::tcsetattr(tty, TCSAFLUSH, &gSaved);
    gTerminal = -1;
    ::signal(SIGINT, oldInt);
    ::signal(SIGTERM, oldTerm);
    (void)!::write(tty, "\n", 1);
    ::close(tty);
    return line;
}

}  // namespace

std::string firstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

std::string readPassword(const PasswordSource& source, const std::string& prompt, Confirm confirm) {
    std::string password;
    if (!source.file.empty()) {
        std::ifstream in(source.file, std::ios::binary);
        if (!in) {
            throw PasswordError("cannot read the password file " + source.file);
        }
        password = firstLine(readLimited(in));
    } else if (source.stdinput) {
        password = firstLine(readLimited(std::cin));
    } else {
        password = askTerminal(prompt);
        if (confirm == Confirm::Twice && !password.empty() && askTerminal("Again: ") != password) {
            throw PasswordError("the two entries differ");
        }
    }
    if (password.size() > kMaxPasswordInput) {
        throw PasswordError("the password is longer than " + std::to_string(kMaxPasswordInput) +
                            " bytes");
    }
    if (password.empty()) {
        throw PasswordError("the password is empty");
    }
    return password;
}

}  // namespace tesselcfg
