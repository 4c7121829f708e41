// The properties of an item: enumeration in runs, lookup by local name, values.

#include "platform/time/Iso8601.h"
#include "unit/wsman/BridgeTestUtil.h"
#include "wsman/VelEmptyWbemQualifierSetAdapter.h"

#include <gmock/gmock.h>

namespace tarnwick::wsman::testing {
namespace {

using ::testing::ElementsAre;
using wmi::ISWbemProperty;

constexpr HRESULT WBEM_E_NOT_FOUND = com::Hr(0x80041002);

TDateTime At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return EncodeDateTime(TDateTimeParts{y, mo, d, h, mi, s, ms});
}

TEST(PropertySet, EnumeratesRunsOfEquallyNamedChildrenInDocumentOrder) {
    // p:A, p:B, p:A: three properties; adjacent p:Name and P:NAME are one run
    // (ASCII case folded), p:Name and q:Name are two.
    auto object = MakeObject(ServiceItem(u"<p:A>1</p:A><p:B>2</p:B><p:A>3</p:A>"
                                         u"<p:Name>x</p:Name><P:NAME>y</P:NAME>"
                                         u"<q:Name xmlns:q=\"urn:q\">z</q:Name>"));
    EXPECT_THAT(EnumeratedNames(object), ElementsAre(u"p:A", u"p:B", u"p:A", u"p:Name", u"q:Name"));

    auto e = NewEnum(PropertiesOf(object));
    NextAs<ISWbemProperty>(e.Get());
    NextAs<ISWbemProperty>(e.Get());
    EXPECT_EQ(VarToWideStr(ValueOf(NextAs<ISWbemProperty>(e.Get()))), u"3"); // the last p:A alone
    EXPECT_EQ(VarToWideStr(ValueOf(NextAs<ISWbemProperty>(e.Get()))), u"{x,y}");
    // Item joins the two p:A although they are not adjacent, and Name across prefixes.
    EXPECT_EQ(VarToWideStr(ItemValue(object, u"A")), u"{1,3}");
    EXPECT_EQ(VarToWideStr(ItemValue(object, u"Name")), u"{x,y,z}");
}

TEST(PropertySet, EnumeratorEndsWithSFalseAndWritesNothing) {
    auto e = NewEnum(PropertiesOf(MakeObject(u"<p:Empty xmlns:p=\"urn:p\"/>")));
    com::TVariant value(u"untouched");
    com::ULONG fetched = 7;
    EXPECT_EQ(e->Next(1, &value, &fetched), com::S_FALSE);
    EXPECT_EQ(value.RawText(), u"untouched");
    EXPECT_EQ(fetched, 7u);

    auto one = NewEnum(PropertiesOf(MakeObject(ServiceItem(u"<p:A>1</p:A>"))));
    EXPECT_EQ(one->Next(1, &value, nullptr), com::S_OK); // a null count is allowed
    EXPECT_EQ(value.Type(), com::VT_UNKNOWN);
    EXPECT_EQ(one->Next(1, &value, &fetched), com::S_FALSE);
    EXPECT_EQ(one->Next(1, &value, &fetched), com::S_FALSE);
}

TEST(PropertySet, EnumeratorRefusesOtherCountsWithoutMoving) {
    auto e = NewEnum(PropertiesOf(MakeObject(ServiceItem(u"<p:A>1</p:A>"))));
    com::TVariant value;
    for (com::ULONG celt : {0u, 2u, 5u}) {
        SCOPED_TRACE(celt);
        ExpectNotImplemented([&] { e->Next(celt, &value, nullptr); }, u"celt <> 1. We only support 1.");
    }
    EXPECT_EQ(NameOf(NextAs<ISWbemProperty>(e.Get())), u"p:A");
}

TEST(PropertySet, ItemFindsEveryChildWithTheLocalNameAnywhere) {
    auto object = MakeObject(ServiceItem(u"<p:Name>a</p:Name><p:B>b</p:B><q:name xmlns:q=\"urn:q\">c</q:name>"
                                         u"<p:x:y>d</p:x:y>"));
    for (const char16_t* request : {u"Name", u"p:Name", u"x:name", u"NAME"}) {
        SCOPED_TRACE(U8(request));
        com::TComPtr<ISWbemProperty> property;
        ASSERT_EQ(PropertiesOf(object)->Item(request, 0, property.Put()), com::S_OK);
        EXPECT_EQ(NameOf(property), u"p:Name"); // the first match names it, not the request
        EXPECT_EQ(VarToWideStr(ValueOf(property)), u"{a,c}");
    }
    // A request with two colons looks for the local part after the first one.
    EXPECT_EQ(VarToWideStr(ItemValue(object, u"a:x:y")), u"d");

    HRESULT hr = 0;
    ItemValue(object, u"Missing", &hr);
    EXPECT_EQ(hr, WBEM_E_NOT_FOUND);
    // The out-parameter is emptied even when it held something.
    com::TComPtr<ISWbemProperty> stale;
    PropertiesOf(object)->Item(u"B", 0, stale.Put());
    ISWbemProperty* raw = stale.Get(); // still owned by stale
    EXPECT_EQ(PropertiesOf(object)->Item(u"Nope", 0, &raw), WBEM_E_NOT_FOUND);
    EXPECT_EQ(raw, nullptr);
}

TEST(PropertySet, ItemOnAnElementWithoutChildrenFindsNothing) {
    HRESULT hr = 0;
    ItemValue(MakeObject(u"<p:Empty xmlns:p=\"urn:p\"></p:Empty>"), u"Empty", &hr);
    EXPECT_EQ(hr, WBEM_E_NOT_FOUND);
}

struct TValueCase {
    const char* Label;
    const char16_t* Children;
    com::VARTYPE Type;
    const char16_t* Text; // for VT_BSTR
};

class NodeValue : public ::testing::TestWithParam<TValueCase> {};

TEST_P(NodeValue, ReadsAsTheItemWritesIt) {
    const TValueCase& c = GetParam();
    com::TVariant value = ItemValue(MakeObject(ServiceItem(c.Children)), u"V");
    EXPECT_EQ(value.Type(), c.Type);
    if (c.Type == com::VT_BSTR) {
        EXPECT_EQ(value.RawText(), c.Text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, NodeValue,
    ::testing::Values(
        TValueCase{"text", u"<p:V>Spooler</p:V>", com::VT_BSTR, u"Spooler"},
        TValueCase{"untrimmed", u"<p:V>  a b </p:V>", com::VT_BSTR, u"  a b "},
        TValueCase{"digits stay text", u"<p:V>0042</p:V>", com::VT_BSTR, u"0042"},
        TValueCase{"true stays text", u"<p:V>true</p:V>", com::VT_BSTR, u"true"},
        TValueCase{"escaped", u"<p:V>&quot;C:\\a&amp;b&quot;</p:V>", com::VT_BSTR, u"\"C:\\a&b\""},
        TValueCase{"empty pair", u"<p:V></p:V>", com::VT_BSTR, u""},
        TValueCase{"nil is empty text", u"<p:V xsi:nil=\"true\"/>", com::VT_BSTR, u""},
        // Spaces only are dropped on parsing, so such a value reads as empty.
        TValueCase{"spaces only", u"<p:V>   </p:V>", com::VT_BSTR, u""},
        TValueCase{"cim:Datetime of the CIM namespace",
                   u"<p:V><cim:Datetime>2013-03-09T02:57:32Z</cim:Datetime></p:V>", com::VT_DATE, nullptr},
        TValueCase{"Datetime of another namespace",
                   u"<p:V><q:Datetime xmlns:q=\"urn:q\">2013-03-09T02:57:32Z</q:Datetime></p:V>", com::VT_EMPTY,
                   nullptr},
        TValueCase{"datetime other case", u"<p:V><datetime>2013-03-09T02:57:32Z</datetime></p:V>",
                   com::VT_EMPTY, nullptr},
        TValueCase{"nested structure", u"<p:V><p:A>1</p:A><p:B>2</p:B></p:V>", com::VT_EMPTY, nullptr},
        TValueCase{"CDATA only", u"<p:V><![CDATA[x]]></p:V>", com::VT_EMPTY, nullptr},
        TValueCase{"mixed content", u"<p:V>a<p:B/>b</p:V>", com::VT_EMPTY, nullptr},
        TValueCase{"Datetime", u"<p:V><Datetime>2013-03-09T02:57:32Z</Datetime></p:V>", com::VT_DATE,
                   nullptr}),
    [](const auto& info) {
        std::string name = info.param.Label;
        for (char& ch : name)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST(PropertyValue, DatetimeChildBecomesTheUtcInstant) {
    struct {
        const char16_t* Text;
        TDateTime Expected;
    } cases[] = {
        {u"2013-03-09T02:57:32Z", At(2013, 3, 9, 2, 57, 32)},
        {u"2013-03-09T02:57:32", At(2013, 3, 9, 2, 57, 32)},
        {u"2013-03-09T02:57:32+02:00", At(2013, 3, 9, 0, 57, 32)},
        {u"2013-04-15T16:31:13.580621Z", At(2013, 4, 15, 16, 31, 13, 581)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.Text));
        com::TVariant value = ItemValue(
            MakeObject(ServiceItem(u"<p:D><Datetime>" + WideString(c.Text) + u"</Datetime></p:D>")), u"D");
        ASSERT_EQ(value.Type(), com::VT_DATE);
        EXPECT_NEAR(value.RawDouble(), c.Expected, 1e-9);
    }
}

TEST(PropertyValue, BadDatetimeFailsWithTheParsersMessage) {
    auto object = MakeObject(ServiceItem(u"<p:D><Datetime>yesterday</Datetime></p:D>"));
    com::TComPtr<ISWbemProperty> property;
    ASSERT_EQ(PropertiesOf(object)->Item(u"D", 0, property.Put()), com::S_OK);
    com::TVariant value;
    try {
        property->Get_Value(&value);
        FAIL() << "no exception";
    } catch (const iso8601::TIso8601Error& e) {
        EXPECT_EQ(e.Message(), u"Invalid date string: yesterday");
    }
    EXPECT_TRUE(value.IsEmpty());
    EXPECT_EQ(NameOf(property), u"p:D"); // the property is still usable
}

TEST(PropertyValue, RepeatedElementsJoinInBraces) {
    struct {
        const char16_t* Children;
        const char16_t* Expected;
    } cases[] = {
        {u"<p:V>a</p:V><p:V/><p:V>c</p:V>", u"{a,,c}"},
        {u"<p:V>a</p:V><p:V><p:X>1</p:X></p:V><p:V>c</p:V>", u"{a,,c}"}, // a nested element adds nothing
        {u"<p:V>a, b</p:V><p:V>\"q\"</p:V>", u"{a, b,\"q\"}"},           // no quoting or escaping
        {u"<p:V>only</p:V>", u"only"},                                   // one element: a plain value
        // A date-time inside an array is written as its text.
        {u"<p:V>a</p:V><p:V><Datetime>2013-03-09T02:57:32+01:00</Datetime></p:V>",
         u"{a,2013-03-09 01:57:32}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.Children));
        com::TVariant value = ItemValue(MakeObject(ServiceItem(c.Children)), u"V");
        ASSERT_EQ(value.Type(), com::VT_BSTR);
        EXPECT_EQ(value.RawText(), c.Expected);
    }
}

TEST(Property, ReportsReferenceTypeNoArrayAndNoQualifiers) {
    auto object = MakeObject(ServiceItem(u"<p:A>1</p:A><p:B>1</p:B><p:B>2</p:B>"
                                         u"<p:C><Datetime>2013-03-09T02:57:32Z</Datetime></p:C>"));
    auto e = NewEnum(PropertiesOf(object));
    int seen = 0;
    while (auto property = NextAs<ISWbemProperty>(e.Get())) {
        ++seen;
        wmi::WbemCimtypeEnum type{};
        EXPECT_EQ(property->Get_CIMType(&type), com::S_OK);
        EXPECT_EQ(type, 102);
        com::VARIANT_BOOL isArray = com::VARIANT_TRUE;
        EXPECT_EQ(property->Get_IsArray(&isArray), com::S_OK);
        EXPECT_EQ(isArray, com::VARIANT_FALSE);
        com::TComPtr<wmi::ISWbemQualifierSet> qualifiers;
        ASSERT_EQ(property->Get_Qualifiers_(qualifiers.Put()), com::S_OK);
        com::TVariant q;
        EXPECT_EQ(NewEnum(qualifiers)->Next(1, &q, nullptr), com::S_FALSE);
    }
    EXPECT_EQ(seen, 3);
}

TEST(Property, RefusedOperationsNameThemselves) {
    com::TComPtr<ISWbemProperty> property;
    auto object = MakeObject(ServiceItem(u"<p:A>1</p:A>"));
    auto set = PropertiesOf(object);
    ASSERT_EQ(set->Item(u"A", 0, property.Put()), com::S_OK);
    WideString text = u"stale";
    com::VARIANT_BOOL flag = 0;
    com::LONG count = 0;
    com::TComPtr<ISWbemProperty> added;
    com::TVariant value;
    auto enumerator = NewEnum(set);
    com::TComPtr<com::IEnumVARIANT> clone;
    ExpectNotImplemented([&] { property->Set_Value(value); }, u"Set_Value not implemented");
    ExpectNotImplemented([&] { property->Get_IsLocal(&flag); }, u"Get_IsLocal not implemented");
    ExpectNotImplemented([&] { property->Get_Origin(&text); }, u"Get_Origin not implemented");
    EXPECT_EQ(text, u"");
    ExpectNotImplemented([&] { set->Get_Count(&count); }, u"Get_Count not implemented");
    ExpectNotImplemented([&] { set->Add(u"X", wmi::wbemCimtypeString, 0, 0, added.Put()); },
                         u"Add not implemented");
    ExpectNotImplemented([&] { set->Remove(u"A", 0); }, u"Remove not implemented");
    ExpectNotImplemented([&] { enumerator->Skip(1); }, u"Skip not implemented");
    ExpectNotImplemented([&] { enumerator->Reset(); }, u"Reset not implemented");
    ExpectNotImplemented([&] { enumerator->Clone(clone.Put()); }, u"Clone not implemented");
    // Nothing changed: the property still reads.
    EXPECT_EQ(VarToWideStr(ValueOf(property)), u"1");
}

TEST(Property, OutlivesItsSetEnumeratorAndObject) {
    com::TComPtr<ISWbemProperty> property;
    {
        auto object = MakeObject(ServiceItem(u"<p:Caption>Print Spooler</p:Caption>"));
        auto e = NewEnum(PropertiesOf(object));
        property = NextAs<ISWbemProperty>(e.Get());
    }
    EXPECT_EQ(NameOf(property), u"p:Caption");
    EXPECT_EQ(VarToWideStr(ValueOf(property)), u"Print Spooler");
}

TEST(Property, StrayCommentsAndTextBecomePropertiesOfTheirOwn) {
    auto object = MakeObject(ServiceItem(u"<p:A>1</p:A><!-- note -->x<p:B>2</p:B>"));
    EXPECT_THAT(EnumeratedNames(object), ElementsAre(u"p:A", u"#comment", u"#text", u"p:B"));
}

TEST(Property, ReadsAnUnqualifiedFragmentItem) {
    // What a property-list query returns: w:XmlFragment with unqualified children.
    auto object =
        MakeObject(u"<w:XmlFragment xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                   u"xmlns:w=\"http://schemas.dmtf.org/wbem/wsman/1/wsman.xsd\"><Caption>Spooler</Caption>"
                   u"<InstallDate><Datetime>2013-03-09T02:57:32Z</Datetime></InstallDate>"
                   u"<PathName xsi:nil=\"true\"/></w:XmlFragment>");
    EXPECT_THAT(EnumeratedNames(object), ElementsAre(u"Caption", u"InstallDate", u"PathName"));
    EXPECT_EQ(ItemValue(object, u"InstallDate").Type(), com::VT_DATE);
    EXPECT_EQ(ItemValue(object, u"p:Caption").RawText(), u"Spooler");
}

} // namespace
} // namespace tarnwick::wsman::testing
