// What a DLL exports to the kernel's loader: C names with default visibility (drivers are
// built with hidden visibility, and their export list names what stays visible).
#pragma once

#define TOV_DLL_EXPORT extern "C" __attribute__((visibility("default")))
