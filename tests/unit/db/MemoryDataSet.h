#pragma once
// A small in-memory dataset for the framework's tests: rows of native values,
// a cursor index, inserts, edits and deletes.

#include "db/DataSet.h"

#include <vector>

namespace tarnwick::db::testing {

struct TColumn {
    WideString Name;
    TFieldType Type;
    std::int32_t Size = 0;
};

class TMemoryDataSet : public TDataSet {
public:
    explicit TMemoryDataSet(std::vector<TColumn> columns, std::vector<std::vector<TVariant>> rows = {})
        : Rows(std::move(rows)), FColumns(std::move(columns)) {
        SetBookmarkSize(4);
    }
    ~TMemoryDataSet() override {
        BeginDestroy();
        Close();
    }

    bool CanModify() const override { return Writable; }
    std::int32_t RecNo() override { return Slot() ? Slot()->Index + 1 : 0; }
    std::int32_t RecordCount() override { return Active() ? static_cast<std::int32_t>(Rows.size()) : 0; }

    bool GetFieldData(const TField& field, TVariant* buffer) override {
        TSlot* slot = Slot();
        if (!slot || field.FieldNo() < 1) return false;
        const TVariant& value = slot->Values.at(static_cast<std::size_t>(field.FieldNo() - 1));
        if (value.IsNull() || value.IsEmpty()) return false;
        if (buffer) *buffer = value;
        return true;
    }
    void SetFieldData(TField& field, const TVariant* buffer) override {
        Slot()->Values.at(static_cast<std::size_t>(field.FieldNo() - 1)) =
            buffer ? *buffer : TVariant::Null();
    }

    std::vector<std::vector<TVariant>> Rows;
    bool Writable = true;
    int ClearBuffersCalls = 0;

protected:
    class TSlot : public TRecordBuffer {
    public:
        int Index = -1;
        std::vector<TVariant> Values;
    };
    TSlot* Slot() const { return static_cast<TSlot*>(ActiveBuffer()); }
    int Size() const { return static_cast<int>(Rows.size()); }

    std::unique_ptr<TRecordBuffer> AllocRecordBuffer() override { return std::make_unique<TSlot>(); }
    void InitRecord(TRecordBuffer& buffer) override {
        static_cast<TSlot&>(buffer).Values.assign(FColumns.size(), TVariant::Null());
    }
    TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode) override {
        if (mode == TGetMode::gmNext && FCursor < Size()) ++FCursor;
        if (mode == TGetMode::gmPrior && FCursor >= 0) --FCursor;
        if (FCursor < 0) return TGetResult::grBOF;
        if (FCursor >= Size()) return TGetResult::grEOF;
        auto& slot = static_cast<TSlot&>(buffer);
        slot.Index = FCursor;
        slot.Values = Rows[static_cast<std::size_t>(FCursor)];
        return TGetResult::grOK;
    }
    void InternalOpen() override {
        InternalInitFieldDefs();
        if (DefaultFields()) CreateFields();
        BindFields(true);
        FCursor = -1;
    }
    void InternalClose() override {}
    void InternalInitFieldDefs() override {
        FieldDefs().Clear();
        for (const TColumn& c : FColumns)
            FieldDefs().Add(c.Name, c.Type, c.Size);
    }
    void InternalFirst() override { FCursor = -1; }
    void InternalLast() override { FCursor = Size(); }
    void InternalSetToRecord(TRecordBuffer& buffer) override { FCursor = static_cast<TSlot&>(buffer).Index; }
    void GetBookmarkData(const TRecordBuffer& buffer, TBookmark& bookmark) override {
        int index = static_cast<const TSlot&>(buffer).Index;
        bookmark.assign(reinterpret_cast<const std::uint8_t*>(&index),
                        reinterpret_cast<const std::uint8_t*>(&index) + sizeof index);
    }
    void InternalGotoBookmark(const TBookmark& bookmark) override {
        std::copy(bookmark.begin(), bookmark.end(), reinterpret_cast<std::uint8_t*>(&FCursor));
    }
    void ClearBuffers() override { ++ClearBuffersCalls; }
    void InternalPost() override {
        TSlot* slot = Slot();
        if (State() == TDataSetState::dsInsert) {
            int at = slot->BookmarkFlag == TBookmarkFlag::bfEOF ? Size() : std::max(FCursor, 0);
            Rows.insert(Rows.begin() + at, slot->Values);
            FCursor = at;
        } else {
            Rows[static_cast<std::size_t>(slot->Index)] = slot->Values;
        }
    }
    void InternalDelete() override {
        Rows.erase(Rows.begin() + FCursor);
        if (FCursor >= Size()) FCursor = Size() - 1;
    }

private:
    std::vector<TColumn> FColumns;
    int FCursor = -1;
};

} // namespace tarnwick::db::testing
