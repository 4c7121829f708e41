#pragma once
// Helpers of the local WMI tests: connect through the class registry as the
// connection does, run a query, read rows and properties.

#include "platform/com/ClassRegistry.h"
#include "platform/localwmi/LocalWmi.h"
#include "wmi/WbemScripting.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnwick::localwmi::test {

using namespace tarnwick::wmi;
using com::HRESULT;
using com::TComPtr;
using com::TVariant;

inline TComPtr<ISWbemLocator> Locator() {
    RegisterLocalWmi();
    TComPtr<ISWbemLocator> locator;
    EXPECT_EQ(com::CoCreateInstance(CLSID_SWbemLocator, com::CLSCTX_ALL, locator), com::S_OK);
    return locator;
}

inline HRESULT Connect(TComPtr<ISWbemServices>& services, const WideString& server = {},
                       const WideString& ns = u"root\\cimv2", const WideString& user = {},
                       const WideString& password = {}, const WideString& authority = {}) {
    return Locator()->ConnectServer(server, ns, user, password, {}, authority, 128, nullptr, services.Put());
}

inline TComPtr<ISWbemServices> Cimv2() {
    TComPtr<ISWbemServices> services;
    EXPECT_EQ(Connect(services), com::S_OK);
    return services;
}

// Every object of the query, read with Next(1) as the dataset does.
inline std::vector<TComPtr<ISWbemObject>> Rows(ISWbemServices* services, const WideString& wql,
                                               LONG flags = 16) {
    std::vector<TComPtr<ISWbemObject>> rows;
    TComPtr<ISWbemObjectSet> set;
    HRESULT hr = services->ExecQuery(wql, u"WQL", flags, nullptr, set.Put());
    EXPECT_EQ(hr, com::S_OK) << ToUtf8(wql);
    if (hr != com::S_OK) return rows;
    TComPtr<com::IUnknown> unk;
    EXPECT_EQ(set->Get__NewEnum(unk.Put()), com::S_OK);
    auto en = unk.As<com::IEnumVARIANT>();
    while (true) {
        TVariant v;
        com::ULONG fetched = 0;
        HRESULT next = en->Next(1, &v, &fetched);
        if (next != com::S_OK) {
            EXPECT_EQ(next, com::S_FALSE);
            EXPECT_EQ(fetched, 0u);
            break;
        }
        EXPECT_EQ(fetched, 1u);
        TComPtr<com::IUnknown> item(v.Unknown());
        rows.push_back(item.As<ISWbemObject>());
        EXPECT_TRUE(rows.back());
    }
    return rows;
}

inline TComPtr<ISWbemProperty> Prop(ISWbemObject* object, const WideString& name) {
    TComPtr<ISWbemPropertySet> props;
    EXPECT_EQ(object->Get_Properties_(props.Put()), com::S_OK);
    TComPtr<ISWbemProperty> prop;
    EXPECT_EQ(props->Item(name, 0, prop.Put()), com::S_OK) << ToUtf8(name);
    return prop;
}

inline TVariant Value(ISWbemObject* object, const WideString& name) {
    TVariant v;
    auto prop = Prop(object, name);
    if (prop) {
        EXPECT_EQ(prop->Get_Value(&v), com::S_OK);
    }
    return v;
}

// Property names in enumeration order.
inline std::vector<WideString> Names(ISWbemObject* object) {
    std::vector<WideString> names;
    TComPtr<ISWbemPropertySet> props;
    EXPECT_EQ(object->Get_Properties_(props.Put()), com::S_OK);
    TComPtr<com::IUnknown> unk;
    EXPECT_EQ(props->Get__NewEnum(unk.Put()), com::S_OK);
    auto en = unk.As<com::IEnumVARIANT>();
    TVariant v;
    com::ULONG fetched = 0;
    while (en->Next(1, &v, &fetched) == com::S_OK) {
        auto prop = TComPtr<com::IUnknown>(v.Unknown()).As<ISWbemProperty>();
        WideString name;
        EXPECT_EQ(prop->Get_Name(&name), com::S_OK);
        names.push_back(name);
    }
    return names;
}

inline HRESULT QueryResult(ISWbemServices* services, const WideString& wql, LONG flags = 0,
                           const WideString& language = u"WQL") {
    TComPtr<ISWbemObjectSet> set;
    return services->ExecQuery(wql, language, flags, nullptr, set.Put());
}

} // namespace tarnwick::localwmi::test
