#pragma once
// Runs WQL and object-path lookups against the class table.
//
// Everything is decided when ExecQuery is called, whatever its flags: the language,
// the syntax, the class and the property names are checked and the rows are
// collected then, so an error always comes back from ExecQuery and the object set's
// first Next never fails. (Windows reports some of these from the first Next when
// wbemFlagReturnImmediately is given; one rule for every flag is easier to rely on.)

#include "platform/localwmi/ObjectData.h"

namespace tarnwick::localwmi {

inline constexpr com::LONG QueryFlagPrototype = 2;

// S_OK and the objects in enumeration order, or:
//   0x80041018 a language other than "WQL" (case ignored)
//   0x80041017 a syntax error, or a property the class (or meta_class) lacks
//   0x80041010 an unknown class
//   0x80041001 a provider failed (its description goes to the error info)
// With flag 2 the result is one class-shaped object carrying the selected properties.
com::HRESULT ExecuteQuery(TNamespace ns, const WideString& server, WideStringView language,
                          WideStringView text, com::LONG flags,
                          std::vector<std::shared_ptr<TObjectData>>& result);

// An instance by its keys or a class by name: 0x8004103A for a malformed path,
// 0x8004100E for another namespace, 0x80041002 for no such class or instance.
com::HRESULT GetObjectByPath(TNamespace ns, const WideString& server, WideStringView path,
                             std::shared_ptr<TObjectData>& result);

// Every instance of the class and its subclasses; false when a provider failed.
bool CollectInstances(const TClassDef& cls, std::vector<TInstance>& out, WideString& failure);

} // namespace tarnwick::localwmi
