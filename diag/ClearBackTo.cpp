#include "diag/ClearBackTo.h"

#include <cstdio>

namespace nZUEmbCfg {

void clearBackTo(COORD position) {
    COORD before{0, 0};
    TovGetConsoleCursor(&before);
    TovSetConsoleCursor(position);
    const bool behind = before.Y > position.Y || (before.Y == position.Y && before.X > position.X);
    if (behind && TovConsoleIsTerminal()) {
        // Whole rows are erased to their end, whatever the terminal's width; the last row is
        // blanked up to where the cursor was.
        short column = position.X;
        for (short row = position.Y; row < before.Y; ++row) {
            std::fputs("\x1b[K\n", stdout);
            column = 0;
        }
        for (; column < before.X; ++column) {
            std::fputc(' ', stdout);
        }
        std::fflush(stdout);
    }
    TovSetConsoleCursor(position);
}

}  // namespace nZUEmbCfg
