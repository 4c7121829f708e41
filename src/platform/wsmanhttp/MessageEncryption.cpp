#include "platform/wsmanhttp/MessageEncryption.h"

#include "platform/wsmanhttp/WinRmError.h"

#include <cstdint>

namespace tarnwick::wsmanhttp {

namespace {

constexpr std::string_view Boundary = "--Encrypted Boundary\r\n";
constexpr std::string_view EndBoundary = "--Encrypted Boundary--\r\n";
constexpr std::string_view OctetStream = "\tContent-Type: application/octet-stream\r\n";

[[noreturn]] void Bad(const std::string& what) {
    RaiseWinRm(codes::InvalidToken, "The encrypted WinRM reply is malformed: " + what);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

std::string EncryptedContentType(std::string_view protocol) {
    return "multipart/encrypted;protocol=\"" + std::string(protocol) + "\";boundary=\"Encrypted Boundary\"";
}

std::string FrameEncrypted(std::string_view protocol, std::size_t plainLength, std::string_view header,
                           std::string_view data) {
    std::string out;
    out.reserve(header.size() + data.size() + 256);
    out += Boundary;
    out += "\tContent-Type: ";
    out += protocol;
    out += "\r\n\tOriginalContent: type=application/soap+xml;charset=UTF-8;Length=";
    out += std::to_string(plainLength);
    out += "\r\n";
    out += Boundary;
    out += OctetStream;
    std::uint32_t hl = static_cast<std::uint32_t>(header.size());
    for (int i = 0; i < 4; ++i)
        out += char((hl >> (8 * i)) & 0xFF);
    out += header;
    out += data;
    out += EndBoundary;
    return out;
}

TEncryptedPart ParseEncrypted(std::string_view body) {
    TEncryptedPart part;
    if (!body.starts_with(Boundary)) Bad("it does not start with the MIME boundary");
    std::string_view rest = body.substr(Boundary.size());
    auto second = rest.find(Boundary);
    if (second == std::string_view::npos) Bad("the second MIME part is missing");
    std::string_view head = rest.substr(0, second);
    std::string_view data = rest.substr(second + Boundary.size());

    bool haveLength = false;
    for (std::size_t pos = 0; pos < head.size();) {
        auto eol = head.find("\r\n", pos);
        std::string_view line = head.substr(pos, eol == std::string_view::npos ? head.npos : eol - pos);
        pos = eol == std::string_view::npos ? head.size() : eol + 2;
        while (!line.empty() && (line.front() == '\t' || line.front() == ' '))
            line.remove_prefix(1);
        if (line.size() < 16 || !EqualNoCase(line.substr(0, 16), "OriginalContent:")) continue;
        for (std::size_t f = 16; f < line.size();) {
            auto semi = line.find(';', f);
            std::string_view field = line.substr(f, semi == std::string_view::npos ? line.npos : semi - f);
            while (!field.empty() && field.front() == ' ')
                field.remove_prefix(1);
            if (field.size() > 7 && EqualNoCase(field.substr(0, 7), "Length=")) {
                std::size_t n = 0;
                std::string_view digits = field.substr(7);
                if (digits.empty() || digits.size() > 10) Bad("bad Length");
                for (char c : digits) {
                    if (c < '0' || c > '9') Bad("bad Length");
                    n = n * 10 + std::size_t(c - '0');
                }
                part.Length = n;
                haveLength = true;
            }
            if (semi == std::string_view::npos) break;
            f = semi + 1;
        }
    }
    if (!haveLength) Bad("OriginalContent carries no Length");
    if (!data.starts_with(OctetStream)) Bad("the data part lacks its Content-Type");
    data.remove_prefix(OctetStream.size());
    if (!data.ends_with(EndBoundary)) Bad("the closing boundary is missing");
    data.remove_suffix(EndBoundary.size());
    if (data.size() < 4) Bad("the data part is too short");
    std::uint32_t hl = 0;
    for (int i = 0; i < 4; ++i)
        hl |= std::uint32_t(static_cast<unsigned char>(data[i])) << (8 * i);
    data.remove_prefix(4);
    if (hl > data.size()) Bad("the header length runs past the end");
    part.Header = std::string(data.substr(0, hl));
    part.Data = std::string(data.substr(hl));
    return part;
}

} // namespace tarnwick::wsmanhttp
