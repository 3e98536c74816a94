// The system's text for a Win32 error code, as messages show it.
#pragma once

#include "kernel/base/Win32Types.h"

// Never null; an unknown code gives a generic text.
LPCSTR TovErrorText(DWORD error);
