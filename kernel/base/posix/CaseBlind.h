// Names compared without regard to case, as the controller compares file and variable names.
#pragma once

#include <strings.h>

#include <string>

inline bool TovSameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

struct TovCaseBlindLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    }
};
