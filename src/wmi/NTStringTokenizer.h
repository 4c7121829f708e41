#pragma once
// Splits a text at any of a set of delimiter characters. Consecutive delimiters,
// and a delimiter at the start, yield empty tokens.

#include "platform/com/WideString.h"

#include <cstdint>

namespace tarnwick::wmi {

class TNTStringTokenizer {
public:
    TNTStringTokenizer(WideString AString, WideString ADelimeters);
    // True when the text is empty or no character is left after the position.
    bool EndOfString() const;
    WideString NextToken();

private:
    WideString FString;
    WideString FDelimeters;
    std::int32_t FPosition = 0; // 1-based; 0 before the first token
};

} // namespace tarnwick::wmi
