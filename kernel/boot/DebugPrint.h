// The kernel's debug print and its per-component message levels.
#pragma once

// Formats the text and routes it to the kernel's debug outputs.
void TovDebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Message level of a kernel component ("default", "IFT", "Rtos.Ini", "Loader",
// "FileSystem.CFS", ...): a component prints a trace line when its level is at least the
// line's level. Read from section Messages of RTOS.INI the first time it is asked for and
// kept; a component's level defaults to the default level, which defaults to 5.
int TovMessageLevel(const char* component);

// Reads the level again now (the start-up steps do after the disk copy of RTOS.INI becomes
// readable) and keeps it.
int TovReadMessageLevel(const char* component);

// Sets a component's level, as if RTOS.INI said so; -1 forgets it so that it is read again.
void TovSetMessageLevel(const char* component, int level);

// Adds `delta` to a component's level (read first if need be) and answers the new level.
// Callers that raise a level for a while lower it by the same amount afterwards, so raises
// by several threads at once undo each other exactly.
int TovAddToMessageLevel(const char* component, int delta);
