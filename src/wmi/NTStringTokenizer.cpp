#include "wmi/NTStringTokenizer.h"

namespace tarnwick::wmi {

TNTStringTokenizer::TNTStringTokenizer(WideString AString, WideString ADelimeters)
    : FString(std::move(AString)), FDelimeters(std::move(ADelimeters)) {}

bool TNTStringTokenizer::EndOfString() const {
    return FString.empty() || FPosition >= static_cast<std::int32_t>(FString.size());
}

WideString TNTStringTokenizer::NextToken() {
    ++FPosition;
    const auto length = static_cast<std::int32_t>(FString.size());
    if (FString.empty() || FPosition > length) {
        if (FPosition > length + 1) FPosition = length + 1;
        return WideString();
    }
    auto isDelimiter = [this](char16_t c) { return FDelimeters.find(c) != WideString::npos; };
    if (isDelimiter(FString[static_cast<std::size_t>(FPosition - 1)])) return WideString();
    std::int32_t end = FPosition;
    while (end <= length && !isDelimiter(FString[static_cast<std::size_t>(end - 1)]))
        ++end;
    WideString token =
        FString.substr(static_cast<std::size_t>(FPosition - 1), static_cast<std::size_t>(end - FPosition));
    FPosition = end; // onto the delimiter, or one past the end
    return token;
}

} // namespace tarnwick::wmi
