// Where a firmware image goes: a device of the platform that takes an image in pieces.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rx_fwk {

class FirmwareTarget {
public:
    virtual bool begin(std::uint16_t argument) = 0;
    virtual bool write(const std::uint8_t* bytes, std::size_t count) = 0;
    virtual bool finish() = 0;
    virtual void abort() = 0;
    // An earlier transfer is still open.
    virtual bool busy() = 0;

protected:
    ~FirmwareTarget() = default;
};

}  // namespace rx_fwk
