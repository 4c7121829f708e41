#pragma once
// Builds the SOAP requests of the WinRM client. Every text taken from the caller
// (URIs, filter, selector values, locale) is XML-escaped where it enters the
// document; the parameters of Invoke are an XML fragment and go in as they are.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnwick::wsmanhttp {

namespace ns {
inline constexpr const char* Soap = "http://www.w3.org/2003/05/soap-envelope";
inline constexpr const char* Addressing = "http://schemas.xmlsoap.org/ws/2004/08/addressing";
inline constexpr const char* Enumeration = "http://schemas.xmlsoap.org/ws/2004/09/enumeration";
inline constexpr const char* Wsman = "http://schemas.dmtf.org/wbem/wsman/1/wsman.xsd";
inline constexpr const char* MsWsman = "http://schemas.microsoft.com/wbem/wsman/1/wsman.xsd";
inline constexpr const char* WsmanFault = "http://schemas.microsoft.com/wbem/wsman/1/wsmanfault";
inline constexpr const char* Anonymous = "http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous";
} // namespace ns

namespace actions {
inline constexpr const char* Enumerate = "http://schemas.xmlsoap.org/ws/2004/09/enumeration/Enumerate";
inline constexpr const char* Pull = "http://schemas.xmlsoap.org/ws/2004/09/enumeration/Pull";
inline constexpr const char* Release = "http://schemas.xmlsoap.org/ws/2004/09/enumeration/Release";
} // namespace actions

// Escapes &, <, >, " and ' ; drops characters XML 1.0 cannot carry (controls below 0x20
// other than tab, CR and LF), so no caller text can break the document.
std::string XmlEscape(std::string_view text);

// "uuid:XXXXXXXX-XXXX-4XXX-YXXX-XXXXXXXXXXXX" from the system's random source.
std::string NewMessageId();

// A resource URI with "?Name=value&..." selectors split off (values URL-decoded).
struct TResourceUri {
    std::string Uri;
    std::vector<std::pair<std::string, std::string>> Selectors;
};
TResourceUri SplitResourceUri(std::string_view uri);

struct TRequestHeader {
    std::string To;          // the endpoint URL
    std::string ResourceUri; // without selectors
    std::vector<std::pair<std::string, std::string>> Selectors;
    std::string Action;
    std::string MessageId; // filled by the builder when empty
    std::string Locale = "en-US";
    unsigned MaxEnvelopeSize = 512000;
    unsigned OperationTimeoutMs = 60000;
};

std::string BuildEnumerate(TRequestHeader header, std::string_view filter, std::string_view dialect,
                           unsigned maxElements);
std::string BuildPull(TRequestHeader header, std::string_view context, unsigned maxElements);
std::string BuildRelease(TRequestHeader header, std::string_view context);
// body: the input document (XML), e.g. <p:StartService_INPUT xmlns:p="..."/>.
std::string BuildInvoke(TRequestHeader header, std::string_view body);

} // namespace tarnwick::wsmanhttp
