// The namespace of named events and mutexes: one name, one object, while a handle is open.
#pragma once

#include <functional>
#include <memory>

#include "kernel/base/Win32Types.h"
#include "kernel/base/posix/KernelObject.h"

// Creates the object, or opens the existing one of that name (ERROR_ALREADY_EXISTS as the
// last error) when `name` is not null. Null with ERROR_INVALID_HANDLE when the name
// belongs to an object of another type. The last error is 0 for a new object.
HANDLE TovCreateNamedObject(LPCSTR name, TovObjectType type,
                            const std::function<std::shared_ptr<TovKernelObject>()>& create);

// A new handle to the existing object of that name and type; null with
// ERROR_FILE_NOT_FOUND when there is none.
HANDLE TovOpenNamedObject(LPCSTR name, TovObjectType type);
