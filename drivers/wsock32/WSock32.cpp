// wsock32.dll: the WinSock subset under its C names, for DLLs that import their sockets from
// this module. Every call is the kernel's own (the same sockets, limit and last error).
#include "kernel/module/DllExport.h"
#include "kernel/net/WinSock.h"

// The exports are C functions of their own namespace, so that their names do not meet the
// kernel's functions of the same names (C++ functions of the global namespace).
namespace wsock32 {

TOV_DLL_EXPORT int WSAStartup(WORD versionRequested, WSADATA* data) {
    return ::WSAStartup(versionRequested, data);
}
TOV_DLL_EXPORT int WSACleanup() {
    return ::WSACleanup();
}
TOV_DLL_EXPORT int WSAGetLastError() {
    return ::WSAGetLastError();
}
TOV_DLL_EXPORT void WSASetLastError(int error) {
    ::WSASetLastError(error);
}
TOV_DLL_EXPORT SOCKET socket(int family, int type, int protocol) {
    return ::socket(family, type, protocol);
}
TOV_DLL_EXPORT int bind(SOCKET s, const sockaddr* address, int length) {
    return ::bind(s, address, length);
}
TOV_DLL_EXPORT int connect(SOCKET s, const sockaddr* address, int length) {
    return ::connect(s, address, length);
}
TOV_DLL_EXPORT int listen(SOCKET s, int backlog) {
    return ::listen(s, backlog);
}
TOV_DLL_EXPORT SOCKET accept(SOCKET s, sockaddr* address, int* length) {
    return ::accept(s, address, length);
}
TOV_DLL_EXPORT int send(SOCKET s, const char* bytes, int length, int flags) {
    return ::send(s, bytes, length, flags);
}
TOV_DLL_EXPORT int recv(SOCKET s, char* buffer, int length, int flags) {
    return ::recv(s, buffer, length, flags);
}
TOV_DLL_EXPORT int sendto(SOCKET s, const char* bytes, int length, int flags, const sockaddr* to,
                          int toLength) {
    return ::sendto(s, bytes, length, flags, to, toLength);
}
TOV_DLL_EXPORT int recvfrom(SOCKET s, char* buffer, int length, int flags, sockaddr* from,
                            int* fromLength) {
    return ::recvfrom(s, buffer, length, flags, from, fromLength);
}
TOV_DLL_EXPORT int select(int ignored, WSAFDSET* readSet, WSAFDSET* writeSet, WSAFDSET* exceptSet,
                          const TIMEVAL* timeout) {
    return ::select(ignored, readSet, writeSet, exceptSet, timeout);
}
TOV_DLL_EXPORT int getsockname(SOCKET s, sockaddr* address, int* length) {
    return ::getsockname(s, address, length);
}
TOV_DLL_EXPORT int getpeername(SOCKET s, sockaddr* address, int* length) {
    return ::getpeername(s, address, length);
}
TOV_DLL_EXPORT int setsockopt(SOCKET s, int level, int name, const char* value, int length) {
    return ::setsockopt(s, level, name, value, length);
}
TOV_DLL_EXPORT int ioctlsocket(SOCKET s, long command, std::uint32_t* argument) {
    return ::ioctlsocket(s, command, argument);
}
TOV_DLL_EXPORT int closesocket(SOCKET s) {
    return ::closesocket(s);
}
TOV_DLL_EXPORT int shutdown(SOCKET s, int how) {
    return ::shutdown(s, how);
}
TOV_DLL_EXPORT int gethostname(char* name, int length) {
    return ::gethostname(name, length);
}
TOV_DLL_EXPORT hostent* gethostbyname(const char* name) {
    return ::gethostbyname(name);
}
TOV_DLL_EXPORT std::uint32_t inet_addr(const char* text) {
    return ::inet_addr(text);
}
TOV_DLL_EXPORT char* inet_ntoa(in_addr address) {
    return ::inet_ntoa(address);
}
TOV_DLL_EXPORT std::uint16_t htons(std::uint16_t value) {
    return ::htons(value);
}
TOV_DLL_EXPORT std::uint16_t ntohs(std::uint16_t value) {
    return ::ntohs(value);
}
TOV_DLL_EXPORT std::uint32_t htonl(std::uint32_t value) {
    return ::htonl(value);
}
TOV_DLL_EXPORT std::uint32_t ntohl(std::uint32_t value) {
    return ::ntohl(value);
}
// What WinSock's FD_ISSET calls.
TOV_DLL_EXPORT int __WSAFDIsSet(SOCKET s, WSAFDSET* set) {
    return ::WSAFD_ISSET(s, set) ? 1 : 0;
}

}  // namespace wsock32
