// Captures what the kernel's debug print sends to its outputs, for the length of a test.
#pragma once

#include <memory>
#include <string>

#include "kernel/boot/DebugOutput.h"
#include "kernel/boot/DebugPrint.h"

namespace lbtest {

class CaptureSink : public DebugSink {
public:
    explicit CaptureSink(std::shared_ptr<std::string> text) : text_(std::move(text)) {}
    void write(const char* text, std::size_t length) override { text_->append(text, length); }

private:
    std::shared_ptr<std::string> text_;
};

// Attaches a capturing sink to each of the four outputs, all switches on; puts the previous
// sinks, switches and debug-string mode back at the end.
class DebugCapture {
public:
    DebugCapture() : saved_(DebugOutput::instance().switches()) {
        DebugOutput& output = DebugOutput::instance();
        savedMode_ = output.debugStringMode();
        for (int kind = 0; kind < 4; ++kind) {
            texts_[kind] = std::make_shared<std::string>();
            previous_[kind] =
                output.attach(DebugOutputKind(kind), std::make_unique<CaptureSink>(texts_[kind]));
        }
        output.setSwitches(DebugOutputSwitches{});
        output.setDebugStringMode(kDebugStringWhenConnected);
    }
    ~DebugCapture() {
        DebugOutput& output = DebugOutput::instance();
        for (int kind = 0; kind < 4; ++kind) {
            output.attach(DebugOutputKind(kind), std::move(previous_[kind]));
        }
        output.setSwitches(saved_);
        output.setDebugStringMode(savedMode_);
    }
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    const std::string& text(DebugOutputKind kind) const { return *texts_[int(kind)]; }
    const std::string& screen() const { return text(DebugOutputKind::Screen); }
    void clear() {
        for (auto& text : texts_) {
            text->clear();
        }
    }
    // Detaches one output, as when the monitor reports no such link.
    void detach(DebugOutputKind kind) { DebugOutput::instance().attach(kind, nullptr); }

private:
    DebugOutputSwitches saved_;
    unsigned savedMode_ = 0;
    std::shared_ptr<std::string> texts_[4];
    std::unique_ptr<DebugSink> previous_[4];
};

// Sets a component's message level for one test and forgets it afterwards.
class ScopedMessageLevel {
public:
    ScopedMessageLevel(const char* component, int level) : component_(component) {
        TovSetMessageLevel(component_, level);
    }
    ~ScopedMessageLevel() { TovSetMessageLevel(component_, -1); }
    ScopedMessageLevel(const ScopedMessageLevel&) = delete;
    ScopedMessageLevel& operator=(const ScopedMessageLevel&) = delete;

private:
    const char* component_;
};

}  // namespace lbtest
