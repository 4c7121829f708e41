// The common base of the bridge's objects, the empty qualifier set and the method set.

#include "unit/wsman/BridgeTestUtil.h"
#include "unit/wsman/FakeWSMan.h"
#include "wsman/VelEmptyWbemQualifierSetAdapter.h"
#include "wsman/VelWSManEnumeratorToWbemObjectSetAdapter.h"
#include "wsman/VelXMLToWbemMethodSetAdapter.h"

#include <functional>

namespace tarnwick::wsman::testing {
namespace {

constexpr HRESULT WBEM_E_METHOD_NOT_IMPLEMENTED = com::Hr(0x8004102E);

// One object of every dispatch class of the bridge.
std::vector<std::pair<const char*, com::TComPtr<com::IDispatch>>> EveryBridgeObject() {
    auto object = MakeObject(ServiceItem(u"<p:Name>Spooler</p:Name>"));
    com::TComPtr<wmi::ISWbemPropertySet> properties = PropertiesOf(object);
    com::TComPtr<wmi::ISWbemProperty> property;
    properties->Item(u"Name", 0, property.Put());
    com::TComPtr<wmi::ISWbemMethodSet> methods;
    object->Get_Methods_(methods.Put());
    com::TComPtr<wmi::ISWbemMethod> method;
    methods->Item(u"StartService", 0, method.Put());
    com::TComPtr<wmi::ISWbemObjectPath> path;
    object->Get_Path_(path.Put());
    auto script = std::make_shared<TFakeWSManScript>();
    return {
        {"object", object},
        {"property set", properties},
        {"property", property},
        {"method set", methods},
        {"method", method},
        {"path", path},
        {"placeholder object", com::MakeCom<TVelWbemObjectAdapter>()},
        {"qualifier set", com::MakeCom<TVelEmptyWbemQualifierSetAdapter>()},
        {"object set", com::MakeCom<TVelWSManEnumeratorAsWbemObjectSet>(MakeFakeEnumerator(script, {}),
                                                                        MakeFakeSession(script))},
    };
}

TEST(InterfacedDispatch, DispatchByNameFailsWithENotImplAndWritesNothing) {
    for (auto& [label, object] : EveryBridgeObject()) {
        SCOPED_TRACE(label);
        com::UINT count = 77;
        EXPECT_EQ(object->GetTypeInfoCount(&count), com::E_NOTIMPL);
        EXPECT_EQ(count, 77u);
        com::ITypeInfo* info = reinterpret_cast<com::ITypeInfo*>(0x1);
        EXPECT_EQ(object->GetTypeInfo(0, 0, &info), com::E_NOTIMPL);
        EXPECT_EQ(info, reinterpret_cast<com::ITypeInfo*>(0x1));
        WideString name = u"Name";
        com::DISPID id = 5;
        EXPECT_EQ(object->GetIDsOfNames(com::IUnknown::iid, &name, 1, 0, &id), com::E_NOTIMPL);
        EXPECT_EQ(id, 5);
        com::TVariant result(u"kept");
        com::UINT argErr = 3;
        EXPECT_EQ(object->Invoke(1, com::IUnknown::iid, 0, 1, nullptr, &result, nullptr, &argErr),
                  com::E_NOTIMPL);
        EXPECT_EQ(result.RawText(), u"kept");
        EXPECT_EQ(argErr, 3u);
    }
}

TEST(InterfacedDispatch, UndeclaredInterfaceIsRefusedAndTheCountStays) {
    for (auto& [label, object] : EveryBridgeObject()) {
        SCOPED_TRACE(label);
        const com::ULONG before = object->AddRef() - 1;
        object->Release();
        void* out = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(object->QueryInterface(com::IEnumVARIANT::iid, &out), com::E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(object->QueryInterface(wmi::ISWbemLocator::iid, &out), com::E_NOINTERFACE);
        EXPECT_EQ(object->AddRef() - 1, before);
        object->Release();
        EXPECT_TRUE(object.As<com::IDispatch>());
        EXPECT_TRUE(object.As<com::IUnknown>());
    }
}

TEST(EmptyQualifierSet, EnumeratesNothingWhateverTheCount) {
    auto set = com::MakeCom<TVelEmptyWbemQualifierSetAdapter>();
    auto first = NewEnum(set);
    auto second = NewEnum(set);
    EXPECT_NE(first.Get(), second.Get());
    for (com::ULONG celt : {0u, 1u, 5u}) {
        SCOPED_TRACE(celt);
        com::TVariant value(u"kept");
        com::ULONG fetched = 9;
        EXPECT_EQ(first->Next(celt, &value, &fetched), com::S_FALSE);
        EXPECT_EQ(fetched, 9u);
        EXPECT_EQ(value.RawText(), u"kept");
    }
}

TEST(EmptyQualifierSet, RefusedOperationsNameThemselves) {
    auto set = com::MakeCom<TVelEmptyWbemQualifierSetAdapter>();
    auto e = NewEnum(set);
    com::TComPtr<wmi::ISWbemQualifier> qualifier;
    com::TComPtr<com::IEnumVARIANT> clone;
    com::LONG count = 0;
    ExpectNotImplemented([&] { set->Item(u"KEY", 0, qualifier.Put()); }, u"Item not implemented");
    ExpectNotImplemented([&] { set->Get_Count(&count); }, u"Get_Count not implemented");
    ExpectNotImplemented([&] { set->Add(u"KEY", com::TVariant(true), 0, 0, 0, 0, qualifier.Put()); },
                         u"Add not implemented");
    ExpectNotImplemented([&] { set->Remove(u"KEY", 0); }, u"Remove not implemented");
    ExpectNotImplemented([&] { e->Skip(1); }, u"Skip not implemented");
    ExpectNotImplemented([&] { e->Reset(); }, u"Reset not implemented");
    ExpectNotImplemented([&] { e->Clone(clone.Put()); }, u"Clone not implemented");
}

TEST(MethodSet, KnowsExactlyTheTwoServiceMethods) {
    auto set = com::MakeCom<TVelXMLToWbemMethodSetAdapter>();
    for (const char16_t* name : {u"StartService", u"ResumeService"}) {
        SCOPED_TRACE(U8(name));
        com::TComPtr<wmi::ISWbemMethod> first, second;
        ASSERT_EQ(set->Item(name, 0, first.Put()), com::S_OK);
        ASSERT_EQ(set->Item(name, 0, second.Put()), com::S_OK);
        EXPECT_NE(first.Get(), second.Get());
        WideString got;
        EXPECT_EQ(second->Get_Name(&got), com::S_OK);
        EXPECT_EQ(got, name);
        com::TComPtr<wmi::ISWbemObject> in(MakeObject(ServiceItem(u""))), out(MakeObject(ServiceItem(u"")));
        EXPECT_EQ(first->Get_InParameters(in.Put()), com::S_OK);
        EXPECT_EQ(first->Get_OutParameters(out.Put()), com::S_OK);
        EXPECT_FALSE(in);
        EXPECT_FALSE(out);
        com::TComPtr<wmi::ISWbemQualifierSet> qualifiers;
        ASSERT_EQ(first->Get_Qualifiers_(qualifiers.Put()), com::S_OK);
        com::TVariant q;
        EXPECT_EQ(NewEnum(qualifiers)->Next(1, &q, nullptr), com::S_FALSE);
        WideString origin = u"stale";
        ExpectNotImplemented([&] { first->Get_Origin(&origin); }, u"Get_Origin not implemented");
        EXPECT_EQ(origin, u"");
    }
    for (const char16_t* name : {u"startservice", u"StopService", u"StartService ", u""}) {
        SCOPED_TRACE(U8(name));
        com::TComPtr<wmi::ISWbemMethod> method;
        EXPECT_EQ(set->Item(name, 0, method.Put()), WBEM_E_METHOD_NOT_IMPLEMENTED);
        EXPECT_FALSE(method);
    }
    com::TComPtr<com::IUnknown> unknown;
    com::LONG count = 0;
    ExpectNotImplemented([&] { set->Get__NewEnum(unknown.Put()); }, u"Get__NewEnum not implemented");
    ExpectNotImplemented([&] { set->Get_Count(&count); }, u"Get_Count not implemented");
}

} // namespace
} // namespace tarnwick::wsman::testing
