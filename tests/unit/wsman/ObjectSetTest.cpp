// The enumeration of a query as an object set: one item per Next, one shared position.

#include "platform/xml/XmlDocument.h"
#include "unit/wsman/BridgeTestUtil.h"
#include "unit/wsman/FakeWSMan.h"
#include "wsman/VelWSManEnumeratorToWbemObjectSetAdapter.h"
#include "wsman/WSManError.h"

#include <gmock/gmock.h>

namespace tarnwick::wsman::testing {
namespace {

using ::testing::ElementsAre;
using wmi::ISWbemObject;

WideString Named(const WideString& name) {
    return ServiceItem(u"<p:Name>" + name + u"</p:Name>");
}

class ObjectSet : public ::testing::Test {
protected:
    TFakeScriptRef Script = std::make_shared<TFakeWSManScript>();
    com::TComPtr<wmi::ISWbemObjectSet> Set(std::vector<WideString> items) {
        return com::MakeCom<TVelWSManEnumeratorAsWbemObjectSet>(MakeFakeEnumerator(Script, std::move(items)),
                                                                MakeFakeSession(Script));
    }
    static WideString NameOfObject(const com::TComPtr<ISWbemObject>& object) {
        return ItemValue(object, u"Name").RawText();
    }
};

TEST_F(ObjectSet, YieldsOneObjectPerItemThenSFalse) {
    auto e = NewEnum(Set({Named(u"A"), Named(u"B")}));
    EXPECT_EQ(NameOfObject(NextAs<ISWbemObject>(e.Get())), u"A");
    EXPECT_EQ(NameOfObject(NextAs<ISWbemObject>(e.Get())), u"B");
    com::TVariant value(u"kept");
    com::ULONG fetched = 0;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(e->Next(1, &value, &fetched), com::S_FALSE);
        EXPECT_EQ(fetched, 0u);
        EXPECT_EQ(value.RawText(), u"kept");
    }
    // One ReadItem per Next, nothing read ahead.
    EXPECT_THAT(Script->Calls, ElementsAre(u"AtEndOfStream", u"ReadItem", u"AtEndOfStream", u"ReadItem",
                                           u"AtEndOfStream", u"AtEndOfStream", u"AtEndOfStream"));
}

TEST_F(ObjectSet, EmptyResultEndsAtTheFirstNext) {
    auto e = NewEnum(Set({}));
    com::TVariant value(u"kept");
    com::ULONG fetched = 4;
    EXPECT_EQ(e->Next(1, &value, &fetched), com::S_FALSE);
    EXPECT_EQ(fetched, 4u);
    EXPECT_EQ(value.RawText(), u"kept");
}

TEST_F(ObjectSet, OtherCountsAreRefusedAndNothingIsRead) {
    for (auto items : {std::vector<WideString>{Named(u"A")}, std::vector<WideString>{}}) {
        auto e = NewEnum(Set(items));
        com::TVariant value;
        for (com::ULONG celt : {0u, 2u}) {
            SCOPED_TRACE(celt);
            ExpectNotImplemented([&] { e->Next(celt, &value, nullptr); }, u"celt <> 1. We only support 1.");
        }
    }
    EXPECT_TRUE(Script->Calls.empty());
}

TEST_F(ObjectSet, EnumeratorsShareOnePosition) {
    auto set = Set({Named(u"A"), Named(u"B"), Named(u"C")});
    auto first = NewEnum(set);
    auto second = NewEnum(set);
    EXPECT_NE(first.Get(), second.Get());
    EXPECT_EQ(NameOfObject(NextAs<ISWbemObject>(first.Get())), u"A");
    EXPECT_EQ(NameOfObject(NextAs<ISWbemObject>(second.Get())), u"B");
    EXPECT_EQ(NameOfObject(NextAs<ISWbemObject>(first.Get())), u"C");
    HRESULT hr = 0;
    EXPECT_FALSE(NextAs<ISWbemObject>(second.Get(), &hr));
    EXPECT_EQ(hr, com::S_FALSE);
}

TEST_F(ObjectSet, ObjectsOutliveTheSetAndTheEnumerator) {
    com::TComPtr<ISWbemObject> object;
    {
        auto e = NewEnum(Set({Named(u"Spooler")}));
        object = NextAs<ISWbemObject>(e.Get());
    }
    ASSERT_TRUE(object);
    EXPECT_EQ(NameOfObject(object), u"Spooler");
    Script->InvokeAnswers = {u"<p:O xmlns:p=\"urn:p\"><p:ReturnValue>0</p:ReturnValue></p:O>"};
    com::TComPtr<ISWbemObject> out;
    EXPECT_EQ(object->ExecMethod_(u"StartService", nullptr, 0, nullptr, out.Put()),
              0); // the session lives on
}

TEST_F(ObjectSet, ABadItemIsConsumedAndTheNextOneReads) {
    auto e = NewEnum(Set(
        {u"<p:Broken>", u"<!DOCTYPE x [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><x>&e;</x>", Named(u"B")}));
    com::TVariant value(u"kept");
    com::ULONG fetched = 0;
    EXPECT_THROW(e->Next(1, &value, &fetched), xml::TXmlError);
    EXPECT_THROW(e->Next(1, &value, &fetched), xml::TXmlError);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(value.RawText(), u"kept");
    EXPECT_EQ(NameOfObject(NextAs<ISWbemObject>(e.Get())), u"B");
}

TEST_F(ObjectSet, ComponentFailuresLeaveNextAndWriteNothing) {
    auto e = NewEnum(Set({Named(u"A")}));
    com::TVariant value(u"kept");
    com::ULONG fetched = 0;
    for (const char* op : {"AtEndOfStream", "ReadItem"}) {
        SCOPED_TRACE(op);
        Script->Fail(op, com::RPC_S_SERVER_UNAVAILABLE, u"The connection to the server was lost.");
        try {
            e->Next(1, &value, &fetched);
            FAIL() << "no exception";
        } catch (const TWSManException& error) {
            EXPECT_EQ(error.ErrorCode(), com::RPC_S_SERVER_UNAVAILABLE);
            EXPECT_EQ(error.Message(), u"The connection to the server was lost");
        }
        EXPECT_EQ(fetched, 0u);
        EXPECT_EQ(value.RawText(), u"kept");
    }
    EXPECT_EQ(NameOfObject(NextAs<ISWbemObject>(e.Get())), u"A");
}

TEST_F(ObjectSet, RefusedOperationsNameThemselves) {
    auto set = Set({Named(u"A")});
    auto e = NewEnum(set);
    com::TComPtr<ISWbemObject> object;
    com::TComPtr<wmi::ISWbemSecurity> security;
    com::TComPtr<com::IEnumVARIANT> clone;
    com::LONG count = 0;
    ExpectNotImplemented([&] { set->Item(u"Win32_Service.Name=\"A\"", 0, object.Put()); },
                         u"Item not implemented");
    ExpectNotImplemented([&] { set->Get_Count(&count); }, u"Get_Count not implemented");
    ExpectNotImplemented([&] { set->Get_Security_(security.Put()); }, u"Get_Security_ not implemented");
    ExpectNotImplemented([&] { e->Skip(1); }, u"Skip not implemented");
    ExpectNotImplemented([&] { e->Reset(); }, u"Reset not implemented");
    ExpectNotImplemented([&] { e->Clone(clone.Put()); }, u"Clone not implemented");
    EXPECT_TRUE(Script->Calls.empty());
}

} // namespace
} // namespace tarnwick::wsman::testing
