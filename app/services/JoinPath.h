// Joining a file name to a directory in the controller's path form.
#pragma once

#include <string>

namespace rx_fwk {

// Replaces `name` by `directory` (cut after its last backslash) followed by `name` with a
// leading backslash; forward slashes become backslashes. "C:/d/" + "x" gives "C:\d\\x".
void joinPath(std::string& name, const std::string& directory);

}  // namespace rx_fwk
