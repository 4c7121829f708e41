#pragma once
// The state behind one scripting object: its class, its values (delivered form),
// which properties it shows, and whether it is an instance or a class-shaped
// object (a class fetched by path, a meta_class row, a query prototype). Shared by
// the object and the property objects it hands out, so Set_Value on a property
// changes the object in memory; nothing is ever written back to the machine.

#include "platform/localwmi/Schema.h"

#include <memory>

namespace tarnwick::localwmi {

inline constexpr com::HRESULT WBEM_E_FAILED = com::Hr(0x80041001);
inline constexpr com::HRESULT WBEM_E_NOT_FOUND = com::Hr(0x80041002);
inline constexpr com::HRESULT WBEM_E_INVALID_PARAMETER = com::Hr(0x80041008);
inline constexpr com::HRESULT WBEM_E_NOT_SUPPORTED = com::Hr(0x8004100C);
inline constexpr com::HRESULT WBEM_E_INVALID_NAMESPACE = com::Hr(0x8004100E);
inline constexpr com::HRESULT WBEM_E_INVALID_CLASS = com::Hr(0x80041010);
inline constexpr com::HRESULT WBEM_E_INVALID_QUERY_TYPE = com::Hr(0x80041018);
inline constexpr com::HRESULT WBEM_E_PROVIDER_NOT_CAPABLE = com::Hr(0x80041024);
inline constexpr com::HRESULT WBEM_E_INVALID_OBJECT_PATH = com::Hr(0x8004103A);
inline constexpr com::HRESULT WBEM_E_LOCAL_CREDENTIALS = com::Hr(0x80041064);
inline constexpr com::HRESULT HRESULT_NOT_SUPPORTED = com::Hr(0x80070032);

struct TObjectData {
    const TClassDef* Class = nullptr;
    bool IsClass = false;
    WideString Server;            // this computer's name as paths carry it
    std::vector<TVariant> Values; // one per class property
    std::vector<int> Visible;     // indices of the properties Properties_ shows, in schema order

    static std::shared_ptr<TObjectData> FromInstance(TInstance instance, WideString server);
    static std::shared_ptr<TObjectData> FromClass(const TClassDef& cls, WideString server);

    // Shows the named properties only (names the class lacks are skipped).
    void Project(const std::vector<WideString>& names);

    WideString NamespacePath() const; // "root\cimv2"
    // "Win32_Process.Handle=\"1\"", "Win32_OperatingSystem=@", or the class name.
    WideString RelPath() const;
    // "\\HOST\root\cimv2:" + RelPath().
    WideString Path() const;
    // A system property (__CLASS, __RELPATH, __PATH, __SERVER, __NAMESPACE, __GENUS,
    // __SUPERCLASS, __DYNASTY, __DERIVATION, __PROPERTY_COUNT): false for others.
    bool SystemProperty(WideStringView name, TVariant& value) const;
    // The MOF text the scripting objects give: "instance of X\n{...};" or "class X : Y {...};".
    WideString ObjectText() const;
};

bool IsSystemPropertyName(WideStringView name);
// A key value as paths write it: "\"text\"" with \\ and \" escaped, numbers plain.
WideString PathValueText(const TPropertyDef& def, const TVariant& value);
// A value's text in MOF: quoted strings, unsigned uint32, TRUE/FALSE, {a, b}.
WideString MofValueText(const TPropertyDef& def, const TVariant& value);

} // namespace tarnwick::localwmi
