#pragma once
// TDataSet: the framework's dataset. It owns field definitions, fields, the
// current record slot and the state machine (inactive, browse, edit, insert); a
// derived class supplies the rows through the Internal* operations and GetRecord.
//
// Contract for a derived class:
// - InternalOpen leaves its cursor before the first row, so that GetRecord(gmNext)
//   yields row 0 (or grEOF when there are none). It fills FieldDefs and, when
//   DefaultFields() is true, calls CreateFields; then BindFields(true).
// - GetRecord(slot, gmCurrent | gmNext | gmPrior) fills the slot with the cursor's
//   current row after moving it one step for gmNext/gmPrior; grEOF and grBOF report
//   the ends, and it may raise (the error reaches the caller of the move).
// - InternalSetToRecord(slot) puts the cursor on the slot's row before a move.
// - ClearBuffers is called whenever the base discards its filled slots (First, Last).
// - Destructors of derived classes call BeginDestroy() and Close() (the base's
//   destructor cannot reach the derived operations); events are not fired then.
//
// Moves: First/Last/Next/Prior/GotoBookmark/SetRecNo post a pending edit when a
// field was changed and cancel it otherwise, and are surrounded by BeforeScroll
// and AfterScroll. Eof/Bof: true after a move that found no row in that direction;
// both true when the dataset is empty.

#include "db/Component.h"
#include "db/DbError.h"
#include "db/FieldDefs.h"
#include "db/Fields.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tarnwick::db {

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };
enum class TGetMode { gmCurrent, gmNext, gmPrior };
enum class TGetResult { grOK, grBOF, grEOF, grError };
enum class TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };

enum class TLocateOption : std::uint8_t { loCaseInsensitive = 1, loPartialKey = 2 };
class TLocateOptions {
public:
    constexpr TLocateOptions() = default;
    constexpr TLocateOptions(TLocateOption o) : FBits(static_cast<std::uint8_t>(o)) {}
    constexpr bool Contains(TLocateOption o) const { return (FBits & static_cast<std::uint8_t>(o)) != 0; }
    friend constexpr TLocateOptions operator+(TLocateOptions a, TLocateOptions b) {
        TLocateOptions r;
        r.FBits = static_cast<std::uint8_t>(a.FBits | b.FBits);
        return r;
    }

private:
    std::uint8_t FBits = 0;
};

// A bookmark: BookmarkSize() bytes; empty means none.
using TBookmark = std::vector<std::uint8_t>;

// One record slot; derived datasets extend it with what a row needs.
class TRecordBuffer {
public:
    virtual ~TRecordBuffer() = default;
    TBookmarkFlag BookmarkFlag = TBookmarkFlag::bfCurrent;
};

class TDataSet;
using TDataSetNotify = std::function<void(TDataSet& dataSet)>;

class TDataSet : public TComponent {
public:
    explicit TDataSet(TComponent* owner = nullptr);
    ~TDataSet() override;

    // Open and close.
    bool Active() const { return FState != TDataSetState::dsInactive; }
    void SetActive(bool value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return FState; }
    void CheckActive() const;
    void CheckInactive() const;

    // Cursor.
    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof() const { return FEOF; }
    bool Bof() const { return FBOF; }
    // No current record (closed, or no rows).
    bool IsEmpty() const { return !FHasRecord; }
    // 1-based number of the current record; -1 when the dataset cannot tell.
    virtual std::int32_t RecNo() { return -1; }
    virtual void SetRecNo(std::int32_t) {}
    // Number of records; -1 when the dataset cannot tell.
    virtual std::int32_t RecordCount() { return -1; }

    // Bookmarks.
    std::int32_t BookmarkSize() const { return FBookmarkSize; }
    TBookmark GetBookmark();
    void GotoBookmark(const TBookmark& bookmark);
    void FreeBookmark(TBookmark& bookmark) { bookmark.clear(); }
    virtual bool BookmarkValid(const TBookmark& bookmark) { return !bookmark.empty(); }

