// Snapshot iterator over section names.
#include "config/FileIO_SectionIterator.h"

#include <utility>

namespace rx_fwk {

FileIO_SectionIterator::FileIO_SectionIterator(std::vector<std::string> names)
    : names_(std::move(names)) {}

bool FileIO_SectionIterator::next() {
    if (atEnd()) {
        return false;
    }
    ++position_;
    return true;
}

bool FileIO_SectionIterator::atEnd() {
    return position_ >= names_.size();
}

std::string FileIO_SectionIterator::name() {
    return atEnd() ? std::string() : names_[position_];
}

}  // namespace rx_fwk
