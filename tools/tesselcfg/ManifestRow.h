// A manifest's rows as its format gives them, before their values are read: each cell with
// its key and the line it stands on, so that every refusal names the line.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tesselcfg {

struct ManifestCell {
    std::string key;
    int keyLine = 0;                   // where the key is written (a CSV file's header)
    std::optional<std::string> value;  // none: not given
    int line = 0;                      // where the value is written
};

struct ManifestRow {
    int line = 0;
    std::vector<ManifestCell> cells;
};

class ManifestError : public std::runtime_error {
public:
    ManifestError(int line, const std::string& message)
        : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line) {}
    int line() const { return line_; }

private:
    int line_;
};

}  // namespace tesselcfg
