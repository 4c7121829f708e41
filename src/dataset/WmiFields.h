#pragma once
// The field classes of the WMI dataset: a definition that knows whether the
// property is an array, a variant field whose text shows arrays and embedded
// objects, and a wide-string field sized by the property's CIM type.

#include "db/FieldDefs.h"
#include "db/Fields.h"

namespace tarnwick::dataset {

class TWmiFieldDef : public db::TFieldDef {
public:
    TWmiFieldDef(db::TFieldDefs* owner, WideString name, db::TFieldType dataType, std::int32_t size,
                 bool required, std::int32_t fieldNo, bool isArray)
        : TFieldDef(owner, std::move(name), dataType, size, required, fieldNo), FIsArray(isArray) {}
    bool IsArray() const { return FIsArray; }
    void SetIsArray(bool value) { FIsArray = value; }

private:
    bool FIsArray;
};

// Text: the value by WmiValueToText: arrays as {a, b}, WMI objects as their
// object text, other interfaces as "IDispatch", null as "".
class TWmiVariantField : public db::TVariantField {
public:
    TWmiVariantField() : TVariantField(db::ftVariant) {}
    WideString AsString() const override;
};

// Assigned text longer than Size characters is cut to its first Size characters.
// Reading delivers the property's text whole: there is no fixed buffer to overrun,
// DataSize (Size + 2 bytes) is informative only.
class TWmiWideStringField : public db::TWideStringField {
public:
    explicit TWmiWideStringField(std::int32_t size) : TWideStringField(size, db::ftWideString) {}
    std::int32_t DataSize() const override { return Size() + 2; }
    void SetAsString(const WideString& value) override;
};

} // namespace tarnwick::dataset
