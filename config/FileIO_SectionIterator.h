// Snapshot of a model's section names, taken when the iterator is created.
#pragma once

#include <string>
#include <vector>

#include "config/ConfigSectionIter.h"

namespace rx_fwk {

class FileIO_SectionIterator : public ConfigSectionIter {
public:
    explicit FileIO_SectionIterator(std::vector<std::string> names);

    bool next() override;
    bool atEnd() override;
    std::string name() override;

private:
    std::vector<std::string> names_;
    std::size_t position_ = 0;
};

}  // namespace rx_fwk
