// The DOM facade over parsed item text, and the refusal of hostile text.

#include "platform/xml/XmlDocument.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwick::xml {
namespace {

std::shared_ptr<TXmlDocument> Parse(const WideString& text) {
    return TXmlDocument::Parse(text);
}

TEST(XmlDocument, KeepsDocumentOrderAndDropsWhitespaceOnlyText) {
    auto doc =
        Parse(u"<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n<p:I xmlns:p=\"urn:p\">\n  <p:B> b </p:B>\n  "
              u"<!-- c -->\n  t <![CDATA[d]]><?pi x?><A/>\n</p:I>");
    TXmlNode root = doc->DocumentElement();
    EXPECT_EQ(root.Name(), u"p:I");
    EXPECT_EQ(root.LocalName(), u"I");
    std::vector<TXmlNode> children = root.Children();
    ASSERT_EQ(children.size(), 6u);
    EXPECT_EQ(root.ChildCount(), 6u);
    const char16_t* names[] = {u"p:B", u"#comment", u"#text", u"#cdata-section", u"pi", u"A"};
    for (std::size_t i = 0; i < children.size(); ++i)
        EXPECT_EQ(children[i].Name(), names[i]);
    EXPECT_EQ(children[0].Text(), u" b "); // text is kept as written
    EXPECT_EQ(children[2].Text(), u"\n  t ");
    EXPECT_TRUE(children[0].IsTextElement());
    EXPECT_FALSE(children[5].IsTextElement());
    EXPECT_FALSE(children[5].HasChildren());
}

TEST(XmlDocument, TextElementIsAnElementWithOneTextChild) {
    struct {
        const char16_t* Xml;
        bool Expected;
    } cases[] = {
        {u"<a>x</a>", true},
        {u"<a/>", false},
        {u"<a><![CDATA[x]]></a>", false},
        {u"<a><!--x--></a>", false},
        {u"<a><b>x</b></a>", false},
        {u"<a>x<b/></a>", false},
        {u"<a>x<!--c-->y</a>", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.Xml));
        EXPECT_EQ(Parse(c.Xml)->DocumentElement().IsTextElement(), c.Expected);
    }
    EXPECT_EQ(Parse(u"<a>x<b>y<![CDATA[z]]></b>w</a>")->DocumentElement().Text(), u"xyzw");
}

TEST(XmlDocument, NamespaceOfAnElementIsItsPrefixsNearestDeclaration) {
    auto doc = Parse(u"<p:I xmlns:p=\"urn:outer\" xmlns=\"urn:default\">"
                     u"<p:A/><B/><q:C xmlns:q=\"urn:q\"/><p:D xmlns:p=\"urn:inner\"/><x:E/>"
                     u"<F xmlns=\"\"/></p:I>");
    TXmlNode root = doc->DocumentElement();
    EXPECT_EQ(root.NamespaceUri(), u"urn:outer");
    std::vector<TXmlNode> c = root.Children();
    EXPECT_EQ(c[0].NamespaceUri(), u"urn:outer");
    EXPECT_EQ(c[1].NamespaceUri(), u"urn:default");
    EXPECT_EQ(c[2].NamespaceUri(), u"urn:q");
    EXPECT_EQ(c[3].NamespaceUri(), u"urn:inner");
    EXPECT_EQ(c[4].NamespaceUri(), u""); // undeclared prefix
    EXPECT_EQ(c[5].NamespaceUri(), u"");
}

TEST(XmlDocument, NodesKeepTheirDocumentAlive) {
    TXmlNode node;
    {
        auto doc = Parse(u"<a><b>kept</b></a>");
        node = doc->DocumentElement().FirstChild();
    }
    EXPECT_EQ(node.Text(), u"kept");
    TXmlNode empty;
    EXPECT_TRUE(empty.IsNull());
    EXPECT_EQ(empty.Name(), u"");
    EXPECT_TRUE(empty.Children().empty());
    EXPECT_TRUE(empty.FirstChild().IsNull());
}

TEST(XmlDocument, NonAsciiTextSurvives) {
    auto doc = TXmlDocument::ParseUtf8("<a>Dienst f\xC3\xBCr \xF0\x9F\x98\x80</a>");
    EXPECT_EQ(doc->DocumentElement().Text(), u"Dienst f\u00FCr \U0001F600");
}

TEST(LocalNamePart, IsEverythingAfterTheFirstColon) {
    EXPECT_EQ(LocalNamePart(u"p:Name"), u"Name");
    EXPECT_EQ(LocalNamePart(u"a:b:c"), u"b:c");
    EXPECT_EQ(LocalNamePart(u":x"), u"x");
    EXPECT_EQ(LocalNamePart(u"Name"), u"Name");
}

