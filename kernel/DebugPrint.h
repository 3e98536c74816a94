// The kernel's debug print and its per-component message levels.
#pragma once

// Formats the text and routes it to the kernel's debug outputs.
void TovDebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Message level of a kernel component ("default", "IFT", "Rtos.Ini", "Loader",
// "FileSystem.CFS", ...): a component prints a trace line when its level is at least the
// line's level.
int TovMessageLevel(const char* component);
