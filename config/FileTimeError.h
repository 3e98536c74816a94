// A settings file whose last-write time cannot be read.
#pragma once

#include <exception>
#include <string>

namespace rx_fwk {

class FileTimeError : public std::exception {
public:
    explicit FileTimeError(const std::string& path);
    const char* what() const noexcept override { return message_; }

private:
    char message_[256];  // cut to 255 characters
};

}  // namespace rx_fwk
