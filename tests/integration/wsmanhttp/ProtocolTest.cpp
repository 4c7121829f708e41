// The WinRM client's protocol pieces in process, without a server: connection texts,
// request building with hostile texts, reply parsing (namespaces by URI, faults in
// their several shapes, hostile documents) and the encrypted-body framing.

#include "platform/wsmanhttp/GssAuth.h"
#include "platform/wsmanhttp/MessageEncryption.h"
#include "platform/wsmanhttp/WinRmError.h"
#include "platform/wsmanhttp/WsmanEndpoint.h"
#include "platform/wsmanhttp/WsmanEnvelope.h"
#include "platform/wsmanhttp/WsmanReply.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace tarnwick::wsmanhttp {
namespace {

TEST(WinRmEndpoint, ConnectionTextsBecomeUrls) {
    struct {
        const char* Text;
        bool Ssl;
        const char* Url;
        const char* Host;
    } cases[] = {
        {"server1", false, "http://server1:5985/wsman", "server1"},
        {"server1", true, "https://server1:5986/wsman", "server1"},
        {" server1.corp.example:8080 ", false, "http://server1.corp.example:8080/wsman",
         "server1.corp.example"},
        {"", false, "http://localhost:5985/wsman", "localhost"},
        {"[fe80::1]:5986", true, "https://[fe80::1]:5986/wsman", "fe80::1"},
        {"[::1]", false, "http://[::1]:5985/wsman", "::1"},
        {"::1", false, "http://[::1]:5985/wsman", "::1"},
        {"https://host/wsman", false, "https://host:5986/wsman", "host"},
        {"10.0.0.5:1234", false, "http://10.0.0.5:1234/wsman", "10.0.0.5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        TWsmanEndpoint e = ParseConnection(c.Text, c.Ssl);
        EXPECT_EQ(e.Url, c.Url);
        EXPECT_EQ(e.Host, c.Host);
    }
    EXPECT_TRUE(ParseConnection("10.0.0.5", false).HostIsAddress());
    EXPECT_FALSE(ParseConnection("server1", false).HostIsAddress());
}

std::string FilterTextOf(const std::string& request) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(request.c_str(), pugi::parse_default | pugi::parse_ws_pcdata_single))
        << request;
    return doc.select_node("//*[local-name()='Filter']").node().text().get();
}

TEST(WinRmEnvelope, EveryCallerTextIsEscaped) {
    TRequestHeader h;
    h.To = "http://h:5985/wsman?a=1&b=<2>";
    h.ResourceUri = "http://schemas.microsoft.com/wbem/wsman/1/wmi/root/cimv2/*";
    h.Selectors = {{"Name\"", "Sp&oler</w:Selector>"}};
    const std::string hostile = "SELECT * FROM X WHERE Name = '</w:Filter><evil/>' AND A = \"&amp;\"";
    std::string request = BuildEnumerate(h, hostile, "http://schemas.microsoft.com/wbem/wsman/1/WQL", 32000);
    EXPECT_EQ(FilterTextOf(request), hostile) << "the filter comes back exactly as given";
    EXPECT_EQ(request.find("<evil/>"), std::string::npos);
    EXPECT_NE(request.find("<w:OptimizeEnumeration/><w:MaxElements>32000</w:MaxElements>"),
              std::string::npos);
    EXPECT_NE(request.find("<w:OperationTimeout>PT60.000S</w:OperationTimeout>"), std::string::npos);
    EXPECT_NE(request.find("<w:Locale xml:lang=\"en-US\" s:mustUnderstand=\"false\"/>"), std::string::npos);
    EXPECT_EQ(XmlEscape(std::string("a\x01"
                                    "b\tc")),
              "ab\tc")
        << "characters XML cannot carry are dropped";
    EXPECT_EQ(NewMessageId().size(), 41u);
    EXPECT_NE(NewMessageId(), NewMessageId());
}

TEST(WinRmEnvelope, SelectorsComeFromTheResourceUri) {
    TResourceUri r = SplitResourceUri("http://x/wmi/root/cimv2/Win32_Service?Name=No%20Such&Other=a+b");
    EXPECT_EQ(r.Uri, "http://x/wmi/root/cimv2/Win32_Service");
    ASSERT_EQ(r.Selectors.size(), 2u);
    EXPECT_EQ(r.Selectors[0], (std::pair<std::string, std::string>{"Name", "No Such"}));
    EXPECT_EQ(r.Selectors[1], (std::pair<std::string, std::string>{"Other", "a b"}));
}

