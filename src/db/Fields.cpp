#include "db/Fields.h"

#include "db/FormatSettings.h"

#include "db/DataSet.h"
#include "db/DbError.h"

#include <algorithm>
#include <limits>

namespace tarnwick::db {

using namespace com;

TField::TField(TFieldType dataType, std::int32_t size) : FDataType(dataType), FSize(size) {}

void TField::SetFieldName(WideString value) {
    FFieldName = std::move(value);
    if (FFields) FFields->Reindex();
}

int TField::Index() const {
    return FFields ? FFields->IndexOf(this) : -1;
}

std::int32_t TField::DataSize() const {
    return 0;
}

bool TField::IsNull() const {
    if (!FDataSet || !FDataSet->Active()) return true;
    return !FDataSet->GetFieldData(*this, nullptr);
}

bool TField::GetData(TVariant& value) const {
    if (!FDataSet) DatabaseErrorFmt(u"Field '%s' has no dataset", FFieldName);
    FDataSet->CheckActive();
    return FDataSet->GetFieldData(*this, &value);
}

void TField::SetData(const TVariant* value) {
    if (!FDataSet) DatabaseErrorFmt(u"Field '%s' has no dataset", FFieldName);
    FDataSet->CheckActive();
    TDataSetState state = FDataSet->State();
    if (state != TDataSetState::dsEdit && state != TDataSetState::dsInsert) {
        if (!FDataSet->CanModify()) DatabaseError(SDataSetReadOnly);
        DatabaseError(SNotEditing);
    }
    if (FReadOnly) DatabaseErrorFmt(SFieldReadOnly, FFieldName);
    FDataSet->SetFieldData(*this, value);
    FDataSet->FieldChanged();
}

TVariant TField::Value() const {
    if (!FDataSet || !FDataSet->Active()) return TVariant::Null();
    TVariant value;
    if (!FDataSet->GetFieldData(*this, &value)) return TVariant::Null();
    return value;
}

void TField::SetValue(const TVariant& value) {
    if (value.IsNull() || value.IsEmpty()) {
        Clear();
        return;
    }
    TVariant native = ToNative(value);
    SetData(&native);
}

TVariant TField::ToNative(const TVariant& value) const {
    return value;
}

void TField::InvalidValue(const char16_t* format, const WideString& text) const {
    DatabaseErrorFmt(format, text, FFieldName);
}

WideString TField::AsString() const {
    return VarToWideStr(Value());
}

void TField::SetAsString(const WideString& value) {
    if (value.empty())
        Clear();
    else
        SetValue(TVariant(value));
}

std::int32_t TField::AsInteger() const {
    TVariant v = Value();
    return v.IsNull() ? 0 : v.AsInteger();
}

std::int64_t TField::AsLargeInt() const {
    TVariant v = Value();
    return v.IsNull() ? 0 : v.AsInt64();
}

double TField::AsFloat() const {
    TVariant v = Value();
    return v.IsNull() ? 0.0 : v.AsDouble();
}

bool TField::AsBoolean() const {
    TVariant v = Value();
    return v.IsNull() ? false : v.AsBoolean();
}

TDateTime TField::AsDateTime() const {
    TVariant v = Value();
    return v.IsNull() ? 0.0 : v.AsDateTime();
}

// Texts.

void TStringField::SetAsString(const WideString& value) {
    SetValue(TVariant(value));
}

TVariant TStringField::ToNative(const TVariant& value) const {
    return TVariant(value.AsText());
}

// Integers.

std::int64_t TIntegerField::MinValue() const {
    switch (DataType()) {
    case ftSmallint:
        return std::numeric_limits<std::int16_t>::min();
    case ftShortint:
        return std::numeric_limits<std::int8_t>::min();
    case ftWord:
    case ftByte:
    case ftLongWord:
        return 0;
    case ftLargeint:
        return std::numeric_limits<std::int64_t>::min();
    default:
        return std::numeric_limits<std::int32_t>::min();
    }
}

std::int64_t TIntegerField::MaxValue() const {
    switch (DataType()) {
    case ftSmallint:
        return std::numeric_limits<std::int16_t>::max();
    case ftShortint:
        return std::numeric_limits<std::int8_t>::max();
    case ftWord:
        return std::numeric_limits<std::uint16_t>::max();
    case ftByte:
        return std::numeric_limits<std::uint8_t>::max();
    case ftLongWord:
        return std::numeric_limits<std::uint32_t>::max();
    case ftLargeint:
        return std::numeric_limits<std::int64_t>::max();
    default:
        return std::numeric_limits<std::int32_t>::max();
    }
}

std::int32_t TIntegerField::DataSize() const {
    switch (DataType()) {
    case ftShortint:
    case ftByte:
        return 1;
    case ftSmallint:
    case ftWord:
        return 2;
    case ftLargeint:
        return 8;
    default:
        return 4;
    }
}

WideString TIntegerField::AsString() const {
    TVariant v = Value();
    if (v.IsNull()) return WideString();
    if (DataType() == ftLongWord) return UIntToStr(v.AsUInt64());
    return IntToStr(v.AsInt64());
}

void TIntegerField::SetAsString(const WideString& value) {
    WideString text = Trim(value);
    if (text.empty()) {
        Clear();
        return;
    }
    std::int64_t number = 0;
    std::uint64_t unsignedNumber = 0;
    if (TryStrToInt64(text, number)) {
        SetValue(TVariant(number));
    } else if (TryStrToUInt64(text, unsignedNumber)) {
        SetValue(TVariant(unsignedNumber)); // out of range for every kind but checked below
    } else {
        InvalidValue(SInvalidIntegerValue, value);
    }
}

TVariant TIntegerField::ToNative(const TVariant& value) const {
    if (value.Type() == VT_UI8 || (value.Type() == VT_BSTR && !value.RawText().empty() &&
                                   value.RawText()[0] != u'-' && DataType() == ftLongWord)) {
        std::uint64_t u = value.AsUInt64();
        if (u > static_cast<std::uint64_t>(MaxValue()))
            DatabaseErrorFmt(SRangeError, UIntToStr(u), FieldName());
        return ToNative(TVariant(static_cast<std::int64_t>(u)));
    }
    std::int64_t n = value.AsInt64();
    if (n < MinValue() || n > MaxValue()) DatabaseErrorFmt(SRangeError, IntToStr(n), FieldName());
    switch (DataType()) {
    case ftSmallint:
        return TVariant::FromI2(static_cast<std::int16_t>(n));
    case ftShortint:
        return TVariant::FromI1(static_cast<std::int8_t>(n));
    case ftWord:
        return TVariant::FromUI2(static_cast<std::uint16_t>(n));
    case ftByte:
        return TVariant::FromUI1(static_cast<std::uint8_t>(n));
    case ftLongWord:
        return TVariant(static_cast<std::uint32_t>(n));
    case ftLargeint:
        return TVariant(n);
    default:
        return TVariant(static_cast<std::int32_t>(n));
    }
}

// Booleans.

WideString TBooleanField::AsString() const {
    TVariant v = Value();
    if (v.IsNull()) return WideString();
    return v.AsBoolean() ? u"True" : u"False";
}

void TBooleanField::SetAsString(const WideString& value) {
    WideString text = Trim(value);
    if (text.empty())
        Clear();
    else if (SameText(text, u"True"))
        SetAsBoolean(true);
    else if (SameText(text, u"False"))
        SetAsBoolean(false);
    else
        InvalidValue(SInvalidBoolValue, value);
}

TVariant TBooleanField::ToNative(const TVariant& value) const {
    return TVariant(value.AsBoolean());
}

// Floating-point numbers.

WideString TFloatField::AsString() const {
    TVariant v = Value();
    return v.IsNull() ? WideString() : FormatFloat(v.AsDouble());
}

void TFloatField::SetAsString(const WideString& value) {
    WideString text = Trim(value);
    double d = 0;
    if (text.empty())
        Clear();
    else if (TryParseFloat(text, d))
        SetAsFloat(d);
    else
        InvalidValue(SInvalidFloatValue, value);
}

TVariant TFloatField::ToNative(const TVariant& value) const {
    return TVariant(value.AsDouble());
}

// Date-times.

WideString TDateTimeField::AsString() const {
    TVariant v = Value();
    if (v.IsNull()) return WideString();
    TDateTime value = v.AsDateTime();
    if (DataType() == ftDate) return FormatDateTime(value, TDateTimePart::DateOnly);
    if (DataType() == ftTime) return FormatDateTime(value, TDateTimePart::TimeOnly);
    return FormatDateTime(value);
}

void TDateTimeField::SetAsString(const WideString& value) {
    WideString text = Trim(value);
    TDateTime d = 0;
    if (text.empty())
        Clear();
    else if (TryStrToDateTime(text, d) || TryStrToTime(text, d))
        SetAsDateTime(d);
    else
        DatabaseErrorFmt(u"'%s' is not a valid date and time for field '%s'", value, FieldName());
}

TVariant TDateTimeField::ToNative(const TVariant& value) const {
    return TVariant::FromDate(value.AsDateTime());
}

// Kinds by type.

std::unique_ptr<TField> CreateStandardField(TFieldType dataType, std::int32_t size) {
    switch (dataType) {
    case ftString:
    case ftFixedChar:
    case ftMemo:
    case ftFmtMemo:
    case ftGuid:
        return std::make_unique<TStringField>(size, dataType);
    case ftWideString:
    case ftFixedWideChar:
    case ftWideMemo:
        return std::make_unique<TWideStringField>(size, dataType);
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftShortint:
    case ftByte:
        return std::make_unique<TIntegerField>(dataType);
    case ftLongWord:
        return std::make_unique<TLongWordField>();
    case ftLargeint:
        return std::make_unique<TLargeintField>();
    case ftBoolean:
        return std::make_unique<TBooleanField>();
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
    case ftExtended:
    case ftSingle:
        return std::make_unique<TFloatField>(dataType);
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
        return std::make_unique<TDateTimeField>(dataType);
    case ftVariant:
    case ftArray:
        return std::make_unique<TVariantField>(dataType);
    case ftInterface:
    case ftIDispatch:
        return std::make_unique<TInterfaceField>(dataType);
    default:
        return std::make_unique<TField>(dataType, size);
    }
}

// The collection.

TFields::~TFields() {
    Clear();
}

TField& TFields::Add(std::unique_ptr<TField> field) {
    if (!field) DatabaseError(u"No field to add");
    field->FDataSet = FDataSet;
    field->FFields = this;
    FItems.push_back(std::move(field));
    Reindex();
    return *FItems.back();
}

void TFields::Clear() {
    FIndex.clear();
    FItems.clear();
}

void TFields::Reindex() {
    FIndex.clear();
    FIndex.reserve(FItems.size());
    for (auto& item : FItems)
        FIndex.push_back(item.get());
    // Stable: with equal names the first field wins, as a linear search would.
    std::stable_sort(FIndex.begin(), FIndex.end(), [](const TField* a, const TField* b) {
        return CompareText(a->FieldName(), b->FieldName()) < 0;
    });
}

TField* TFields::FindField(const WideString& name) const {
    auto it =
        std::lower_bound(FIndex.begin(), FIndex.end(), name, [](const TField* entry, const WideString& k) {
            return CompareText(entry->FieldName(), k) < 0;
        });
    return it != FIndex.end() && SameText((*it)->FieldName(), name) ? *it : nullptr;
}

TField& TFields::FieldByName(const WideString& name) const {
    TField* field = FindField(name);
    if (!field) DatabaseErrorFmt(SFieldNotFound, name);
    return *field;
}

int TFields::IndexOf(const TField* field) const {
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == field) return static_cast<int>(i);
    return -1;
}

} // namespace tarnwick::db
