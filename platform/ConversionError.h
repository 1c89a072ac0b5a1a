#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// Raised when a text does not convert to a date, a time or a number. Default visibility so
// that it can be caught across the quote-page library's boundary.
class __attribute__((visibility("default"))) ConversionError : public std::runtime_error {
public:
    explicit ConversionError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace platform
