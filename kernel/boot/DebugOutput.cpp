// The kernel's debug output: one lock, one shared buffer, four outputs.
#include "kernel/boot/DebugOutput.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "kernel/boot/KernelSettings.h"

namespace {

// The custom output hook: nothing is attached to it in this image.
class CustomHook : public DebugSink {
public:
    void write(const char*, std::size_t) override {}
};

bool isLineEnd(char c) {
    return c == '\r' || c == '\n' || c == '\0';
}

}  // namespace

DebugOutput& DebugOutput::instance() {
    static DebugOutput output;
    return output;
}

DebugOutput::DebugOutput() {
    sinks_[int(DebugOutputKind::Screen)] = TovMakeScreenSink();
    sinks_[int(DebugOutputKind::Custom)] = std::make_unique<CustomHook>();
}

void DebugOutput::print(const char* format, va_list args) {
    std::lock_guard<std::mutex> guard(lock_);
    int length = std::vsnprintf(buffer_, sizeof buffer_, format, args);
    if (length < 0) {
        return;
    }
    route(buffer_, std::min<std::size_t>(std::size_t(length), sizeof buffer_ - 1));
}

void DebugOutput::route(char* text, std::size_t length) {
    DebugSink* screen = sinks_[int(DebugOutputKind::Screen)].get();
    DebugSink* host = sinks_[int(DebugOutputKind::Host)].get();
    DebugSink* debugString = sinks_[int(DebugOutputKind::DebugString)].get();
    DebugSink* custom = sinks_[int(DebugOutputKind::Custom)].get();

    if (switches_.screen && screen != nullptr) {
        screen->write(text, length);
    }
    if (switches_.host && host != nullptr) {
        host->write(text, length);
    }
    if (switches_.debugString) {
        // The channel takes whole lines: the text's own line end (CR, LF, NUL) is set aside
        // for one LF, and given back afterwards for the outputs that follow.
        std::size_t body = length;
        while (body > 0 && isLineEnd(text[body - 1])) {
            --body;
        }
        const unsigned when =
            debugString != nullptr ? kDebugStringWhenConnected : kDebugStringWhenUnconnected;
        if ((debugStringMode_ & when) != 0 && debugString != nullptr && body > 0) {
            char setAside = text[body];
            text[body] = '\n';
            debugString->write(text, body + 1);
            text[body] = setAside;
        }
    }
    if (switches_.custom && custom != nullptr) {
        custom->write(text, length);
    }
}

std::unique_ptr<DebugSink> DebugOutput::attach(DebugOutputKind kind,
                                               std::unique_ptr<DebugSink> sink) {
    std::lock_guard<std::mutex> guard(lock_);
    sinks_[int(kind)].swap(sink);
    return sink;
}

DebugOutputSwitches DebugOutput::switches() const {
    std::lock_guard<std::mutex> guard(lock_);
    return switches_;
}

void DebugOutput::setSwitches(const DebugOutputSwitches& switches) {
    std::lock_guard<std::mutex> guard(lock_);
    switches_ = switches;
}

unsigned DebugOutput::debugStringMode() const {
    std::lock_guard<std::mutex> guard(lock_);
    return debugStringMode_;
}

void DebugOutput::setDebugStringMode(unsigned mode) {
    std::lock_guard<std::mutex> guard(lock_);
    debugStringMode_ = mode;
}

void DebugOutput::readSwitches() {
    // Read outside the lock: the profile reader prints its own traces through this output.
    DebugOutputSwitches current = switches();
    DebugOutputSwitches read;
    read.screen = TovRtosIniInt("Messages", "Output.Screen", current.screen) != 0;
    read.host = TovRtosIniInt("Messages", "Output.Host", current.host) != 0;
    read.debugString =
        TovRtosIniInt("Messages", "Output.OutputDebugString", current.debugString) != 0;
    read.custom = TovRtosIniInt("Messages", "Output.Custom", current.custom) != 0;
    setSwitches(read);
}

void DebugOutput::readDebugStringMode() {
    setDebugStringMode(TovRtosIniInt("General", "OutputDebugString", 1));
}
