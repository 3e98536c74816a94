// Fuzzes the archive walk of the constant file system and the requests served from what it
// finds: no input may make it touch a byte outside the archive.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kernel/cfs/CfsDrive.h"
#include "kernel/cfs/CfsFileTable.h"

// Keeps the reads from being optimised away.
volatile unsigned gSink;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size copy, so that the sanitizer sees a read one byte past the archive.
    std::vector<unsigned char> archive(data, data + size);
    std::shared_ptr<const CfsFileTable> table =
        CfsFileTable::build(archive.data(), archive.size(), 0);
    if (!table) {
        return 0;
    }
    std::vector<std::string> names;
    for (const CfsFileEntry* entry = table->head(); entry != nullptr; entry = entry->next) {
        names.emplace_back(entry->name, entry->nameLength);
    }

    unsigned sum = 0;
    CfsDrive drive(table, 0);
    drive.setDriveLetter('B');
    WIN32_FIND_DATAA found;
    for (const char* pattern : {"\\*.*", "\\*\\*", "\\?*"}) {
        if (std::unique_ptr<TovDriveSearch> search = drive.findFirst(pattern, &found)) {
            while (search->next(&found)) {
                sum += unsigned(found.cFileName[0]);
            }
        }
    }
    for (const std::string& name : names) {
        const std::string path = "\\" + name;
        sum += drive.attributes(path.c_str());
        drive.setCurrentDirectory(path.c_str());
        std::unique_ptr<TovDriveFile> file =
            drive.open(path.c_str(), GENERIC_READ, OPEN_EXISTING, 0);
        if (!file) {
            continue;
        }
        BY_HANDLE_FILE_INFORMATION info;
        if (file->information(&info)) {
            sum += info.nFileSizeLow;
        }
        char buffer[64];
        DWORD read = 0;
        ULONGLONG position;
        file->seek(-3, FILE_END, &position);
        file->seek(0, FILE_BEGIN, &position);
        while (file->read(buffer, sizeof buffer, &read) && read > 0) {
            sum += unsigned(buffer[read - 1]);
        }
    }
    gSink = sum;
    return 0;
}
