#pragma once
// TSecret: a password (UTF-8 bytes) in a buffer that is wiped when it is freed or
// replaced. Copying is allowed (each copy wipes itself); it never prints itself.

#include <string>
#include <string_view>

namespace tarnwick::wsmanhttp {

class TSecret {
public:
    TSecret() = default;
    explicit TSecret(std::string_view text) : FText(text) {}
    TSecret(const TSecret& other) : FText(other.FText) {}
    TSecret& operator=(const TSecret& other);
    ~TSecret() { Wipe(); }

    void Assign(std::string_view text);
    void Wipe() noexcept;
    bool Empty() const noexcept { return FText.empty(); }
    // The bytes, for handing to GSS-API or a Basic header; do not keep copies.
    const std::string& Reveal() const noexcept { return FText; }

private:
    std::string FText;
};

// Wipes any byte buffer (std::string, std::vector<char>) in a way the compiler keeps.
void WipeBytes(void* data, std::size_t size) noexcept;

} // namespace tarnwick::wsmanhttp
