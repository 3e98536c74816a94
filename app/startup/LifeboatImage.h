// Whether the running image is the rescue image.
#pragma once

namespace rx_fwk {

// The main module's file name ends in "lifeboat.exe" (any case). Computed once.
bool isLifeboatImage();

// The test behind it, for a given module file name.
bool isLifeboatModuleName(const char* moduleFileName);

}  // namespace rx_fwk