// Our own fixture: prefixes chosen to differ from the usual ones, xsi declared only
// on the envelope, a property named EndOfSequence, and a whitespace-only value.
constexpr const char* RebindingReply =
    R"(<env:Envelope xmlns:env="http://www.w3.org/2003/05/soap-envelope" xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" xmlns:en="http://schemas.xmlsoap.org/ws/2004/09/enumeration" xmlns:dm="http://schemas.dmtf.org/wbem/wsman/1/wsman.xsd" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">)"
    R"(<env:Header><wsa:Action>http://schemas.xmlsoap.org/ws/2004/09/enumeration/PullResponse</wsa:Action><wsa:RelatesTo>uuid:1</wsa:RelatesTo></env:Header>)"
    R"(<env:Body><en:PullResponse><en:EnumerationContext>uuid:NEXT</en:EnumerationContext><en:Items>)"
    R"(<q:Tarn_Thing xmlns:q="http://schemas.microsoft.com/wbem/wsman/1/wmi/root/test/Tarn_Thing"><q:EndOfSequence>true</q:EndOfSequence><q:Spaces>   </q:Spaces><q:Gone xsi:nil="true"/></q:Tarn_Thing>)"
    R"(<q:Tarn_Thing xmlns:q="http://schemas.microsoft.com/wbem/wsman/1/wmi/root/test/Tarn_Thing"><q:Name>two</q:Name></q:Tarn_Thing>)"
    R"(</en:Items><x:EndOfSequence xmlns:x="urn:not-enumeration"/></en:PullResponse></env:Body></env:Envelope>)";

TEST(WinRmReply, NamespacesAreMatchedByUriNotPrefix) {
    TWsmanReply reply = TWsmanReply::Parse(RebindingReply);
    ASSERT_FALSE(reply.IsFault());
    EXPECT_EQ(reply.RelatesTo(), "uuid:1");
    const TEnumerationReply& e = reply.Enumeration();
    ASSERT_EQ(e.Items.size(), 2u);
    EXPECT_FALSE(e.EndOfSequence) << "neither the property nor a foreign EndOfSequence ends the enumeration";
    EXPECT_EQ(e.Context, "uuid:NEXT");
    EXPECT_NE(e.Items[0].find("<q:Spaces>   </q:Spaces>"), std::string::npos) << e.Items[0];
    EXPECT_NE(e.Items[0].find("xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""), std::string::npos)
        << "an item declares the namespaces it borrows from the envelope";
    pugi::xml_document alone;
    EXPECT_TRUE(alone.load_string(e.Items[0].c_str()));
}

struct TBadReply {
    const char* Name;
    const char* Xml;
};

TEST(WinRmReply, HostileDocumentsAreRefused) {
    const std::string lol =
        R"(<?xml version="1.0"?><!DOCTYPE s [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;">]>)"
        R"(<s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope"><s:Body>&b;</s:Body></s:Envelope>)";
    const std::string noContext =
        R"(<s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope" xmlns:n="http://schemas.xmlsoap.org/ws/2004/09/enumeration"><s:Body><n:PullResponse><n:Items/></n:PullResponse></s:Body></s:Envelope>)";
    std::string deep =
        R"(<s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope"><s:Body><s:Fault><s:Detail>)";
    for (int i = 0; i < 200000; ++i)
        deep += "<d>";
    const TBadReply cases[] = {
        {"empty", ""},
        {"not xml", "<html><body>Service Unavailable</body></html"},
        {"truncated", R"(<s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope"><s:Body><n:Pull)"},
        {"entities", lol.c_str()},
        {"no envelope", R"(<Envelope><Body/></Envelope>)"},
        {"wrong soap version",
         R"(<s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/"><s:Body/></s:Envelope>)"},
        {"neither context nor end", noContext.c_str()},
        {"deep and unclosed", deep.c_str()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        try {
            TWsmanReply reply = TWsmanReply::Parse(c.Xml);
            (void)reply.Enumeration();
            ADD_FAILURE() << "accepted";
        } catch (const TWinRmError& e) {
            EXPECT_EQ(unsigned(e.ErrorCode()), 0x8000FFFFu);
            EXPECT_NE(e.Message().find(u"not valid WS-Management"), WideString::npos);
        }
    }
}

std::string FaultEnvelope(const std::string& code, const std::string& detail) {
    return R"(<s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope" xmlns:w="http://schemas.dmtf.org/wbem/wsman/1/wsman.xsd" xmlns:n="http://schemas.xmlsoap.org/ws/2004/09/enumeration"><s:Body><s:Fault><s:Code><s:Value>s:Sender</s:Value><s:Subcode><s:Value>)" +
           code + R"(</s:Value></s:Subcode></s:Code><s:Reason><s:Text xml:lang="">  The reason.
   Wrapped.  </s:Text></s:Reason>)" +
           detail + "</s:Fault></s:Body></s:Envelope>";
}

