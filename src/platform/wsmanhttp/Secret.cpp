#include "platform/wsmanhttp/Secret.h"

#include <cstring>

namespace tarnwick::wsmanhttp {

void WipeBytes(void* data, std::size_t size) noexcept {
    if (data && size) explicit_bzero(data, size);
}

TSecret& TSecret::operator=(const TSecret& other) {
    if (this != &other) Assign(other.FText);
    return *this;
}

void TSecret::Assign(std::string_view text) {
    Wipe();
    FText.reserve(text.size() + 16);
    FText.assign(text);
}

void TSecret::Wipe() noexcept {
    // Wipe the whole capacity: earlier, longer contents may still sit past size().
    FText.resize(FText.capacity());
    WipeBytes(FText.data(), FText.size());
    FText.clear();
}

} // namespace tarnwick::wsmanhttp
