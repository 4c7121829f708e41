#include "dataset/WmiDataBuffer.h"

#include "db/DbError.h"
#include "errors/WmiErr.h"

#include <algorithm>

namespace tarnwick::dataset {

using errors::WmiCheck;

// TInterfaceHolder

TInterfaceHolder::TInterfaceHolder(ISWbemObject* AWbemObject, std::int32_t AIndex)
    : FWbemObject(AWbemObject), FIndex(AIndex) {}

void TInterfaceHolder::SetWbemObject(ISWbemObject* value) {
    FWbemObject = value;
    ClearCache();
}

void TInterfaceHolder::ClearCache() {
    FWbemObjectProperties.Reset();
    FCache.clear();
}

ISWbemPropertySet* TInterfaceHolder::Properties() {
    if (FWbemObject && !FWbemObjectProperties)
        WmiCheck(FWbemObject->Get_Properties_(FWbemObjectProperties.Put()));
    return FWbemObjectProperties.Get();
}

TVariant TInterfaceHolder::GetPropertyValueByName(const WideString& AName) {
    auto it = std::lower_bound(
        FCache.begin(), FCache.end(), AName,
        [](const TCacheEntry& entry, const WideString& k) { return CompareText(entry.Key, k) < 0; });
    if (it != FCache.end() && SameText(it->Key, AName)) return it->Value->Value();
    if (!FWbemObject) return TVariant::Null();
    ISWbemPropertySet* properties = Properties();
    TComPtr<ISWbemProperty> property;
    WmiCheck(properties->Item(AName, 0, property.Put()));
    TVariant value;
    WmiCheck(property->Get_Value(&value));
    FCache.insert(it, TCacheEntry{AName, std::make_unique<TVariantHolder>(value)});
    return value;
}

// TWmiDataBuffer

TWmiDataBuffer::TWmiDataBuffer(IEnumVARIANT* AWmiData) : FWmiData(AWmiData) {
    Next();
    FBof = true;
    FBufferIndex = 0;
    if (FRecord) {
        FEof = false;
        FBeforeFirstRecord = true;
    }
}

TWmiDataBuffer::~TWmiDataBuffer() {
    FRecord = nullptr;
    FDataBuffer.clear();
    FWmiData.Reset();
}

ISWbemObject* TWmiDataBuffer::GetRecord() const {
    return FRecord ? FRecord->WbemObject() : nullptr;
}

TInterfaceHolder& TWmiDataBuffer::Row(std::int32_t index) const {
    if (index < 0 || index >= Count()) db::ListIndexError(index);
    return *FDataBuffer[static_cast<std::size_t>(index)];
}

void TWmiDataBuffer::SetCurrent(std::int32_t index) {
    FBufferIndex = index;
    FRecord = FDataBuffer[static_cast<std::size_t>(index)].get();
}

void TWmiDataBuffer::Next() {
    if (FBeforeFirstRecord) {
        FBeforeFirstRecord = false;
        return;
    }
    if (FBufferIndex < Count() - 1) {
        SetCurrent(FBufferIndex + 1);
        return;
    }
    // Once the enumerator has reported its end (or failed) it is not asked again.
    if (FAllRetrieved) {
        FRecord = nullptr;
        FEof = true;
        return;
    }
    try {
        TVariant element;
        com::ULONG fetched = 0;
        if (!FWmiData) throw errors::TWmiException(u"No enumerator");
        WmiCheck(FWmiData->Next(1, &element, &fetched));
        if (fetched == 1) {
            TComPtr<IUnknown> unknown(element.Unknown());
            TComPtr<ISWbemObject> object = unknown.As<ISWbemObject>();
            if (!object)
                throw errors::TWmiException(com::E_NOINTERFACE, u"The enumerator returned no WMI object");
            auto holder = std::make_unique<TInterfaceHolder>(object.Get(), Count());
            FDataBuffer.push_back(std::move(holder));
            SetCurrent(Count() - 1);
            FBof = false;
        } else {
            FRecord = nullptr;
            FAllRetrieved = true;
            FEof = true;
        }
    } catch (Exception& e) {
        FRecord = nullptr;
        FAllRetrieved = true;
        FEof = true;
        e.SetMessage(e.Message() + u" (TWmiDataBuffer.Next)");
        throw;
    }
}

void TWmiDataBuffer::Prev() {
    if (FBeyondLastRecord) {
        FBeyondLastRecord = false;
        return;
    }
    if (FBufferIndex <= 0) {
        FRecord = nullptr;
        FBof = true;
        return;
    }
    SetCurrent(FBufferIndex - 1);
}

void TWmiDataBuffer::First() {
    if (Count() > 0) GoToIndex(0);
    FBof = true;
    FBeforeFirstRecord = true;
}

void TWmiDataBuffer::Last() {
    // Until the enumerator's end, not FEof: a deletion may have set FEof early.
    while (!FAllRetrieved)
        Next();
    FEof = true;
    FBeforeFirstRecord = false;
    FBeyondLastRecord = true;
    if (Count() > 0) SetCurrent(Count() - 1);
}

void TWmiDataBuffer::GoToIndex(std::int32_t index) {
    while (!FAllRetrieved && index >= Count())
        Next();
    if (index < 0 || Count() == 0) db::ListIndexError(index);
    // An explicit position ends any pending "step onto the current row".
    FBeforeFirstRecord = false;
    FBeyondLastRecord = false;
    if (index < Count()) {
        SetCurrent(index);
        FEof = FAllRetrieved && index == Count() - 1;
    } else {
        SetCurrent(Count() - 1);
        FEof = true;
    }
    FBof = index == 0;
}

std::int32_t TWmiDataBuffer::RecordCount() {
    if (!FAllRetrieved) {
        std::int32_t remembered = FBufferIndex;
        while (!FAllRetrieved)
            Next();
        if (Count() > 0) GoToIndex(remembered);
    }
    return Count();
}

void TWmiDataBuffer::DeleteRecord(std::int32_t AIndex) {
    if (AIndex < 0 || AIndex >= Count()) return;
    FRecord = nullptr;
    FDataBuffer.erase(FDataBuffer.begin() + AIndex);
    if (FBufferIndex >= Count()) --FBufferIndex;
    if (Count() > 0) {
        if (FBufferIndex < 0) FBufferIndex = 0;
        if (FBufferIndex == 0)
            FBof = true;
        else if (FBufferIndex == Count() - 1)
            FEof = true;
        SetCurrent(FBufferIndex);
    } else {
        FBof = FEof = true;
        FRecord = nullptr;
        FBufferIndex = 0;
    }
    for (std::int32_t i = AIndex; i < Count(); ++i)
        FDataBuffer[static_cast<std::size_t>(i)]->SetIndex(i);
}

} // namespace tarnwick::dataset
