// Block-buffered byte reading of a profile file.
#include "kernel/profile/ProfileText.h"

#include "kernel/fs/File.h"

namespace kprofile {

int FileProfileText::next() {
    if (position_ == filled_) {
        if (ended_) {
            return -1;
        }
        DWORD got = 0;
        if (!ReadFile(file_, block_, sizeof(block_), &got, nullptr) || got == 0) {
            ended_ = true;
            return -1;
        }
        if (got > left_) {
            got = static_cast<DWORD>(left_);
            ended_ = true;
            cut_ = true;
            if (got == 0) {
                return -1;
            }
        }
        left_ -= got;
        filled_ = got;
        position_ = 0;
    }
    return static_cast<unsigned char>(block_[position_++]);
}

}  // namespace kprofile
