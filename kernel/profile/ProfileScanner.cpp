// The line scanner of the kernel's profile reader.
#include "kernel/profile/ProfileScanner.h"

#include <unordered_set>

namespace kprofile {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameAscii(const std::string& a, const char* b, std::size_t bLength) {
    if (a.size() != bLength) {
        return false;
    }
    for (std::size_t i = 0; i < bLength; ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::size_t length(const char* s) {
    std::size_t n = 0;
    while (s[n] != '\0') {
        ++n;
    }
    return n;
}

// Reads one line without its LF; false at the end of the text.
bool readLine(ProfileText& text, std::string& line) {
    line.clear();
    int c = text.next();
    if (c < 0) {
        return false;
    }
    while (c >= 0 && c != '\n') {
        line += static_cast<char>(c);
        c = text.next();
    }
    return true;
}

std::string withoutCR(const std::string& line, std::size_t from) {
    std::string out;
    for (std::size_t i = from; i < line.size(); ++i) {
        if (line[i] != '\r') {
            out += line[i];
        }
    }
    return out;
}

void trimTrailingBlanks(std::string& s) {
    while (!s.empty() && isBlank(s.back())) {
        s.pop_back();
    }
}

// Blanks and one opening quotation mark go; trailing blanks go, and a closing quotation mark
// followed only by blanks goes with them.
std::string valueOf(const std::string& line, std::size_t from) {
    while (from < line.size() && isBlank(line[from])) {
        ++from;
    }
    if (from < line.size() && line[from] == '"') {
        ++from;
    }
    std::string value = withoutCR(line, from);
    trimTrailingBlanks(value);
    if (!value.empty() && value.back() == '"') {
        value.pop_back();
        trimTrailingBlanks(value);
    }
    return value;
}

void appendEntry(std::string& out, const std::string& entry) {
    out += entry;
    out += '\0';
}

}  // namespace

bool scanProfile(ProfileText& text, ProfileQuery query, const char* section, const char* key,
                 std::string& out) {
    out.clear();
    std::size_t sectionLength = 0;
    if (query != ProfileQuery::SectionNames) {
        sectionLength = length(section);
        while (sectionLength > 0 && isBlank(section[sectionLength - 1])) {
            --sectionLength;
        }
    }
    const std::size_t keyLength = query == ProfileQuery::Value ? length(key) : 0;
    // Folded names of the sections listed so far: a file of many sections is listed in one
    // pass, not one comparison with every earlier name per header.
    std::unordered_set<std::string> sectionsSeen;
    bool inWanted = false;
    bool sectionFound = false;
    std::string line;
    bool firstLine = true;
    while (readLine(text, line)) {
        std::size_t p = 0;
        // A UTF-8 byte-order mark before the first line would hide a header there.
        if (firstLine && line.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            p = 3;
        }
        firstLine = false;
        while (p < line.size() && (isBlank(line[p]) || line[p] == '\r')) {
            ++p;
        }
        if (p == line.size()) {
            continue;
        }
        if (line[p] == ';') {
            if (inWanted && query == ProfileQuery::SectionLines) {
                appendEntry(out, withoutCR(line, p));
            }
            continue;
        }
        if (line[p] == '[') {
            const std::size_t close = line.find(']', p + 1);
            if (close == std::string::npos) {
                continue;  // a line end before ']' abandons the header
            }
            if (inWanted) {
                break;  // a later block of the same name is never read
            }
            const std::string name = withoutCR(line.substr(0, close), p + 1);
            if (name.size() > kProfileNameMax) {
                continue;
            }
            if (query == ProfileQuery::SectionNames) {
                std::string folded = name;
                for (char& c : folded) {
                    c = foldAscii(c);
                }
                if (!name.empty() && sectionsSeen.insert(std::move(folded)).second) {
                    appendEntry(out, name);
                }
                continue;
            }
            if (sameAscii(name, section, sectionLength)) {
                inWanted = true;
                sectionFound = true;
            }
            continue;
        }
        if (!inWanted) {
            continue;
        }
        if (query == ProfileQuery::SectionLines) {
            appendEntry(out, withoutCR(line, p));
            continue;
        }
        const std::size_t equals = line.find('=', p);
        if (equals == std::string::npos) {
            continue;
        }
        std::string name = line.substr(p, equals - p);
        trimTrailingBlanks(name);
        if (name.size() > kProfileNameMax) {
            continue;
        }
        if (query == ProfileQuery::KeyNames) {
            if (!name.empty()) {
                appendEntry(out, name);
            }
            continue;
        }
        if (sameAscii(name, key, keyLength)) {
            out = valueOf(line, equals + 1);
            return true;
        }
    }
    if (query == ProfileQuery::SectionNames) {
        return !sectionsSeen.empty();
    }
    return query == ProfileQuery::Value ? false : sectionFound;
}

}  // namespace kprofile
