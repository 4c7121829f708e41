#pragma once
// TWinRmError: a failure of the WinRM client, with the HRESULT the component hands
// back and a message a person can act on. Codes follow Windows where it has one.

#include "platform/com/ComTypes.h"
#include "platform/com/Exception.h"

#include <string>

namespace tarnwick::wsmanhttp {

using com::HRESULT;

namespace codes {
inline constexpr HRESULT AccessDenied = com::Hr(0x80070005);           // E_ACCESSDENIED
inline constexpr HRESULT ConnectionRefused = com::Hr(0x800704C9);      // ERROR_CONNECTION_REFUSED
inline constexpr HRESULT NameNotResolved = com::Hr(0x80072EE7);        // ERROR_INTERNET_NAME_NOT_RESOLVED
inline constexpr HRESULT Timeout = com::Hr(0x80072EE2);                // ERROR_INTERNET_TIMEOUT
inline constexpr HRESULT ConnectionAborted = com::Hr(0x80072EFE);      // ERROR_INTERNET_CONNECTION_ABORTED
inline constexpr HRESULT CertificateNameInvalid = com::Hr(0x80072F06); // ERROR_INTERNET_SEC_CERT_CN_INVALID
inline constexpr HRESULT CertificateUntrusted = com::Hr(0x80072F0D);   // ERROR_INTERNET_INVALID_CA
inline constexpr HRESULT SecureChannelError = com::Hr(0x80072F7D); // ERROR_INTERNET_SECURITY_CHANNEL_ERROR
inline constexpr HRESULT DestinationUnreachable = com::Hr(0x80338012); // ERROR_WSMAN_DESTINATION_UNREACHABLE
inline constexpr HRESULT ReplyTooLarge = com::Hr(0x80338048);          // response exceeds MaxEnvelopeSize
inline constexpr HRESULT NoLogonServers = com::Hr(0x8007051F);         // ERROR_NO_LOGON_SERVERS
inline constexpr HRESULT LogonFailure = com::Hr(0x8007052E);           // ERROR_LOGON_FAILURE
inline constexpr HRESULT MessageAltered = com::Hr(0x8009030F);         // SEC_E_MESSAGE_ALTERED
inline constexpr HRESULT InvalidToken = com::Hr(0x80090308);           // SEC_E_INVALID_TOKEN
inline constexpr HRESULT BadReply = com::Hr(0x8000FFFF);        // E_UNEXPECTED: reply breaks the protocol
inline constexpr HRESULT InvalidArgument = com::Hr(0x80070057); // E_INVALIDARG
inline constexpr HRESULT Unsupported = com::Hr(0x80004001);     // E_NOTIMPL
} // namespace codes

class TWinRmError : public Exception {
public:
    TWinRmError(HRESULT code, const std::string& utf8Message);
    HRESULT ErrorCode() const noexcept { return FErrorCode; }

private:
    HRESULT FErrorCode;
};

[[noreturn]] void RaiseWinRm(HRESULT code, const std::string& utf8Message);

} // namespace tarnwick::wsmanhttp
