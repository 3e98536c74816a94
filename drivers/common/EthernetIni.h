// The Ethernet driver configuration a driver reads its own section from: the same file the
// loader reads its list from.
#pragma once

#include <string>

namespace lbdriver {

// B:\ethernet.ini in the rescue image (the running image's file name ends in
// "lifeboat.exe", any case), else C:\zu-rt\system\ethernet\ethernet.ini.
std::string ethernetIniPath();

// A value of the driver's section; `def` when it is not there.
std::string ethernetIniValue(const char* section, const char* key, const char* def);

}  // namespace lbdriver
