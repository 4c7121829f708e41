#pragma once
// Evaluates a WQL condition against one object. Comparisons follow the property's
// CIM type: integers compare exactly (a uint32 delivered as a negative VT_I4 counts
// as its unsigned value, 64-bit texts as their numbers), reals as doubles,
// booleans with TRUE/FALSE or 0/1, texts and date-times as text with ASCII case
// ignored. A null value, an array or a literal that cannot be compared with the
// value makes the comparison false (IS NULL is the only test a null passes).

#include "platform/com/Variant.h"
#include "platform/localwmi/Wql.h"
#include "wmi/WbemScripting.h"

#include <functional>

namespace tarnwick::localwmi {

// Finds a property of the object by name (case ignored): false when there is none.
using TWqlLookup = std::function<bool(WideStringView name, com::TVariant& value, wmi::WbemCimtypeEnum& type)>;
// Tells whether the class has a property of that name.
using TWqlKnows = std::function<bool(WideStringView name)>;

// WBEM_E_INVALID_QUERY when the condition names a property the class lacks.
HRESULT ValidateCondition(const TWqlCondition& condition, const TWqlKnows& knows);
bool EvaluateCondition(const TWqlCondition& condition, const TWqlLookup& lookup);

} // namespace tarnwick::localwmi
