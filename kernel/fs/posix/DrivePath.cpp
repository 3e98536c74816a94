// Lexical handling of Win32 paths on a drive.
#include "kernel/fs/posix/DrivePath.h"

#include <cctype>
#include <cstring>

namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool validName(const std::string& name, bool wildcards) {
    for (unsigned char c : name) {
        if (c < 0x20 || std::strchr("<>:\"|", c) != nullptr) {
            return false;
        }
        if (!wildcards && (c == '*' || c == '?')) {
            return false;
        }
    }
    return true;
}

// Win32 drops trailing dots and spaces of a name ("a.txt." is "a.txt").
std::string trimmed(const std::string& name) {
    std::size_t end = name.find_last_not_of(". ");
    return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

}  // namespace

DWORD TovParseDrivePath(LPCSTR path, const TovPathComponents& currentDirectory, TovNameCheck check,
                        TovDrivePath& parsed) {
    if (*path == '\0') {
        return ERROR_PATH_NOT_FOUND;
    }
    if (std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
        path += 2;
    }
    parsed = TovDrivePath();
    if (!isSeparator(*path)) {
        parsed.components = currentDirectory;
    }
    std::size_t length = std::strlen(path);
    parsed.trailingSeparator = length > 0 && isSeparator(path[length - 1]);

    std::vector<std::string> written;  // as the caller wrote them, for the name check
    const char* cursor = path;
    while (*cursor != '\0') {
        while (isSeparator(*cursor)) {
            ++cursor;
        }
        const char* start = cursor;
        while (*cursor != '\0' && !isSeparator(*cursor)) {
            ++cursor;
        }
        if (cursor != start) {
            written.emplace_back(start, cursor);
        }
    }
    for (std::size_t i = 0; i < written.size(); ++i) {
        const std::string& name = written[i];
        if (name == ".") {
            continue;
        }
        if (name == "..") {
            if (!parsed.components.empty()) {
                parsed.components.pop_back();
            }
            continue;
        }
        bool last = i + 1 == written.size();
        if (check != TovNameCheck::None &&
            !validName(name, check == TovNameCheck::Pattern && last)) {
            return ERROR_INVALID_NAME;
        }
        // A pattern keeps its trailing dot: "*." matches the names without an extension.
        std::string kept = check == TovNameCheck::Pattern && last ? name : trimmed(name);
        if (!kept.empty()) {
            parsed.components.push_back(std::move(kept));
        }
    }
    if (check != TovNameCheck::None &&
        TovJoinDrivePath('C', parsed.components).size() >= MAX_PATH) {
        return ERROR_FILENAME_EXCED_RANGE;
    }
    return 0;
}

std::string TovJoinDrivePath(char letter, const TovPathComponents& components) {
    std::string joined{letter, ':'};
    for (const std::string& name : components) {
        joined += '\\';
        joined += name;
    }
    if (components.empty()) {
        joined += '\\';
    }
    return joined;
}

namespace {

// Backtracking over `*` with a memo of the (pattern, name) positions that failed once: a
// pattern full of stars costs at most pattern length times name length.
class NameMatch {
public:
    NameMatch(const std::string& pattern, const std::string& name)
        : pattern_(pattern.c_str()),
          name_(name.c_str()),
          nameLength_(name.size() + 1),
          failed_((pattern.size() + 1) * nameLength_, 0) {}

    bool from(const char* pattern, const char* name) {
        for (;;) {
            if (*pattern == '\0') {
                return *name == '\0';
            }
            if (*name == '\0') {
                // What is left of the pattern may match nothing: "*", ".*", "*.*".
                while (*pattern == '*') {
                    ++pattern;
                }
                if (pattern[0] == '.' && pattern[1] == '*') {
                    ++pattern;
                    while (*pattern == '*') {
                        ++pattern;
                    }
                }
                return *pattern == '\0';
            }
            if (*pattern == '*') {
                char& failed = failed_[std::size_t(pattern - pattern_) * nameLength_ +
                                       std::size_t(name - name_)];
                if (failed) {
                    return false;
                }
                for (const char* rest = name;; ++rest) {
                    if (from(pattern + 1, rest)) {
                        return true;
                    }
                    if (*rest == '\0') {
                        failed = 1;
                        return false;
                    }
                }
            }
            if (*pattern != '?' && std::tolower(static_cast<unsigned char>(*pattern)) !=
                                       std::tolower(static_cast<unsigned char>(*name))) {
                return false;
            }
            ++pattern;
            ++name;
        }
    }

private:
    const char* pattern_;
    const char* name_;
    std::size_t nameLength_;
    std::vector<char> failed_;
};

bool matchFrom(const std::string& pattern, const std::string& name) {
    NameMatch match(pattern, name);
    return match.from(pattern.c_str(), name.c_str());
}

}  // namespace

bool TovMatchNamePattern(const std::string& pattern, const std::string& name) {
    // "name." and "*." match names without an extension.
    if (pattern.size() > 1 && pattern.back() == '.' &&
        pattern.find_first_not_of('.') != std::string::npos) {
        return name.find('.') == std::string::npos &&
               matchFrom(pattern.substr(0, pattern.size() - 1), name);
    }
    return matchFrom(pattern, name);
}
