// The text-encoding bridge: the process's conversions between the configured multi-byte
// character set and UTF-16, over the libiconv library that start-up loads from
// "libiconv.dll". Without the library only 7-bit ASCII converts.
#pragma once

#include <string>

#include "kernel/base/Win32Types.h"

namespace rx_fwk {

// The conversions fail with this last error when a character cannot be converted or the
// character set is unknown.
constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;

enum class TextEncodingStatus {
    Loaded = 0,
    NotLoaded = 1,
    EntryMissing = 2,  // the DLL lacks libiconv_open, libiconv or libiconv_close
};

// Loads "libiconv.dll" with the application's DLL load (a library loaded before is released
// first) and looks up its three entry points.
TextEncodingStatus loadTextEncodingLibrary();
// Releases the library; the 7-bit conversions are in force again.
void releaseTextEncodingLibrary();
TextEncodingStatus textEncodingStatus();

// The multi-byte character set: at most 29 characters of `name` are kept ("ASCII" until set).
void setTextEncodingCharacterSet(const std::string& name);
std::string textEncodingCharacterSet();

// MultiByteToWideChar's parameters; code page and flags are ignored. A source length of -1
// takes the text with its terminator. Without a destination (null, or a length of 0) the
// result is the number of UTF-16 units the text needs. 0 on failure with the last error:
// ERROR_NO_UNICODE_TRANSLATION (the character set is unknown, or a character has no
// counterpart), ERROR_INSUFFICIENT_BUFFER (the destination is too small, or the conversion
// was not exact), ERROR_INVALID_PARAMETER.
int multiByteToWide(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR destination,
                    int destinationLength);
// WideCharToMultiByte's parameters; code page, flags, default character and its flag are
// ignored. Results and failures as above, in bytes.
int wideToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceLength, LPSTR destination,
                    int destinationLength, LPCSTR defaultCharacter, BOOL* usedDefaultCharacter);

}  // namespace rx_fwk
