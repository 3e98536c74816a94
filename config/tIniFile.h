// The INI model over a file on the controller's drives.
#pragma once

#include <cstdint>
#include <string>

#include "config/IniFile.h"

namespace nZUEmbCfg {

class tIniFile : public rx_fwk::IniFile {
public:
    // Does not touch the file; the first refreshing operation loads it.
    explicit tIniFile(std::string path);

    bool isChanged() override;
    void readFile(rx_fwk::SectionMap& model) override;
    // Replaces the file as a whole (temporary file, flush, rename), so a crash during the
    // write leaves either the old or the new content; a read-only file is not replaced.
    // Throws FileTimeError when no file exists afterwards.
    bool writeFile(const rx_fwk::SectionMap& model) override;

    // The file's last-write time as recorded after the last read or write; 0 before.
    std::uint64_t lastWriteTime() const { return lastWriteTime_; }

private:
    std::uint64_t lastWriteTime_ = 0;
};

}  // namespace nZUEmbCfg