    // Fields.
    TFieldDefs& FieldDefs() { return FFieldDefs; }
    TFields& Fields() { return FFields; }
    TField* FindField(const WideString& name) const { return FFields.FindField(name); }
    TField& FieldByName(const WideString& name) const { return FFields.FieldByName(name); }
    // True while the open dataset's fields were made from its definitions.
    bool DefaultFields() const { return FDefaultFields; }
    // Rebuilds FieldDefs from the source (open or not).
    void UpdateFieldDefs();

    // Editing.
    virtual bool CanModify() const { return true; }
    bool Modified() const { return FModified; }
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    void Insert();
    void Append();
    void InsertRecord(const std::vector<TVariant>& values);
    void AppendRecord(const std::vector<TVariant>& values);
    // Posts a changed edit, cancels an unchanged one.
    void CheckBrowseMode();
    void Refresh();
    // Refills the current slot from the cursor's current row.
    void Resync();
    virtual bool Locate(const WideString& keyFields, const TVariant& keyValues, TLocateOptions options);

    // The single read and write paths behind every field (see Fields.h).
    virtual bool GetFieldData(const TField& field, TVariant* buffer) = 0;
    virtual void SetFieldData(TField& field, const TVariant* buffer);

    TDataSetNotify BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotify BeforeScroll, AfterScroll, BeforeRefresh, AfterRefresh;
    TDataSetNotify BeforeEdit, AfterEdit, BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotify BeforeDelete, AfterDelete, BeforeInsert, AfterInsert, OnNewRecord;

protected:
    void SetBookmarkSize(std::int32_t value) { FBookmarkSize = value; }
    // The current record slot; none when the dataset is closed or empty.
    TRecordBuffer* ActiveBuffer() const {
        return FHasRecord || FState == TDataSetState::dsInsert ? FActive.get() : nullptr;
    }

    virtual std::unique_ptr<TRecordBuffer> AllocRecordBuffer() = 0;
    virtual void InitRecord(TRecordBuffer&) {}
    virtual TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode) = 0;
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual void InternalInitFieldDefs() = 0;
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalSetToRecord(TRecordBuffer& buffer) = 0;
    virtual void GetBookmarkData(const TRecordBuffer& buffer, TBookmark& bookmark) = 0;
    virtual void InternalGotoBookmark(const TBookmark& bookmark) = 0;
    virtual void ClearBuffers() {}
    virtual void InternalEdit() {}
    virtual void InternalPost() {}
    virtual void InternalCancel() {}
    virtual void InternalDelete() { DatabaseError(SNotSupported); }
    virtual void InternalInsert() {}
    virtual void InternalRefresh() {}
    // Fires AfterOpen; a derived class may wrap it.
    virtual void DoAfterOpen();
    // The field object for a definition; the standard kinds unless replaced.
    virtual std::unique_ptr<TField> CreateFieldFor(const TFieldDef& def);

    // One field per definition, in order.
    void CreateFields();
    // Gives each field its definition's FieldNo; a field without one fails.
    void BindFields(bool binding);
    void DestroyFields() { FFields.Clear(); }
    // Puts the cursor on the current slot's row.
    void UpdateCursorPos();
    void SetState(TDataSetState value) { FState = value; }

    void DoBeforeScroll() { Fire(BeforeScroll); }
    void DoAfterScroll() { Fire(AfterScroll); }
    void Fire(const TDataSetNotify& event) {
        if (event && !Destroying()) event(*this);
    }

private:
    friend class TField;
    void FieldChanged() { FModified = true; }
    void OpenCursor();
    void CloseCursor();
    void BeginInsertAppend(bool append);
    // Takes a filled scratch slot as the current one.
    void TakeScratch();

    TFieldDefs FFieldDefs;
    TFields FFields;
    TDataSetState FState = TDataSetState::dsInactive;
    std::unique_ptr<TRecordBuffer> FActive;
    std::unique_ptr<TRecordBuffer> FScratch;
    std::unique_ptr<TRecordBuffer> FSavedActive; // the current slot while inserting
    bool FSavedHasRecord = false;
    std::int32_t FBookmarkSize = 0;
    bool FHasRecord = false;
    bool FBOF = true;
    bool FEOF = true;
    bool FModified = false;
    bool FDefaultFields = false;
};

} // namespace tarnwick::db
