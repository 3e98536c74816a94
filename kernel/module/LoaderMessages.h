// The DLL loader's trace lines: its message-level component and the levels it prints at.
#pragma once

constexpr char kTovLoaderComponent[] = "Loader";

constexpr int kLoaderFailureLevel = 8;  // a load that fails, and why
constexpr int kLoaderModuleLevel = 10;  // a module loaded or unloaded
constexpr int kLoaderSearchLevel = 20;  // where a name was found
constexpr int kLoaderDetailLevel = 40;  // every place tried, uses counted, lookups