TEST(WinRmReply, FaultsInEveryShapeGiveCodeAndInnermostMessage) {
    const std::string f = R"(xmlns:f="http://schemas.microsoft.com/wbem/wsman/1/wsmanfault")";
    struct {
        const char* Name;
        std::string Xml;
        unsigned Code;
        const char* Text;
    } cases[] = {
        {"provider fault with WMI status",
         FaultEnvelope(
             "n:CannotProcessFilter",
             "<s:Detail><f:WSManFault " + f +
                 R"( Code="2150858778"><f:Message><f:ProviderFault provider="x"><f:WSManFault )" + f +
                 R"( Code="2150858778"><f:Message>No such class. </f:Message></f:WSManFault><f:ExtendedError><p:__ExtendedStatus xmlns:p="urn:p"><p:StatusCode>2147749904</p:StatusCode></p:__ExtendedStatus></f:ExtendedError></f:ProviderFault></f:Message></f:WSManFault></s:Detail>)"),
         0x80041010u, "No such class (WS-Management fault 0x8033801A CannotProcessFilter, WMI 0x80041010)"},
        {"plain message",
         FaultEnvelope(
             "w:TimedOut",
             "<s:Detail><f:WSManFault " + f +
                 R"( Code="2150858793"><f:Message>Too slow.  </f:Message></f:WSManFault></s:Detail>)"),
         0x80338029u, "Too slow (WS-Management fault 0x80338029 TimedOut)"},
        {"win32 code",
         FaultEnvelope(
             "w:InternalError",
             "<s:Detail><f:WSManFault " + f +
                 R"( Code="5"><f:Message>Access is denied. </f:Message></f:WSManFault></s:Detail>)"),
         0x80070005u, "Access is denied"},
        {"MSFT_WmiError",
         FaultEnvelope(
             "w:QuotaLimit",
             R"(<s:Detail><p:MSFT_WmiError xmlns:p="urn:e"><p:Message>Too many shells. </p:Message><p:error_Code>2150859173</p:error_Code></p:MSFT_WmiError></s:Detail>)"),
         0x803381A5u, "Too many shells (WS-Management fault 0x803381A5 QuotaLimit)"},
        {"no detail", FaultEnvelope("s:MustUnderstand", ""), 0x80338000u,
         "The reason. Wrapped (WS-Management fault"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TWsmanReply reply = TWsmanReply::Parse(c.Xml);
        ASSERT_TRUE(reply.IsFault());
        EXPECT_EQ(unsigned(reply.Fault().ErrorCode()), c.Code);
        EXPECT_NE(reply.Fault().Text().find(c.Text), std::string::npos) << reply.Fault().Text();
    }
}

TEST(WinRmEncryption, FramingIsByteExactAndRoundTrips) {
    const std::string header(16, '\x01'), data = "sealed\r\n--bytes";
    std::string body = FrameEncrypted(SpnegoEncrypted, 42, header, data);
    const std::string expected = "--Encrypted Boundary\r\n"
                                 "\tContent-Type: application/HTTP-SPNEGO-session-encrypted\r\n"
                                 "\tOriginalContent: type=application/soap+xml;charset=UTF-8;Length=42\r\n"
                                 "--Encrypted Boundary\r\n"
                                 "\tContent-Type: application/octet-stream\r\n" +
                                 std::string("\x10\0\0\0", 4) + header + data + "--Encrypted Boundary--\r\n";
    EXPECT_EQ(body, expected);
    TEncryptedPart part = ParseEncrypted(body);
    EXPECT_EQ(part.Length, 42u);
    EXPECT_EQ(part.Header, header);
    EXPECT_EQ(part.Data, data);
    EXPECT_EQ(
        EncryptedContentType(KerberosEncrypted),
        "multipart/encrypted;protocol=\"application/HTTP-Kerberos-session-encrypted\";boundary=\"Encrypted "
        "Boundary\"");
}

TEST(WinRmEncryption, MalformedFramesAreRefused) {
    const std::string good = FrameEncrypted(SpnegoEncrypted, 3, std::string(16, 'h'), "abc");
    auto replace = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    const std::string cases[] = {
        "",
        good.substr(0, good.size() - 5),                             // no closing boundary
        replace("Length=3", "Length=x3"),                            // bad digits
        replace("Length=3", "Size=3"),                               // no Length at all
        replace("Length=3", "Length=99999999999"),                   // absurd length
        replace(std::string("\x10\0\0\0", 4), "\xff\xff\0\0"),       // header length past the end
        replace("\tContent-Type: application/octet-stream\r\n", ""), // data part without its type
        good.substr(0, 60),                                          // only one part
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.substr(0, 40));
        EXPECT_THROW(ParseEncrypted(c), TWinRmError);
    }
}

TEST(WinRmAuth, Base64RoundTripAndRejection) {
    for (std::string bytes : {std::string(), std::string("a"), std::string("ab"), std::string("abc"),
                              std::string("\0\xff\x10zz", 5)}) {
        std::string back;
        ASSERT_TRUE(Base64Decode(Base64Encode(bytes), back));
        EXPECT_EQ(back, bytes);
    }
    std::string out;
    EXPECT_FALSE(Base64Decode("ab$d", out));
    EXPECT_FALSE(Base64Decode("ab=c", out));
    EXPECT_FALSE(Base64Decode("realm=\"WSMAN\"", out));
}

} // namespace
} // namespace tarnwick::wsmanhttp
