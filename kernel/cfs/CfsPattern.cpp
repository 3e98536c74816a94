// Wildcard match as a set of pattern positions advanced one name character at a time, so that
// a pattern full of `*` costs no more than pattern length times name length.
#include "kernel/cfs/CfsPattern.h"

#include <cstring>
#include <vector>

#include "kernel/cfs/CfsFileTable.h"

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

// Adds the positions reachable from the marked ones without consuming a character: past a
// `*` (empty run), and at the end of the name past a `.`.
void close(const char* pattern, std::size_t length, std::vector<char>& states, bool nameEnded) {
    for (std::size_t i = 0; i < length; ++i) {
        if (states[i] && (pattern[i] == '*' || (nameEnded && pattern[i] == '.'))) {
            states[i + 1] = 1;
        }
    }
}

}  // namespace

bool cfsPatternMatch(const char* pattern, const char* name, std::size_t nameLength) {
    if (isSeparator(*pattern)) {
        ++pattern;
    }
    const std::size_t length = std::strlen(pattern);
    std::vector<char> states(length + 1, 0);
    std::vector<char> next(length + 1, 0);
    states[0] = 1;
    close(pattern, length, states, nameLength == 0);

    for (std::size_t n = 0; n < nameLength; ++n) {
        const char c = name[n];
        std::fill(next.begin(), next.end(), 0);
        bool any = false;
        for (std::size_t i = 0; i < length; ++i) {
            if (!states[i]) {
                continue;
            }
            if (pattern[i] == '*') {
                if (!isSeparator(c)) {
                    next[i] = 1;
                    any = true;
                }
            } else if (pattern[i] == '?' || cfsSameNameChar(pattern[i], c)) {
                next[i + 1] = 1;
                any = true;
            }
        }
        if (!any) {
            return false;
        }
        states.swap(next);
        close(pattern, length, states, n + 1 == nameLength);
    }
    return states[length] != 0;
}
