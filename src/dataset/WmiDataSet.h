#pragma once
// TWmiDataSet: one WQL query through a TWmiConnection, presented as a dataset.
// One row per returned WMI object, one field per property of the first object
// (CIM type to field type by CimTypeToFieldType), values read per row through the
// row buffer's cache. TWmiQuery is the same class under the name a caller stores.
//
// Guarantees:
// - Open fails with a message ending in " (WmiDataSet.InternalOpen)" and leaves the
//   dataset closed; an error of the after-open stage ends in "(WmiDataSet.DoAfterOpen)".
// - Rows are fetched one at a time, only when the cursor needs them; a failed fetch
//   raises with " (TWmiDataBuffer.Next)" and keeps the rows fetched before.
// - IrregularFieldValues reads the property from WMI every time (uint32 and uint64
//   made unsigned); fields read from the row's cache.
// - Writing fields, Post, Cancel and Delete act on the current row's WMI object;
//   Insert and Append are refused. ReadOnly (the default) refuses edits.

#include "dataset/WmiDataBuffer.h"
#include "dataset/WmiFields.h"
#include "db/DataSet.h"
#include "wmi/WmiAbstract.h"
#include "wmi/WmiConnection.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tarnwick::dataset {

using com::TComPtr;
using com::TVariant;
using db::TFieldType;

// Field type and size of a property (CIM type code, array flag). Raises
// TWmiException "Unsupported CIM data type: <code>" for an unknown code.
void CimTypeToFieldType(std::int32_t cimType, bool isArray, TFieldType& fieldType, std::int32_t& size);

class TWmiDataSet : public db::TDataSet, public wmi::IWmiObjectSource {
public:
    explicit TWmiDataSet(db::TComponent* owner = nullptr);
    ~TWmiDataSet() override;

    wmi::TWmiConnection* Connection() const { return FConnection; }
    // Does not close an open dataset. The dataset closes and forgets the connection
    // when the connection is destroyed.
    void SetConnection(wmi::TWmiConnection* value);

    // The query's lines; writing them directly does not close the dataset.
    std::vector<WideString>& WQL() { return FWQL; }
    const std::vector<WideString>& WQL() const { return FWQL; }
    // Closes an open dataset first when the joined text differs.
    void SetWQL(const std::vector<WideString>& lines);
    // The text sent: every line followed by CR LF.
    WideString WQLText() const;
    // Splits at CR LF, CR or LF into the lines, as writing them directly.
    void SetWQLText(const WideString& text);

    bool Asynchronous() const { return FAsynchronous; }
    void SetAsynchronous(bool value);
    bool IrregularView() const { return FIrregularView; }
    void SetIrregularView(bool value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    // In the irregular view: the current row's properties.
    db::TFieldDefs& IrregularFieldDefs() { return FIrregularFieldDefs; }
    // The current row's object; none when closed or without a current row.
    TComPtr<ISWbemObject> CurrentObject() const;
    // The raw value of a property of the current row's object, read from WMI.
    // Raises a database error when the dataset is closed or has no current row.
    TVariant GetIrregularFieldValues(const WideString& AFieldName);
    TVariant IrregularFieldValues(const WideString& AFieldName) {
        return GetIrregularFieldValues(AFieldName);
    }

    bool CanModify() const override { return !FReadOnly; }
    std::int32_t RecNo() override;
    // Posts or cancels a pending edit, then moves to record n (1-based), fetching
    // as needed; fewer rows leave it on the last. n below 1, or no rows, raises.
    void SetRecNo(std::int32_t value) override;
    // 0 when closed; otherwise fetches the rest and returns to the same row.
    std::int32_t RecordCount() override;
    bool BookmarkValid(const db::TBookmark&) override { return true; }
    bool Locate(const WideString& KeyFields, const TVariant& KeyValues, db::TLocateOptions Options) override;

    bool GetFieldData(const db::TField& field, TVariant* buffer) override;
    void SetFieldData(db::TField& field, const TVariant* buffer) override;

    // IWmiObjectSource.
    TComPtr<ISWbemObject> GetWmiObject() override { return CurrentObject(); }
    TComPtr<ISWbemServices> GetWmiServices() override;
    db::TComponent* GetImplementingComponent() override { return this; }

    // Fills defs from one object's properties (or the one "Object" definition when
    // irregular); empties it for none.
    virtual void InitFieldDefsFromObject(db::TFieldDefs& defs, ISWbemObject* object, bool irregular);

protected:
    std::unique_ptr<db::TRecordBuffer> AllocRecordBuffer() override;
    db::TGetResult GetRecord(db::TRecordBuffer& buffer, db::TGetMode mode) override;
    void InternalOpen() override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalSetToRecord(db::TRecordBuffer& buffer) override;
    void GetBookmarkData(const db::TRecordBuffer& buffer, db::TBookmark& bookmark) override;
    void InternalGotoBookmark(const db::TBookmark& bookmark) override;
    void ClearBuffers() override;
    void InternalPost() override;
    void InternalCancel() override;
    void InternalDelete() override;
    void InternalInsert() override;
    void DoAfterOpen() override;
    std::unique_ptr<db::TField> CreateFieldFor(const db::TFieldDef& def) override;
    void Notification(db::TComponent* component, db::TOperation operation) override;

private:
    class TRecordSlot;
    TRecordSlot* CurrentSlot() const;
    TComPtr<ISWbemObject> CurrentRecordObject(const char16_t* failure) const;
    void DoInternalOpen();
    db::TFieldDefs& DefsForLookup() { return FIrregularView ? FIrregularFieldDefs : FieldDefs(); }

    wmi::TWmiConnection* FConnection = nullptr;
    db::TComponent* FConnectionComponent = nullptr;
    std::vector<WideString> FWQL;
    std::unique_ptr<TWmiDataBuffer> FData;
    bool FAsynchronous = true;
    bool FIrregularView = false;
    db::TFieldDefs FIrregularFieldDefs;
    bool FReadOnly = true;
};

class TWmiQuery : public TWmiDataSet {
public:
    using TWmiDataSet::TWmiDataSet;
};

} // namespace tarnwick::dataset
