#pragma once
// The one base of every exception the system raises: a message text.

#include "platform/com/WideString.h"

#include <exception>
#include <string>

namespace tarnwick {

class Exception : public std::exception {
public:
    explicit Exception(WideString message);
    const WideString& Message() const noexcept { return FMessage; }
    // Layers that pass an error on may append their stage name.
    void SetMessage(WideString message);
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    WideString FMessage;
    std::string FUtf8;
};

// A value that cannot be converted to the type asked for (variant casts, number texts).
class TConversionError : public Exception {
public:
    using Exception::Exception;
};

} // namespace tarnwick
