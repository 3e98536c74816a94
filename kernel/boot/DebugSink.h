// Destinations of the kernel's debug output: the screen, the development-host link, the
// debug-string channel and the custom hook.
#pragma once

#include <cstddef>
#include <memory>

class DebugSink {
public:
    virtual ~DebugSink() = default;
    virtual void write(const char* text, std::size_t length) = 0;
};

// The screen: the process's standard error.
std::unique_ptr<DebugSink> TovMakeScreenSink();
// Appends to a host file (created when missing). Null with the last error set on failure.
std::unique_ptr<DebugSink> TovMakeFileSink(const char* hostPath);
