// The firmware side connection: once the controller has the Firmware request it listens on
// TCP port 44515 for the header and the image; its reply comes after the transfer.
#pragma once

#include <cstdio>
#include <string>

#include "cmdserver/FirmwareHeader.h"
#include "tools/tesselcfg/Transport.h"

namespace tesselcfg {

enum class UploadResult {
    Sent,          // header and image went out whole
    NotConnected,  // the controller never listened by the deadline
    Cut,           // the controller closed or stopped reading first (it refused or failed)
};

// Connects to the controller (retrying while it does not listen yet, until
// `connectDeadline`), sends the header and `header.imageLength` bytes of `image`. `stall` bounds
// the wait for the controller to take more bytes.
UploadResult uploadFirmware(const std::string& address, const rx_fwk::FirmwareHeader& header,
                            std::FILE* image, Clock::time_point connectDeadline,
                            Clock::duration stall);

}  // namespace tesselcfg
