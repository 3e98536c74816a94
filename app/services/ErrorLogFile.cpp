// The error-log file as a ring of fixed-width records in text mode. Positions are read
// from the stream only after a flush, so they count the bytes on the disk.
#include "app/services/ErrorLogFile.h"

#include <cstring>

#include "kernel/fs/Stdio.h"

namespace rx_fwk {
namespace {

constexpr std::size_t kLineMax = 255;

bool onlyWhiteSpace(const char* line) {
    for (; *line != '\0'; ++line) {
        if (*line != ' ' && *line != '\t' && *line != '\r' && *line != '\n' && *line != '\v' &&
            *line != '\f') {
            return false;
        }
    }
    return true;
}

// Leaves the file at the start of the end marker, or at its end when there is none.
bool seekEndMarker(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_SET) != 0) {
        return false;
    }
    char line[kLineMax + 1];
    for (;;) {
        const long start = std::ftell(file);
        if (start < 0) {
            return false;
        }
        if (std::fgets(line, sizeof line, file) == nullptr) {
            return std::fseek(file, 0, SEEK_END) == 0;
        }
        if (onlyWhiteSpace(line)) {
            return std::fseek(file, start, SEEK_SET) == 0;
        }
    }
}

long lengthOf(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) {
        return -1;
    }
    return std::ftell(file);
}

void writeEndMarker(std::FILE* file) {
    char marker[sizeof(ErrorLogRecord)];
    std::memset(marker, ' ', sizeof marker);
    std::fwrite(marker, 1, sizeof marker, file);
    std::fputc('\n', file);
}

long flushedPosition(std::FILE* file) {
    std::fflush(file);
    return std::ftell(file);
}

}  // namespace

std::FILE* openErrorLogFile(const std::string& path) {
    if (std::FILE* file = TovFopen(path.c_str(), "r+")) {
        const long length = lengthOf(file);
        if (length >= 0 && length <= kErrorLogFileLimit && seekEndMarker(file)) {
            return file;
        }
        std::fclose(file);
    }
    return TovFopen(path.c_str(), "w+");
}

void writeErrorLogRecord(std::FILE* file, const ErrorLogRecord& record) {
    constexpr long kRecord = static_cast<long>(sizeof record);
    // A stream that was last read from must be positioned before it is written to.
    if (flushedPosition(file) + kRecord >= kErrorLogFileLimit) {
        std::fseek(file, 0, SEEK_SET);
    } else {
        std::fseek(file, 0, SEEK_CUR);
    }
    std::fwrite(&record, 1, sizeof record, file);
    std::fputc('\n', file);
    if (flushedPosition(file) + kRecord >= kErrorLogFileLimit) {
        std::fseek(file, 0, SEEK_SET);
    }
    const long marker = flushedPosition(file);
    writeEndMarker(file);
    std::fflush(file);
    std::fseek(file, marker, SEEK_SET);
}

}  // namespace rx_fwk
