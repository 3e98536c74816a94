// The objects that kernel handles refer to.
#pragma once

#include <memory>

enum class TovObjectType { Thread, Event, Mutex, File, Find };

// Shared by every handle to it; the object goes when the last reference does.
class TovKernelObject {
public:
    explicit TovKernelObject(TovObjectType type) : type_(type) {}
    virtual ~TovKernelObject() = default;
    TovKernelObject(const TovKernelObject&) = delete;
    TovKernelObject& operator=(const TovKernelObject&) = delete;

    TovObjectType type() const { return type_; }

private:
    TovObjectType type_;
};
