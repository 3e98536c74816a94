// Snapshot iterator over the keys of one section.
#include "config/FileIO_KeyIterator.h"

namespace rx_fwk {

FileIO_KeyIterator::FileIO_KeyIterator(std::vector<Entry> entries) : entries_(std::move(entries)) {}

bool FileIO_KeyIterator::next() {
    if (atEnd()) {
        return false;
    }
    ++position_;
    return true;
}

bool FileIO_KeyIterator::atEnd() {
    return position_ >= entries_.size();
}

std::string FileIO_KeyIterator::key() {
    return atEnd() ? std::string() : entries_[position_].first;
}

std::string FileIO_KeyIterator::value() {
    return atEnd() ? std::string() : entries_[position_].second;
}

}  // namespace rx_fwk
