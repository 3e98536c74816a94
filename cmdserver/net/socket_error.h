// Socket failures as exceptions with portable error codes, and the translation between
// those codes and WinSock's.
#pragma once

#include <exception>

namespace rx_fwk {

// Portable socket error codes.
enum SocketErrorCode : int {
    SockErrOther = 0,
    SockErrInvalidArgument = 1,
    SockErrNetworkDown = 2,
    SockErrNotConnected = 3,
    SockErrTooManySockets = 4,
    SockErrProtocolNotSupported = 5,
    SockErrSettingOnly = 6,
    SockErrAddressInUse = 7,
    SockErrAddressNotAvailable = 8,
    SockErrNotASocket = 9,
    SockErrTimedOut = 10,
    SockErrMessageTooLarge = 11,
    SockErrWouldBlock = 12,
};

// A deadline has no WinSock code: the wrappers store this private one as the last error.
constexpr int kSocketTimeoutCode = 0x20000001;

class socket_error : public std::exception {
public:
    // code -1 takes the thread's last socket error; `translate` turns a WinSock code into
    // the portable one.
    explicit socket_error(int code = -1, bool translate = true);

    int code() const { return code_; }
    const char* what() const noexcept override { return text_; }

    static int toPortable(int winsockCode);
    static int toWinSock(int portableCode);

private:
    int code_;
    char text_[32];
};

// Stores a portable code (translated) or, with `raw`, a WinSock code as the last error.
void setLastSocketError(int code, bool raw = false);

}  // namespace rx_fwk
