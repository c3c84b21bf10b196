// The error that the program's own code raises: it carries one message text. Window-free, so
// code without any window may raise it.
#pragma once
#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};
