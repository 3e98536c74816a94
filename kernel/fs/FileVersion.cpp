#include "kernel/fs/FileVersion.h"

bool operator==(const TovFileVersion& a, const TovFileVersion& b) {
    return a.volume == b.volume && a.index == b.index && a.size == b.size &&
           a.lastWrite == b.lastWrite && a.change == b.change;
}
