// Reports to the host's service manager (systemd), when it started the image and listens
// (NOTIFY_SOCKET); without one every call does nothing.
#pragma once

#include "kernel/base/Win32Types.h"

// Start-up has reported its final state: the controller is ready, `state` is its status.
void TovServiceReady(LPCSTR state);

// The kernel's own reports: a restart (the re-executed image reports ready again) and a
// power-off.
void TovServiceRestarting();
void TovServiceStopping();
