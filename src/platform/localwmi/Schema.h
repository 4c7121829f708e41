#pragma once
// The classes the local computer answers: each with its properties in the order of
// the documented Win32 schema (CIM type, array flag, key, writable), its place in
// the derivation and the provider that fills its instances from this machine.
//
// Values are kept as the scripting objects deliver them (see LocalValues.h), so an
// instance can be handed out without further conversion.

#include "platform/com/Variant.h"
#include "wmi/WbemScripting.h"

#include <functional>
#include <memory>
#include <vector>

namespace tarnwick::localwmi {

using com::TVariant;
using wmi::WbemCimtypeEnum;

struct TPropertyDef {
    WideString Name;
    WbemCimtypeEnum CimType = wmi::wbemCimtypeString;
    bool IsArray = false;
    bool Key = false;
    bool Writable = false;
};

struct TClassDef;

// One object of a class: one delivered value per property of its class, in order.
struct TInstance {
    const TClassDef* Class = nullptr;
    std::vector<TVariant> Values;
};

// Fills the instances of one class. Providers read the machine's state; what they
// cannot read stays null. A provider never throws for missing files.
using TInstanceProvider = std::function<void(const TClassDef& cls, std::vector<TInstance>& out)>;

enum class TNamespace { Root, Cimv2 };

struct TClassDef {
    WideString Name;
    WideString SuperClass;              // empty for a base class
    std::vector<WideString> Derivation; // superclasses, nearest first
    std::vector<TPropertyDef> Properties;
    bool Abstract = false;  // instances come from the subclasses
    bool Singleton = false; // path "Class=@"
    TNamespace Namespace = TNamespace::Cimv2;
    TInstanceProvider Provider;

    // Index of the property, case ignored; -1 when the class has none of that name.
    int IndexOf(WideStringView name) const;
    bool HasKeys() const;
};

// The class of that name in the namespace (case ignored), or null.
const TClassDef* FindClass(TNamespace ns, WideStringView name);
// Every class of the namespace, in a stable order.
std::vector<const TClassDef*> ClassesOf(TNamespace ns);
// The class itself and every class that derives from it, base first.
std::vector<const TClassDef*> ClassAndSubclasses(const TClassDef& cls);

// The CIM type's name as MOF writes it: "uint32", "string", "datetime", ...
const char16_t* CimTypeName(WbemCimtypeEnum type);

// Builds the property list of a class from a compact text of entries separated by
// ";": "Name:type" with "[]" after the type for an array and the flags ":key" and
// ":write". Used by the class table.
std::vector<TPropertyDef> ParseProperties(WideStringView spec);

} // namespace tarnwick::localwmi
