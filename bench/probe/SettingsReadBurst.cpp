// A burst of settings reads, for counting system calls from outside (bench/syscalls.py):
//   SettingsReadBurst COUNT [present|missing]
// Loads a settings file once, then reads one key COUNT times while the file stays as it is
// ("present", the default), or reads COUNT times from a file that does not exist. The
// request spells the name differently from the host file, so case-blind lookup is part of
// every read.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "bench/support/BenchDisk.h"
#include "config/ConfigManager.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s COUNT [present|missing]\n", argv[0]);
        return 2;
    }
    const long count = std::strtol(argv[1], nullptr, 10);
    const bool missing = argc > 2 && std::strcmp(argv[2], "missing") == 0;
    lbbench::BenchDisk disk(1, argv);
    if (!disk.started()) {
        return 1;
    }
    if (!missing) {
        std::ofstream file(disk.root() + "/burst.ini", std::ios::binary);
        file << "[Burst]\r\n";
        for (int i = 0; i < 50; ++i) {
            file << "Key" << i << "=value " << i << "\r\n";
        }
    }
    auto store = rx_fwk::ConfigManager::create("C:\\BURST.INI");
    std::size_t total = store->getString("Burst", "Key25", "none").size();
    for (long i = 0; i < count; ++i) {
        total += store->getString("Burst", "Key25", "none").size();
    }
    std::printf("%zu\n", total);
    return 0;
}
