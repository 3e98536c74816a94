// A host text that names no address.
#pragma once

#include <exception>

namespace rx_fwk {

class ip_unable_to_resolve : public std::exception {
public:
    const char* what() const noexcept override { return "ip_unable_to_resolve"; }
};

}  // namespace rx_fwk
