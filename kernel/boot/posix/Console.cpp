// The console: a stream over descriptor 1 that follows the cursor through what passes
// (text, \n, \r, \t, \b and cursor-moving escape sequences), so the position is known on a
// terminal and on a plain stream alike. Moves are relative escape sequences on a terminal,
// which stay right when the screen scrolls; on a plain stream nothing can be rewritten, so
// a move only changes the tracked position and output continues "there" logically.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "kernel/base/posix/Win32Error.h"
#include "kernel/boot/Console.h"
#include "kernel/boot/posix/ConsoleStream.h"

namespace {

constexpr long kTabWidth = 8;

class Cursor {
public:
    // Follows the bytes written to the console.
    void follow(const char* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            step(static_cast<unsigned char>(data[i]));
        }
    }

    long row = 0;
    long column = 0;

private:
    enum class State { Text, Escape, Sequence };

    void step(unsigned char c) {
        switch (state_) {
            case State::Escape:
                state_ = c == '[' ? State::Sequence : State::Text;
                parameters_.clear();
                return;
            case State::Sequence:
                if (c >= 0x40 && c <= 0x7E) {
                    apply(static_cast<char>(c));
                    state_ = State::Text;
                } else if (c >= 0x30 && c <= 0x3F) {
                    parameters_ += static_cast<char>(c);
                }
                return;
            case State::Text:
                break;
        }
        if (c == 0x1B) {
            state_ = State::Escape;
        } else if (c == '\n') {
            ++row;
            column = 0;
        } else if (c == '\r') {
            column = 0;
        } else if (c == '\t') {
            column = (column / kTabWidth + 1) * kTabWidth;
        } else if (c == '\b') {
            column = std::max(0L, column - 1);
        } else if (c >= 0x20 && c != 0x7F && (c & 0xC0) != 0x80) {
            ++column;  // one column per character, not per byte of its UTF-8 form
        }
    }

    // The n-th parameter of the sequence, or `fallback` when it is absent or 0.
    long parameter(int index, long fallback) const {
        std::size_t start = 0;
        for (int i = 0; i < index; ++i) {
            start = parameters_.find(';', start);
            if (start == std::string::npos) {
                return fallback;
            }
            ++start;
        }
        long value = std::strtol(parameters_.c_str() + start, nullptr, 10);
        return value > 0 ? value : fallback;
    }

    void apply(char final) {
        long n = parameter(0, 1);
        switch (final) {
            case 'A':
                row = std::max(0L, row - n);
                break;
            case 'B':
                row += n;
                break;
            case 'C':
                column += n;
                break;
            case 'D':
                column = std::max(0L, column - n);
                break;
            case 'E':
                row += n;
                column = 0;
                break;
            case 'F':
                row = std::max(0L, row - n);
                column = 0;
                break;
            case 'G':
                column = n - 1;
                break;
            case 'H':
            case 'f':
                row = n - 1;
                column = parameter(1, 1) - 1;
                break;
            default:  // colours, erasing: no move
                break;
        }
    }

    State state_ = State::Text;
    std::string parameters_;
};

std::mutex gLock;
Cursor gCursor;
bool gTerminal = false;
int gMode = 0;
std::FILE* gConsole = nullptr;

bool writeAll(const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t count = write(STDOUT_FILENO, data, size);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        data += count;
        size -= static_cast<std::size_t>(count);
    }
    return true;
}

ssize_t consoleWrite(void*, const char* data, std::size_t size) {
    std::lock_guard<std::mutex> guard(gLock);
    gCursor.follow(data, size);
    // Output that cannot be delivered (a closed pipe) is dropped, as on a console with
    // nothing attached; the application goes on.
    writeAll(data, size);
    return static_cast<ssize_t>(size);
}

short toCoordinate(long value) {
    return static_cast<short>(std::min<long>(value, SHRT_MAX));
}

}  // namespace

void TovInstallConsole() {
    static std::once_flag once;
    std::call_once(once, [] {
        std::fflush(stdout);
        gTerminal = isatty(STDOUT_FILENO) != 0;
        cookie_io_functions_t functions{nullptr, consoleWrite, nullptr, nullptr};
        gConsole = fopencookie(nullptr, "w", functions);
        if (gConsole == nullptr) {
            return;
        }
        // Line by line, on a terminal and on a pipe alike: a console shows what is printed
        // as it is printed, and whoever reads the pipe sees progress as it happens.
        setvbuf(gConsole, nullptr, _IOLBF, BUFSIZ);
        stdout = gConsole;
    });
}

std::FILE* TovConsoleStream() {
    return gConsole != nullptr ? gConsole : stdout;
}

BOOL TovGetConsoleCursor(COORD* position) {
    if (position == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    if (gConsole != nullptr) {
        std::fflush(gConsole);  // what is buffered has not moved the cursor yet
    }
    std::lock_guard<std::mutex> guard(gLock);
    position->X = toCoordinate(gCursor.column);
    position->Y = toCoordinate(gCursor.row);
    return TRUE;
}

BOOL TovSetConsoleCursor(COORD position) {
    if (position.X < 0 || position.Y < 0) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    if (gConsole != nullptr) {
        std::fflush(gConsole);
    }
    std::lock_guard<std::mutex> guard(gLock);
    if (gTerminal) {
        std::string move;
        long rows = position.Y - std::min<long>(gCursor.row, SHRT_MAX);
        if (rows != 0) {
            move += "\x1b[" + std::to_string(std::labs(rows)) + (rows < 0 ? "A" : "B");
        }
        move += '\r';
        if (position.X > 0) {
            move += "\x1b[" + std::to_string(position.X) + "C";
        }
        writeAll(move.data(), move.size());
    }
    gCursor.row = position.Y;
    gCursor.column = position.X;
    return TRUE;
}

BOOL TovConsoleCanRewrite() {
    std::lock_guard<std::mutex> guard(gLock);
    return gTerminal ? TRUE : FALSE;
}

BOOL TovSetConsoleMode(int mode) {
    if (mode < 0 || mode > 3) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::lock_guard<std::mutex> guard(gLock);
    gMode = mode;
    return TRUE;
}

int TovGetConsoleMode() {
    std::lock_guard<std::mutex> guard(gLock);
    return gMode;
}
