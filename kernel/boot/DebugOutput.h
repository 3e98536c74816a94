// Routing of the kernel's debug print to its four outputs under the RTOS.INI switches.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <memory>
#include <mutex>

#include "kernel/boot/DebugSink.h"

enum class DebugOutputKind { Screen = 0, Host = 1, DebugString = 2, Custom = 3 };

struct DebugOutputSwitches {
    bool screen = true;       // Output.Screen
    bool host = true;         // Output.Host
    bool debugString = true;  // Output.OutputDebugString
    bool custom = true;       // Output.Custom
};

// When the debug-string channel is used (key OutputDebugString of section General): bit 1
// while the channel is connected, bit 2 while it is not (the text then has nowhere to go).
constexpr unsigned kDebugStringWhenConnected = 1;
constexpr unsigned kDebugStringWhenUnconnected = 2;

class DebugOutput {
public:
    static DebugOutput& instance();

    DebugOutput();
    DebugOutput(const DebugOutput&) = delete;
    DebugOutput& operator=(const DebugOutput&) = delete;

    // Formats into the one shared buffer and routes the text, all under one lock.
    void print(const char* format, va_list args);

    // The monitor's view of the outputs: a host link and a debug-string channel exist when a
    // sink is attached. Returns the previous sink. The screen starts as standard error; the
    // custom hook is a sink that drops the text.
    std::unique_ptr<DebugSink> attach(DebugOutputKind kind, std::unique_ptr<DebugSink> sink);

    DebugOutputSwitches switches() const;
    void setSwitches(const DebugOutputSwitches& switches);
    unsigned debugStringMode() const;
    void setDebugStringMode(unsigned mode);

    // The start-up steps "Get Output.* Settings" and "Get OutputDebugString Setting": each
    // key keeps the current value when absent.
    void readSwitches();
    void readDebugStringMode();

private:
    void route(char* text, std::size_t length);

    mutable std::mutex lock_;
    char buffer_[1024];
    std::unique_ptr<DebugSink> sinks_[4];
    DebugOutputSwitches switches_;
    unsigned debugStringMode_ = kDebugStringWhenConnected;
};
