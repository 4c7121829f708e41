#pragma once
// Helpers of the bridge's tests: items as the component hands them out, and the
// reads the query dataset makes (properties by enumeration, values by name).

#include "platform/com/Variant.h"
#include "wmi/WbemScripting.h"
#include "wsman/VelXMLToWbemObjectAdapter.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tarnwick::wsman::testing {

inline const WideString ServiceNs = u"http://schemas.microsoft.com/wbem/wsman/1/wmi/root/cimv2/Win32_Service";

// An instance element p:Win32_Service around the given children.
inline WideString ServiceItem(const WideString& children) {
    return u"<p:Win32_Service xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:p=\"" +
           ServiceNs +
           u"\" xmlns:cim=\"http://schemas.dmtf.org/wbem/wscim/1/common\" "
           u"xsi:type=\"p:Win32_Service_Type\">" +
           children + u"</p:Win32_Service>";
}

inline com::TComPtr<wmi::ISWbemObject> MakeObject(const WideString& xml,
                                                  com::TComPtr<IWSManSession> session = nullptr) {
    return com::MakeCom<TVelXMLToWbemObjectAdapter>(xml, std::move(session));
}

inline com::TComPtr<wmi::ISWbemPropertySet> PropertiesOf(const com::TComPtr<wmi::ISWbemObject>& object) {
    com::TComPtr<wmi::ISWbemPropertySet> set;
    EXPECT_EQ(object->Get_Properties_(set.Put()), com::S_OK);
    return set;
}

inline com::TComPtr<com::IEnumVARIANT> EnumOf(com::IUnknown* unknown) {
    com::TComPtr<com::IUnknown> holder(unknown);
    return holder.As<com::IEnumVARIANT>();
}

template <class Set> com::TComPtr<com::IEnumVARIANT> NewEnum(const com::TComPtr<Set>& set) {
    com::TComPtr<com::IUnknown> unknown;
    EXPECT_EQ(set->Get__NewEnum(unknown.Put()), com::S_OK);
    return unknown.As<com::IEnumVARIANT>();
}

template <class I> com::TComPtr<I> NextAs(com::IEnumVARIANT* enumerator, HRESULT* hr = nullptr) {
    com::TVariant value;
    com::ULONG fetched = 0;
    HRESULT result = enumerator->Next(1, &value, &fetched);
    if (hr) *hr = result;
    if (result != com::S_OK) return nullptr;
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(value.Type(), com::VT_UNKNOWN);
    return com::TComPtr<com::IUnknown>(value.Unknown()).As<I>();
}

inline WideString NameOf(const com::TComPtr<wmi::ISWbemProperty>& property) {
    WideString name;
    EXPECT_EQ(property->Get_Name(&name), com::S_OK);
    return name;
}

inline com::TVariant ValueOf(const com::TComPtr<wmi::ISWbemProperty>& property) {
    com::TVariant value;
    EXPECT_EQ(property->Get_Value(&value), com::S_OK);
    return value;
}

// The property names in enumeration order.
inline std::vector<WideString> EnumeratedNames(const com::TComPtr<wmi::ISWbemObject>& object) {
    std::vector<WideString> names;
    com::TComPtr<com::IEnumVARIANT> e = NewEnum(PropertiesOf(object));
    while (com::TComPtr<wmi::ISWbemProperty> p = NextAs<wmi::ISWbemProperty>(e.Get()))
        names.push_back(NameOf(p));
    return names;
}

// The value of the property found by Item; the result code through hr.
inline com::TVariant ItemValue(const com::TComPtr<wmi::ISWbemObject>& object, const WideString& name,
                               HRESULT* hr = nullptr) {
    com::TComPtr<wmi::ISWbemProperty> property;
    HRESULT result = PropertiesOf(object)->Item(name, 0, property.Put());
    if (hr) *hr = result;
    if (result != com::S_OK) return com::TVariant::Null();
    return ValueOf(property);
}

// Expects a call to throw tarnwick::Exception (exactly that class) with the message.
template <class F> void ExpectNotImplemented(F&& call, const WideString& message) {
    try {
        call();
        ADD_FAILURE() << "no exception for " << ToUtf8(message);
    } catch (const tarnwick::Exception& e) {
        EXPECT_EQ(typeid(e), typeid(tarnwick::Exception));
        EXPECT_EQ(e.Message(), message);
    }
}

inline std::string U8(const WideString& s) {
    return ToUtf8(s);
}

} // namespace tarnwick::wsman::testing
