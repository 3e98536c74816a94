// ZIP archives for tests, written by Python's zipfile module so that they are real archives.
#pragma once

#include <string>
#include <vector>

namespace lbtest {

struct ZipMember {
    std::string name;  // a name ending in "/" is a directory entry
    std::string data;
    bool deflated = false;
};

// The bytes of an archive of `members` (in this order) with the given archive comment. All
// members carry the date 2021-06-15 10:30:24.
std::string makeZip(const std::vector<ZipMember>& members, const std::string& comment = "");

}  // namespace lbtest
