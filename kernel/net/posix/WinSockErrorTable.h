// The one translation of host errno values into WinSock error codes.
#pragma once

// An errno without a WinSock counterpart reads as WSAEINVAL.
int wsaErrorFromErrno(int error);

// Stores the translation of errno as the thread's last error; answers -1 for the caller.
int failWithErrno();
// Stores a WinSock code as the thread's last error; answers -1.
int failWith(int wsaError);
