// TWmiDataSet: reading and writing field values, Locate, and the edits that act
// on the current row's WMI object.

#include "dataset/WmiDataBuffer.h"
#include "dataset/WmiDataSet.h"
#include "dataset/WmiRecordSlot.h"
#include "errors/WmiErr.h"
#include "wmi/WmiUtil.h"

namespace tarnwick::dataset {

using namespace db;
using errors::WmiCheck;
using wmi::ISWbemObjectPath;

bool TWmiDataSet::GetFieldData(const TField& field, TVariant* buffer) {
    TRecordSlot* slot = Active() ? CurrentSlot() : nullptr;
    ISWbemObject* object = slot ? slot->Holder.WbemObject() : nullptr;
    if (!object) return false;
    if (FIrregularView) {
        if (buffer) *buffer = TVariant::FromDispatch(object);
        return true;
    }
    TVariant value = slot->Holder.GetPropertyValueByName(field.FieldName());
    if (value.IsNull() || value.IsEmpty()) return false;
    if (!buffer) return true;
    switch (field.DataType()) {
    case ftString:
    case ftWideString:
    case ftFixedWideChar:
    case ftWideMemo:
        *buffer = TVariant(value.AsText());
        break;
    case ftSmallint:
        *buffer = TVariant::FromI2(static_cast<std::int16_t>(value.AsInteger()));
        break;
    case ftWord:
        *buffer = TVariant::FromUI2(static_cast<std::uint16_t>(value.AsInteger()));
        break;
    case ftShortint:
        *buffer = TVariant::FromI1(static_cast<std::int8_t>(value.AsInteger()));
        break;
    case ftByte:
        *buffer = TVariant::FromUI1(static_cast<std::uint8_t>(value.AsInteger()));
        break;
    case ftInteger:
        *buffer = TVariant(value.AsInteger());
        break;
    case ftLongWord: {
        // A uint32 may arrive as a negative signed value: keep its low 32 bits.
        bool isUnsigned = value.Type() == com::VT_UI4 || value.Type() == com::VT_UI8;
        std::uint64_t bits = isUnsigned ? value.RawUInt() : static_cast<std::uint64_t>(value.AsInt64());
        *buffer = TVariant(static_cast<std::uint32_t>(bits));
        break;
    }
    case ftBoolean:
        *buffer = TVariant(value.AsBoolean());
        break;
    case ftFloat:
    case ftExtended:
    case ftSingle:
        *buffer = TVariant(value.AsDouble());
        break;
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
        *buffer = TVariant::FromDate(wmi::DmtfToDateTime(value.AsText()));
        break;
    case ftLargeint:
        *buffer = TVariant(wmi::WmiStrToInt64(value.AsText()));
        break;
    case ftArray:
    case ftVariant:
        *buffer = value;
        break;
    default:
        DatabaseError(u"Unknown data type in field " + field.FieldName());
    }
    return true;
}

void TWmiDataSet::SetFieldData(TField& field, const TVariant* buffer) {
    if (!CanModify()) DatabaseError(SDataSetReadOnly);
    TRecordSlot* slot = CurrentSlot();
    ISWbemObject* object = slot ? slot->Holder.WbemObject() : nullptr;
    if (!object) DatabaseErrorFmt(SFieldAccessError, field.FieldName(), u"any");
    TFieldDef* def = DefsForLookup().Find(field.FieldName());
    if (!def) DatabaseErrorFmt(SFieldNotFound, field.FieldName());
    if (def->Attributes().Contains(TFieldAttribute::faReadonly))
        DatabaseErrorFmt(SFieldReadOnly, field.FieldName());
    if (!buffer && field.DataType() != ftVariant)
        DatabaseErrorFmt(u"Field '%s' cannot be cleared: only variant fields take a null value",
                         field.FieldName());

    TVariant value;
    switch (field.DataType()) {
    case ftString:
    case ftWideString:
    case ftFixedWideChar:
    case ftWideMemo:
        value = TVariant(buffer->AsText());
        break;
    case ftSmallint:
    case ftShortint:
        value = TVariant(static_cast<std::int32_t>(buffer->AsInteger()));
        break;
    case ftWord:
        value = TVariant(static_cast<std::int32_t>(static_cast<std::uint16_t>(buffer->AsInteger())));
        break;
    case ftByte:
        value = TVariant(static_cast<std::int32_t>(static_cast<std::uint8_t>(buffer->AsInteger())));
        break;
    case ftInteger:
        value = TVariant(buffer->AsInteger());
        break;
    case ftLongWord:
        value = TVariant(static_cast<std::uint32_t>(buffer->AsUInt64()));
        break;
    case ftBoolean:
        value = TVariant(buffer->AsBoolean());
        break;
    case ftFloat:
    case ftExtended:
    case ftSingle:
        value = TVariant(buffer->AsDouble());
        break;
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
        value = TVariant(wmi::DateTimeToDmtfLocal(buffer->AsDateTime()));
        break;
    case ftLargeint:
        value = TVariant(buffer->AsInt64());
        break;
    case ftArray:
        value = *buffer;
        break;
    case ftVariant: {
        value = buffer ? *buffer : TVariant::Null();
        auto* wmiDef = dynamic_cast<TWmiFieldDef*>(def);
        if (wmiDef && wmiDef->IsArray() && value.Type() == com::VT_BSTR)
            value = wmi::WmiTextToArray(value.RawText());
        break;
    }
    default:
        DatabaseErrorFmt(SFieldTypeUnknown, field.FieldName());
    }
    wmi::WmiSetPropertyValue(object, field.FieldName(), value);
    slot->Holder.ClearCache();
    if (slot->Holder.Index() < FData->Count()) FData->Row(slot->Holder.Index()).ClearCache();
}

TComPtr<ISWbemObject> TWmiDataSet::CurrentRecordObject(const char16_t* failure) const {
    TComPtr<ISWbemObject> object = CurrentObject();
    if (!object) DatabaseError(failure);
    return object;
}

void TWmiDataSet::InternalPost() {
    TComPtr<ISWbemObject> object = CurrentRecordObject(SRecordNotFound);
    TComPtr<ISWbemObjectPath> path;
    WmiCheck(object->Put_(0, nullptr, path.Put()));
}

void TWmiDataSet::InternalCancel() {
    TRecordSlot* slot = CurrentSlot();
    if (!slot || !slot->Holder.WbemObject() || !FConnection) return;
    TComPtr<ISWbemObjectPath> pathObject;
    WmiCheck(slot->Holder.WbemObject()->Get_Path_(pathObject.Put()));
    WideString path;
    WmiCheck(pathObject->Get_Path(&path));
    TComPtr<ISWbemObject> fresh = FConnection->GetWmiObject(path, 0);
    // Keeping the written object would show values that WMI does not hold.
    if (!fresh) DatabaseError(SRecordNotFound);
    slot->Holder.SetWbemObject(fresh.Get());
    if (slot->Holder.Index() < FData->Count()) FData->Row(slot->Holder.Index()).SetWbemObject(fresh.Get());
}

void TWmiDataSet::InternalDelete() {
    TComPtr<ISWbemObject> object = CurrentRecordObject(SRecordNotFound);
    WmiCheck(object->Delete_(0, nullptr));
    TRecordSlot* slot = CurrentSlot();
    std::int32_t index = slot->Holder.Index();
    slot->Holder.SetWbemObject(nullptr);
    FData->DeleteRecord(index);
    if (FIrregularView && FData->Count() == 0) FIrregularFieldDefs.Clear();
}

void TWmiDataSet::InternalInsert() {
    DatabaseError(SDataSetOpen);
}

namespace {
std::vector<WideString> SplitKeyFields(const WideString& keyFields) {
    std::vector<WideString> names;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = keyFields.find(u';', start);
        if (end == WideString::npos) {
            WideString last = Trim(WideStringView(keyFields).substr(start));
            if (!last.empty()) names.push_back(last);
            return names;
        }
        names.push_back(Trim(WideStringView(keyFields).substr(start, end - start)));
        start = end + 1;
    }
}

bool StartsWithText(const WideString& text, const WideString& prefix) {
    return text.size() >= prefix.size() && SameText(WideStringView(text).substr(0, prefix.size()), prefix);
}
} // namespace

