#pragma once
// The multipart/encrypted framing of WinRM message encryption over plain HTTP:
//
//   --Encrypted Boundary\r\n
//   \tContent-Type: <protocol>\r\n
//   \tOriginalContent: type=application/soap+xml;charset=UTF-8;Length=<plaintext length>\r\n
//   --Encrypted Boundary\r\n
//   \tContent-Type: application/octet-stream\r\n
//   <LE32 header length><header><encrypted data>--Encrypted Boundary--\r\n

#include <string>
#include <string_view>

namespace tarnwick::wsmanhttp {

inline constexpr const char* SpnegoEncrypted = "application/HTTP-SPNEGO-session-encrypted";
inline constexpr const char* KerberosEncrypted = "application/HTTP-Kerberos-session-encrypted";

// The Content-Type header value of a sealed body.
std::string EncryptedContentType(std::string_view protocol);

std::string FrameEncrypted(std::string_view protocol, std::size_t plainLength, std::string_view header,
                           std::string_view data);

struct TEncryptedPart {
    std::size_t Length = 0; // OriginalContent Length
    std::string Header;
    std::string Data;
};

// Throws TWinRmError(InvalidToken) for a body that breaks the framing.
TEncryptedPart ParseEncrypted(std::string_view body);

} // namespace tarnwick::wsmanhttp
