#include "dataset/WmiFields.h"

#include "wmi/WmiUtil.h"

namespace tarnwick::dataset {

WideString TWmiVariantField::AsString() const {
    return wmi::WmiValueToText(Value());
}

void TWmiWideStringField::SetAsString(const WideString& value) {
    std::size_t limit = Size() > 0 ? static_cast<std::size_t>(Size()) : 0;
    if (value.size() > limit)
        SetValue(com::TVariant(value.substr(0, limit)));
    else
        SetValue(com::TVariant(value));
}

} // namespace tarnwick::dataset