bool TWmiDataSet::Locate(const WideString& KeyFields, const TVariant& KeyValues, TLocateOptions Options) {
    CheckBrowseMode();
    TBookmark bookmark = GetBookmark();
    std::vector<WideString> names = SplitKeyFields(KeyFields);
    if (names.size() > 1 && (!KeyValues.IsArray() || KeyValues.ElementCount() != names.size()))
        DatabaseError(SInvalidFilter);
    bool caseInsensitive = Options.Contains(TLocateOption::loCaseInsensitive);
    bool partial = Options.Contains(TLocateOption::loPartialKey);
    First();
    while (!Eof()) {
        bool match = true;
        for (std::size_t i = 0; i < names.size() && match; ++i) {
            const WideString& name = names[i];
            if (!DefsForLookup().Find(name)) DatabaseErrorFmt(SFieldNotFound, name);
            TVariant rowValue = FIrregularView ? GetIrregularFieldValues(name) : FieldByName(name).Value();
            const TVariant& keyValue =
                (i > 0 || KeyValues.IsArray())
                    ? KeyValues.Element(KeyValues.LowBound() + static_cast<std::int32_t>(i))
                    : KeyValues;
            WideString rowText = wmi::WmiValueToText(rowValue);
            WideString keyText = wmi::WmiValueToText(keyValue);
            if (caseInsensitive) {
                rowText = AsciiUpperCase(rowText);
                keyText = AsciiUpperCase(keyText);
            }
            match = partial ? StartsWithText(rowText, keyText) : rowText == keyText;
        }
        if (match) return true;
        Next();
    }
    GotoBookmark(bookmark);
    return false;
}

} // namespace tarnwick::dataset
