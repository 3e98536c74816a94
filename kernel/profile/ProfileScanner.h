// The line scanner of the kernel's profile reader: finds a value, a key list, a section
// list or a section's lines in one profile text.
#pragma once

#include <string>

#include "kernel/profile/ProfileText.h"

namespace kprofile {

enum class ProfileQuery {
    Value,         // the value of `key` in `section`
    KeyNames,      // the keys of `section`
    SectionNames,  // every section of the text
    SectionLines,  // every line of `section`, comments included
};

// Longest section or key name the scanner accepts; longer names never match.
constexpr std::size_t kProfileNameMax = 255;

// Fills `out` (lists as NUL-terminated entries, without the closing extra NUL) and tells
// whether the key (for Value), the section (for KeyNames and SectionLines) or any section
// (for SectionNames) was found. Only the first block of a repeated section is consulted.
bool scanProfile(ProfileText& text, ProfileQuery query, const char* section, const char* key,
                 std::string& out);

}  // namespace kprofile
