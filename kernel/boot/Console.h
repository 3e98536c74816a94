// The console: standard output with a cursor that can be queried and moved.
#pragma once

#include "kernel/base/Win32Types.h"

struct COORD {
    short X;
    short Y;
};

// Position of the cursor on the console (0-based column and row). On a terminal the
// terminal is asked; on a plain stream the kernel tracks what went through standard output.
BOOL TovGetConsoleCursor(COORD* position);
BOOL TovSetConsoleCursor(COORD position);
// TRUE on a terminal, where a cursor move lets later output overwrite earlier output; FALSE
// on a plain stream, where nothing printed can be taken back.
BOOL TovConsoleCanRewrite();

// Console modes 0 to 3 of the controller; the kernel keeps the value.
BOOL TovSetConsoleMode(int mode);
int TovGetConsoleMode();
