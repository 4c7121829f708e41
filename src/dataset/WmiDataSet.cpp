#include "dataset/WmiDataSet.h"

#include "dataset/WmiDataBuffer.h"
#include "dataset/WmiRecordSlot.h"
#include "errors/WmiErr.h"
#include "wmi/WmiUtil.h"

namespace tarnwick::dataset {

using namespace db;
using errors::TWmiException;
using errors::WmiCheck;
using wmi::ISWbemObjectSet;
using wmi::ISWbemQualifier;
using wmi::ISWbemQualifierSet;

void CimTypeToFieldType(std::int32_t cimType, bool isArray, TFieldType& fieldType, std::int32_t& size) {
    size = 0;
    if (isArray) {
        fieldType = ftVariant;
        return;
    }
    switch (cimType) {
    case wmi::wbemCimtypeSint16:
    case wmi::wbemCimtypeSint8:
        fieldType = ftSmallint;
        break;
    case wmi::wbemCimtypeSint32:
        fieldType = ftInteger;
        break;
    case wmi::wbemCimtypeReal32:
    case wmi::wbemCimtypeReal64:
        fieldType = ftFloat;
        break;
    case wmi::wbemCimtypeString:
        fieldType = ftWideString;
        size = 65535;
        break;
    case wmi::wbemCimtypeBoolean:
        fieldType = ftBoolean;
        break;
    case wmi::wbemCimtypeObject:
        fieldType = ftInterface;
        break;
    case wmi::wbemCimtypeUint8:
    case wmi::wbemCimtypeUint16:
        fieldType = ftWord;
        break;
    case wmi::wbemCimtypeUint32:
        fieldType = ftLongWord;
        break;
    case wmi::wbemCimtypeSint64:
    case wmi::wbemCimtypeUint64:
        fieldType = ftLargeint;
        break;
    case wmi::wbemCimtypeDatetime:
        fieldType = ftDateTime;
        break;
    case wmi::wbemCimtypeReference:
        fieldType = ftVariant;
        break;
    case wmi::wbemCimtypeChar16:
        fieldType = ftWideString;
        size = 2;
        break;
    default:
        throw TWmiException(u"Unsupported CIM data type: " + IntToStr(cimType));
    }
}

namespace {

template <class T> TComPtr<T> EnumItem(const TVariant& element) {
    TComPtr<IUnknown> unknown(element.Unknown());
    TComPtr<T> item = unknown.template As<T>();
    if (!item) throw TWmiException(com::E_NOINTERFACE, u"Unexpected element in a WMI collection");
    return item;
}

TComPtr<IEnumVARIANT> EnumeratorOf(IUnknown* unknown) {
    TComPtr<IUnknown> holder(unknown);
    TComPtr<IEnumVARIANT> result = holder.As<IEnumVARIANT>();
    if (!result) throw TWmiException(com::E_NOINTERFACE, u"The collection has no enumerator");
    return result;
}

// Next one element: false at the end; a failure raises.
bool NextElement(IEnumVARIANT* enumerator, TVariant& element) {
    com::ULONG fetched = 0;
    HRESULT hr = enumerator->Next(1, &element, &fetched);
    WmiCheck(hr);
    return hr == 0 && fetched == 1;
}

TFieldAttributes QualifierAttributes(ISWbemProperty* property) {
    TFieldAttributes result;
    TComPtr<ISWbemQualifierSet> qualifiers;
    WmiCheck(property->Get_Qualifiers_(qualifiers.Put()));
    TComPtr<IUnknown> unknown;
    WmiCheck(qualifiers->Get__NewEnum(unknown.Put()));
    TComPtr<IEnumVARIANT> enumerator = EnumeratorOf(unknown.Get());
    TVariant element;
    while (NextElement(enumerator.Get(), element)) {
        TComPtr<ISWbemQualifier> qualifier = EnumItem<ISWbemQualifier>(element);
        WideString name;
        WmiCheck(qualifier->Get_Name(&name));
        name = AsciiUpperCase(name);
        bool isKey = name == u"KEY", isReadOnly = name == u"READONLY";
        if (!isKey && !isReadOnly) continue;
        TVariant value;
        WmiCheck(qualifier->Get_Value(&value));
        if (!value.AsBoolean()) continue;
        result += isKey ? TFieldAttribute::faRequired : TFieldAttribute::faReadonly;
    }
    return result;
}

} // namespace

TWmiDataSet::TWmiDataSet(TComponent* owner) : TDataSet(owner) {
    SetBookmarkSize(4);
}

TWmiDataSet::~TWmiDataSet() {
    BeginDestroy();
    Close();
    SetConnection(nullptr);
}

void TWmiDataSet::SetConnection(wmi::TWmiConnection* value) {
    if (value == FConnection) return;
    if (FConnectionComponent) RemoveFreeNotification(FConnectionComponent);
    FConnection = value;
    FConnectionComponent = value;
    if (FConnectionComponent) FreeNotification(FConnectionComponent);
}

void TWmiDataSet::Notification(TComponent* component, TOperation operation) {
    TDataSet::Notification(component, operation);
    if (operation == TOperation::opRemove && component && component == FConnectionComponent) {
        FConnection = nullptr;
        FConnectionComponent = nullptr;
        Close();
    }
}

static WideString JoinLines(const std::vector<WideString>& lines) {
    WideString text;
    for (const WideString& line : lines)
        text += line + u"\r\n";
    return text;
}

WideString TWmiDataSet::WQLText() const {
    return JoinLines(FWQL);
}

void TWmiDataSet::SetWQL(const std::vector<WideString>& lines) {
    if (JoinLines(lines) == WQLText()) return;
    Close();
    FWQL = lines;
}

void TWmiDataSet::SetWQLText(const WideString& text) {
    FWQL.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of(u"\r\n", start);
        if (end == WideString::npos) {
            FWQL.push_back(text.substr(start));
            break;
        }
        FWQL.push_back(text.substr(start, end - start));
        start = end + (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n' ? 2 : 1);
    }
}

void TWmiDataSet::SetAsynchronous(bool value) {
    if (value == FAsynchronous) return;
    Close();
    FAsynchronous = value;
}

void TWmiDataSet::SetIrregularView(bool value) {
    if (value == FIrregularView) return;
    Close();
    FIrregularView = value;
    FIrregularFieldDefs.Clear();
}

TWmiDataSet::TRecordSlot* TWmiDataSet::CurrentSlot() const {
    return static_cast<TRecordSlot*>(ActiveBuffer());
}

TComPtr<ISWbemObject> TWmiDataSet::CurrentObject() const {
    if (!Active()) return nullptr;
    TRecordSlot* slot = CurrentSlot();
    return slot ? TComPtr<ISWbemObject>(slot->Holder.WbemObject()) : nullptr;
}

TComPtr<ISWbemServices> TWmiDataSet::GetWmiServices() {
    return FConnection ? FConnection->GetWmiServices() : nullptr;
}

TVariant TWmiDataSet::GetIrregularFieldValues(const WideString& AFieldName) {
    CheckActive();
    TRecordSlot* slot = CurrentSlot();
    if (!slot) DatabaseError(SDataSetEmpty);
    if (!slot->Holder.WbemObject()) DatabaseError(SRecordNotFound);
    return wmi::WmiGetPropertyValue(slot->Holder.Properties(), AFieldName);
}

// Opening and closing.

void TWmiDataSet::InternalOpen() {
    try {
        DoInternalOpen();
    } catch (Exception& e) {
        e.SetMessage(e.Message() + u" (WmiDataSet.InternalOpen)");
        throw;
    }
}

void TWmiDataSet::DoInternalOpen() {
    WideString text = WQLText();
    if (Trim(text).empty()) DatabaseError(u"WQL is not defined");
    if (!FConnection) DatabaseError(u"Connection is not defined");
    FConnection->SetConnected(true);
    std::int32_t flags = FAsynchronous ? wmi::wbemFlagReturnImmediately : 0;
    TComPtr<ISWbemObjectSet> objectSet;
    FConnection->ExecWQLQuery(text, objectSet, flags, nullptr);
    if (!objectSet) throw TWmiException(u"The query returned no object set");
    TComPtr<IUnknown> unknown;
    WmiCheck(objectSet->Get__NewEnum(unknown.Put()));
    TComPtr<IEnumVARIANT> enumerator = EnumeratorOf(unknown.Get());
    FData = std::make_unique<TWmiDataBuffer>(enumerator.Get());
    FIrregularFieldDefs.Clear();
    if (!FData->Eof())
        InitFieldDefsFromObject(FieldDefs(), FData->GetRecord(), FIrregularView);
    else
        FieldDefs().Clear();
    if (DefaultFields()) {
        CreateFields();
        for (std::size_t i = 0; i < Fields().Count(); ++i)
            Fields()[i].SetDisplayWidth(1);
    }
    // Fields defined beforehand are bound only when there is something to bind to.
    if (FieldDefs().Count() > 0) BindFields(true);
}

void TWmiDataSet::InternalClose() {
    FData.reset();
    FIrregularFieldDefs.Clear();
}

void TWmiDataSet::DoAfterOpen() {
    try {
        TDataSet::DoAfterOpen();
    } catch (Exception& e) {
        e.SetMessage(e.Message() + u"(WmiDataSet.DoAfterOpen)");
        throw;
    }
}

void TWmiDataSet::InternalInitFieldDefs() {
    TComPtr<ISWbemObject> current = CurrentObject();
    if (current) {
        InitFieldDefsFromObject(FieldDefs(), current.Get(), FIrregularView);
        return;
    }
    if (Trim(WQLText()).empty()) {
        FieldDefs().Clear();
        return;
    }
    TComPtr<ISWbemObject> prototype = wmi::WmiGetQueryPrototype(WQLText());
    InitFieldDefsFromObject(FieldDefs(), prototype.Get(), FIrregularView);
}

void TWmiDataSet::InitFieldDefsFromObject(TFieldDefs& defs, ISWbemObject* object, bool irregular) {
    defs.Clear();
    if (!object) return;
    if (irregular) {
        defs.Add(std::make_unique<TWmiFieldDef>(&defs, u"Object", ftVariant, 0, false, 1, false));
        return;
    }
    TComPtr<ISWbemPropertySet> properties;
    WmiCheck(object->Get_Properties_(properties.Put()));
    TComPtr<IUnknown> unknown;
    WmiCheck(properties->Get__NewEnum(unknown.Put()));
    TComPtr<IEnumVARIANT> enumerator = EnumeratorOf(unknown.Get());
    std::int32_t counter = 1;
    TVariant element;
    while (NextElement(enumerator.Get(), element)) {
        TComPtr<ISWbemProperty> property = EnumItem<ISWbemProperty>(element);
        WideString name;
        wmi::WbemCimtypeEnum cimType{};
        VARIANT_BOOL isArray = 0;
        WmiCheck(property->Get_Name(&name));
        WmiCheck(property->Get_CIMType(&cimType));
        WmiCheck(property->Get_IsArray(&isArray));
        TFieldAttributes attributes = QualifierAttributes(property.Get());
        TFieldType type = ftUnknown;
        std::int32_t size = 0;
        CimTypeToFieldType(cimType, isArray != 0, type, size);
        TFieldDef& def =
            defs.Add(std::make_unique<TWmiFieldDef>(&defs, name, type, size, false, counter, isArray != 0));
        def.SetAttributes(attributes);
        ++counter;
    }
}

std::unique_ptr<TField> TWmiDataSet::CreateFieldFor(const TFieldDef& def) {
    if (def.DataType() == ftWideString) return std::make_unique<TWmiWideStringField>(def.Size());
    if (def.DataType() == ftVariant) return std::make_unique<TWmiVariantField>();
    return TDataSet::CreateFieldFor(def);
}

// Records and the cursor.

std::unique_ptr<TRecordBuffer> TWmiDataSet::AllocRecordBuffer() {
    return std::make_unique<TRecordSlot>();
}

TGetResult TWmiDataSet::GetRecord(TRecordBuffer& buffer, TGetMode mode) {
    auto& slot = static_cast<TRecordSlot&>(buffer);
    if (mode == TGetMode::gmNext)
        FData->Next();
    else if (mode == TGetMode::gmPrior)
        FData->Prev();
    TGetResult result;
    if (TInterfaceHolder* row = FData->Record()) {
        slot.Holder.SetWbemObject(row->WbemObject());
        slot.Holder.SetIndex(row->Index());
        result = TGetResult::grOK;
    } else if (mode == TGetMode::gmPrior && FData->Bof()) {
        // Stepping back off row 0 of a fully read one-row result sets both flags.
        result = TGetResult::grBOF;
    } else if (FData->Eof()) {
        result = TGetResult::grEOF;
    } else if (FData->Bof()) {
        result = TGetResult::grBOF;
    } else {
        return TGetResult::grError;
    }
    // The per-property definitions follow the row the cursor stands on; at an end
    // the cursor keeps its row, so they stay (they empty only with the last row).
    if (FIrregularView) {
        if (result == TGetResult::grOK)
            InitFieldDefsFromObject(FIrregularFieldDefs, slot.Holder.WbemObject(), false);
        else if (FData->Count() == 0)
            FIrregularFieldDefs.Clear();
    }
    return result;
}

void TWmiDataSet::InternalFirst() {
    FData->First();
}
void TWmiDataSet::InternalLast() {
    FData->Last();
}
void TWmiDataSet::ClearBuffers() {
    if (FData) FData->First();
}

void TWmiDataSet::InternalSetToRecord(TRecordBuffer& buffer) {
    FData->GoToIndex(static_cast<TRecordSlot&>(buffer).Holder.Index());
}

void TWmiDataSet::GetBookmarkData(const TRecordBuffer& buffer, TBookmark& bookmark) {
    auto index = static_cast<std::uint32_t>(static_cast<const TRecordSlot&>(buffer).Holder.Index());
    bookmark = {static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(index >> 8),
                static_cast<std::uint8_t>(index >> 16), static_cast<std::uint8_t>(index >> 24)};
}

void TWmiDataSet::InternalGotoBookmark(const TBookmark& bookmark) {
    std::int32_t index = -1;
    if (bookmark.size() == 4)
        index =
            static_cast<std::int32_t>(std::uint32_t(bookmark[0]) | std::uint32_t(bookmark[1]) << 8 |
                                      std::uint32_t(bookmark[2]) << 16 | std::uint32_t(bookmark[3]) << 24);
    if (index >= 0 && index < FData->Count())
        FData->GoToIndex(index);
    else
        UpdateCursorPos(); // stays on the current row
}

std::int32_t TWmiDataSet::RecNo() {
    TRecordSlot* slot = Active() ? CurrentSlot() : nullptr;
    return slot ? slot->Holder.Index() + 1 : 0;
}

void TWmiDataSet::SetRecNo(std::int32_t value) {
    CheckBrowseMode();
    DoBeforeScroll();
    FData->GoToIndex(value - 1);
    Resync();
    DoAfterScroll();
}

std::int32_t TWmiDataSet::RecordCount() {
    return Active() ? FData->RecordCount() : 0;
}

} // namespace tarnwick::dataset
