// A settings file whose identity cannot be determined because it cannot be found.
#pragma once

#include <exception>
#include <string>

namespace rx_fwk {

class FileIdError : public std::exception {
public:
    explicit FileIdError(const std::string& path);
    const char* what() const noexcept override { return message_; }

private:
    char message_[256];  // cut to 255 characters
};

}  // namespace rx_fwk
