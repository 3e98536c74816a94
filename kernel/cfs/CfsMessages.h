// Message levels of the constant file system's debug output ("FileSystem.CFS").
#pragma once

constexpr int kCfsErrorLevel = 1;     // errors
constexpr int kCfsFailureLevel = 10;  // handle and name failures
constexpr int kCfsTraceLevel = 40;    // traces