std::string Nested(std::size_t depth) {
    std::string s;
    for (std::size_t i = 0; i < depth; ++i)
        s += "<a>";
    s += "x";
    for (std::size_t i = 0; i < depth; ++i)
        s += "</a>";
    return s;
}

struct THostileCase {
    const char* Label;
    std::string Utf8;
    const char* MessagePart;
};

TEST(XmlDocument, HostileTextEndsInAClearError) {
    const THostileCase cases[] = {
        {"truncated", "<p:I xmlns:p=\"urn:p\"><p:Name>Spo", "not well-formed"},
        {"mismatched tags", "<a><b></a></b>", "not well-formed"},
        {"empty", "", "not well-formed"},
        {"only a comment", "<!-- x -->", "document element"},
        {"text after the element", "<a/>tail", "outside the document element"},
        {"two roots", "<a/><b/>", "more than one document element"},
        {"doctype", "<!DOCTYPE a><a/>", "document type declaration"},
        {"external entity",
         "<?xml version=\"1.0\"?><!DOCTYPE a [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><a>&e;</a>",
         "document type declaration"},
        {"parameter entity", "<!DOCTYPE a [<!ENTITY % p SYSTEM \"http://127.0.0.1:9/x.dtd\"> %p;]><a/>",
         "document type declaration"},
        {"entity expansion", "<!DOCTYPE a [<!ENTITY b \"bbbbbbbb\"><!ENTITY c \"&b;&b;&b;&b;\">]><a>&c;</a>",
         "document type declaration"},
        {"external DTD", "<!DOCTYPE a SYSTEM \"http://127.0.0.1:9/a.dtd\"><a/>", "document type declaration"},
        {"doctype inside", "<a><!DOCTYPE b></a>", ""},
        {"deep nesting", Nested(10000), "deeper than 256"},
        {"invalid UTF-8", "<a>\xC3\x28</a>", "Invalid UTF-8"},
        {"overlong UTF-8", "<a>\xC0\xAF</a>", "Invalid UTF-8"},
        {"UTF-8 surrogate", "<a>\xED\xA0\x80</a>", "Invalid UTF-8"},
        {"truncated UTF-8", "<a>\xE2\x82", "Invalid UTF-8"},
        {"control character", std::string("<a>\x01</a>"), "U+0001 is not allowed"},
        {"NUL", std::string("<a>\0</a>", 8), "U+0000 is not allowed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        try {
            TXmlDocument::ParseUtf8(c.Utf8);
            ADD_FAILURE() << "accepted";
        } catch (const TXmlError& e) {
            EXPECT_NE(std::string(e.what()).find(c.MessagePart), std::string::npos) << e.what();
        }
    }
}

TEST(XmlDocument, HostileWideTextEndsInAClearError) {
    const std::pair<WideString, const char*> cases[] = {
        {WideString(u"<a>") + char16_t(0xD800) + u"</a>", "Invalid UTF-16"},
        {WideString(u"<a>") + char16_t(0xDC00) + char16_t(0xD800) + u"</a>", "Invalid UTF-16"},
        {u"<a>\uFFFE</a>", "U+FFFE is not allowed"},
        {u"<a>" + WideString(50 * 1024 * 1024, u'x') + u"</a>", "too long"},
    };
    for (const auto& [text, part] : cases) {
        SCOPED_TRACE(part);
        try {
            Parse(text);
            ADD_FAILURE() << "accepted";
        } catch (const TXmlError& e) {
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
        }
    }
}

TEST(XmlDocument, LimitsLeaveOrdinaryItemsAlone) {
    EXPECT_NO_THROW(TXmlDocument::ParseUtf8(Nested(MaxXmlDepth)));
    EXPECT_THROW(TXmlDocument::ParseUtf8(Nested(MaxXmlDepth + 1)), TXmlError);
    EXPECT_EQ(Parse(u"\uFEFF<a>b</a>")->DocumentElement().Text(), u"b"); // a byte order mark is skipped
    EXPECT_NO_THROW(Parse(u"<a>" + WideString(1024 * 1024, u'x') + u"</a>"));
    // The limit counts characters of wide text, even where UTF-8 needs three bytes each.
    EXPECT_NO_THROW(Parse(u"<a>" + WideString(MaxXmlTextLength / 2, u'\u20AC') + u"</a>"));
    // An entity reference without a declaration is not expanded from anywhere.
    EXPECT_EQ(Parse(u"<a>&unknown;</a>")->DocumentElement().Text(), u"&unknown;");
}

} // namespace
} // namespace tarnwick::xml
