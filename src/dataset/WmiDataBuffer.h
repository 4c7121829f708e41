#pragma once
// The row buffer of the WMI dataset. It reads the query's forward-only enumerator
// one object at a time when the cursor needs one, keeps every fetched object until
// it is destroyed (so the cursor can go back, jump and count), and tracks the
// current row. Each row is a TInterfaceHolder that caches property values by name.
//
// Guarantees: one enumerator call per row fetched, made only when a move passes the
// last fetched row (or Last, RecordCount or a far GoToIndex needs the rest); a
// failed fetch puts the buffer at its end and raises with " (TWmiDataBuffer.Next)"
// appended, rows fetched before stay; once the enumerator reported its end nothing
// sets FAllRetrieved back, and the enumerator is not asked again after it (a
// failed enumerator would fail every later move). Holders carry their position as Index.

#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"
#include "wmi/WbemScripting.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tarnwick::dataset {

using com::HRESULT;
using com::IEnumVARIANT;
using com::IUnknown;
using com::TComPtr;
using com::TVariant;
using com::VARIANT_BOOL;
using wmi::ISWbemObject;
using wmi::ISWbemProperty;
using wmi::ISWbemPropertySet;
using wmi::ISWbemServices;

class TVariantHolder {
public:
    explicit TVariantHolder(const TVariant& AValue) : FValue(AValue) {}
    const TVariant& Value() const { return FValue; }

private:
    TVariant FValue;
};

class TInterfaceHolder {
public:
    TInterfaceHolder(ISWbemObject* AWbemObject, std::int32_t AIndex);
    TInterfaceHolder(const TInterfaceHolder&) = delete;
    TInterfaceHolder& operator=(const TInterfaceHolder&) = delete;

    ISWbemObject* WbemObject() const { return FWbemObject.Get(); }
    // Replaces the object and empties the cache.
    void SetWbemObject(ISWbemObject* value);
    std::int32_t Index() const { return FIndex; }
    void SetIndex(std::int32_t value) { FIndex = value; }

    // The property's value, from the cache (names compared without regard to ASCII
    // case) or else read from WMI once and cached. An unknown name raises the WMI
    // error of the lookup and caches nothing; no object gives null.
    TVariant GetPropertyValueByName(const WideString& AName);
    // The object's property set, fetched once per holder (none without object).
    ISWbemPropertySet* Properties();
    // Releases the property set and every cached value.
    void ClearCache();
    std::size_t CacheCount() const { return FCache.size(); }

private:
    struct TCacheEntry {
        WideString Key; // the name as first asked for
        std::unique_ptr<TVariantHolder> Value;
    };

    TComPtr<ISWbemObject> FWbemObject;
    TComPtr<ISWbemPropertySet> FWbemObjectProperties;
    std::int32_t FIndex;
    std::vector<TCacheEntry> FCache; // sorted by CompareText of Key
};

class TWmiDataBuffer {
public:
    // Holds the enumerator and fetches the first object (a fetch error raises).
    explicit TWmiDataBuffer(IEnumVARIANT* AWmiData);
    ~TWmiDataBuffer();
    TWmiDataBuffer(const TWmiDataBuffer&) = delete;
    TWmiDataBuffer& operator=(const TWmiDataBuffer&) = delete;

    // The current row's object; none without a current row.
    ISWbemObject* GetRecord() const;
    // The current row; none when there is none.
    TInterfaceHolder* Record() const { return FRecord; }
    TInterfaceHolder& Row(std::int32_t index) const;

    void Next();
    void Prev();
    void First();
    void Last();
    // Raises an index-out-of-range error for index < 0 or when there are no rows.
    void GoToIndex(std::int32_t index);
    void DeleteRecord(std::int32_t AIndex);

    bool Bof() const { return FBof; }
    bool Eof() const { return FEof; }
    bool AllRetrieved() const { return FAllRetrieved; }
    bool BeforeFirstRecord() const { return FBeforeFirstRecord; }
    bool BeyondLastRecord() const { return FBeyondLastRecord; }
    std::int32_t BufferIndex() const { return FBufferIndex; }
    std::int32_t Count() const { return static_cast<std::int32_t>(FDataBuffer.size()); }
    std::int32_t RecordCount();

private:
    void SetCurrent(std::int32_t index);

    TComPtr<IEnumVARIANT> FWmiData;
    TInterfaceHolder* FRecord = nullptr;
    bool FEof = false;
    bool FBof = false;
    bool FAllRetrieved = false;
    bool FBeforeFirstRecord = false;
    bool FBeyondLastRecord = false;
    std::vector<std::unique_ptr<TInterfaceHolder>> FDataBuffer;
    std::int32_t FBufferIndex = 0;
};

} // namespace tarnwick::dataset
