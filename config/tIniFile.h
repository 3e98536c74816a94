// The INI model over a file on the controller's drives.
#pragma once

#include <cstdint>
#include <string>

#include "config/IniFile.h"
#include "kernel/fs/FileVersion.h"

namespace nZUEmbCfg {

class tIniFile : public rx_fwk::IniFile {
public:
    // Does not touch the file; the first refreshing operation loads it.
    explicit tIniFile(std::string path);

    // The file is not the version last read or written, or that version was taken too soon
    // after its last change to rule out another change in the same clock tick. A missing
    // file never counts as changed.
    bool isChanged() override;
    // Throws FileIOError also for a file larger than TOV_WHOLE_FILE_LIMIT (last error
    // ERROR_FILE_TOO_LARGE). A UTF-8 byte-order mark is skipped and remembered.
    void readFile(rx_fwk::SectionMap& model) override;
    // Replaces the file as a whole (temporary file, flush, rename), so a crash during the
    // write leaves either the old or the new content; a read-only file is not replaced, nor
    // is a text larger than the read limit written. The version recorded is the temporary
    // file's, taken before the rename. Keeps a byte-order mark the file was read with.
    // Throws FileTimeError when the write failed and no file exists.
    bool writeFile(const rx_fwk::SectionMap& model) override;

    // The file's last-write time as recorded after the last read or write; 0 before.
    std::uint64_t lastWriteTime() const { return version_.lastWrite; }

private:
    // Opens and reads the whole file, its version taken first; false when it cannot.
    bool readBytes(TovFileVersion& version, std::string& bytes) const;
    // Whether the file still holds the bytes the model came from; if so, `version_` moves
    // on to the version they were read under.
    bool sameBytesOnDisk();

    TovFileVersion version_;
    std::size_t contentHash_ = 0;  // of the bytes the model was read from or written as
    bool known_ = false;
    bool byteOrderMark_ = false;  // the file was read with one
};

}  // namespace nZUEmbCfg
