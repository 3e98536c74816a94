// Snapshot of one section's keys and value texts, taken when the iterator is created.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "config/ConfigKeyIter.h"

namespace rx_fwk {

class FileIO_KeyIterator : public ConfigKeyIter {
public:
    using Entry = std::pair<std::string, std::string>;  // key, value text

    explicit FileIO_KeyIterator(std::vector<Entry> entries);

    bool next() override;
    bool atEnd() override;
    std::string key() override;
    std::string value() override;

private:
    std::vector<Entry> entries_;
    std::size_t position_ = 0;
};

}  // namespace rx_fwk
