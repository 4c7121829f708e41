#include "db/DataSet.h"

#include <utility>

namespace tarnwick::db {

using enum TDataSetState;

TDataSet::TDataSet(TComponent* owner) : TComponent(owner), FFields(this) {}

TDataSet::~TDataSet() {
    // A derived class has closed already; what is left is the base's own.
    FFields.Clear();
}

void TDataSet::CheckActive() const {
    if (!Active()) DatabaseError(SDataSetClosed);
}

void TDataSet::CheckInactive() const {
    if (Active()) DatabaseError(SDataSetOpen);
}

void TDataSet::SetActive(bool value) {
    if (value == Active()) return;
    if (value) {
        Fire(BeforeOpen);
        OpenCursor();
        DoAfterOpen();
        if (!IsEmpty()) DoAfterScroll();
    } else {
        Fire(BeforeClose);
        SetState(dsInactive);
        CloseCursor();
        Fire(AfterClose);
    }
}

void TDataSet::OpenCursor() {
    FActive = AllocRecordBuffer();
    FScratch = AllocRecordBuffer();
    FDefaultFields = FFields.Count() == 0;
    FHasRecord = false;
    FBOF = FEOF = true;
    FModified = false;
    try {
        InternalOpen();
        FFieldDefs.SetUpdated(true);
        SetState(dsBrowse);
        if (GetRecord(*FActive, TGetMode::gmNext) == TGetResult::grOK) {
            FHasRecord = true;
            FEOF = false;
        }
    } catch (...) {
        SetState(dsInactive);
        CloseCursor();
        throw;
    }
}

void TDataSet::CloseCursor() {
    InternalClose();
    FHasRecord = false;
    FBOF = FEOF = true;
    FModified = false;
    FSavedActive.reset();
    FActive.reset();
    FScratch.reset();
    if (FDefaultFields) DestroyFields();
    FDefaultFields = false;
    FFieldDefs.SetUpdated(false);
}

void TDataSet::DoAfterOpen() {
    Fire(AfterOpen);
}

void TDataSet::TakeScratch() {
    std::swap(FActive, FScratch);
    FHasRecord = true;
}

void TDataSet::UpdateCursorPos() {
    if (FHasRecord) InternalSetToRecord(*FActive);
}

void TDataSet::First() {
    CheckBrowseMode();
    DoBeforeScroll();
    FHasRecord = false;
    ClearBuffers();
    InternalFirst();
    bool found = GetRecord(*FActive, TGetMode::gmNext) == TGetResult::grOK;
    FHasRecord = found;
    FBOF = true;
    FEOF = !found;
    DoAfterScroll();
}

void TDataSet::Last() {
    CheckBrowseMode();
    DoBeforeScroll();
    FHasRecord = false;
    ClearBuffers();
    InternalLast();
    bool found = GetRecord(*FActive, TGetMode::gmPrior) == TGetResult::grOK;
    FHasRecord = found;
    FEOF = true;
    FBOF = !found;
    DoAfterScroll();
}

void TDataSet::Next() {
    CheckBrowseMode();
    if (FEOF) return;
    DoBeforeScroll();
    UpdateCursorPos();
    switch (GetRecord(*FScratch, TGetMode::gmNext)) {
    case TGetResult::grOK:
        TakeScratch();
        FBOF = false;
        break;
    case TGetResult::grEOF:
    case TGetResult::grBOF:
        FEOF = true;
        break;
    default:
        DatabaseError(SRecordNotFound);
    }
    DoAfterScroll();
}

void TDataSet::Prior() {
    CheckBrowseMode();
    if (FBOF) return;
    DoBeforeScroll();
    UpdateCursorPos();
    switch (GetRecord(*FScratch, TGetMode::gmPrior)) {
    case TGetResult::grOK:
        TakeScratch();
        FEOF = false;
        break;
    case TGetResult::grBOF:
    case TGetResult::grEOF:
        FBOF = true;
        break;
    default:
        DatabaseError(SRecordNotFound);
    }
    DoAfterScroll();
}

void TDataSet::Resync() {
    CheckActive();
    for (TGetMode mode : {TGetMode::gmCurrent, TGetMode::gmNext, TGetMode::gmPrior}) {
        if (GetRecord(*FScratch, mode) == TGetResult::grOK) {
            TakeScratch();
            FBOF = FEOF = false;
            return;
        }
    }
    FHasRecord = false;
    FBOF = FEOF = true;
}

TBookmark TDataSet::GetBookmark() {
    TBookmark result;
    if (Active() && FHasRecord && FBookmarkSize > 0) GetBookmarkData(*FActive, result);
    return result;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark.empty()) return;
    CheckBrowseMode();
    DoBeforeScroll();
    InternalGotoBookmark(bookmark);
    Resync();
    DoAfterScroll();
}

void TDataSet::UpdateFieldDefs() {
    InternalInitFieldDefs();
    FFieldDefs.SetUpdated(true);
}

std::unique_ptr<TField> TDataSet::CreateFieldFor(const TFieldDef& def) {
    return CreateStandardField(def.DataType(), def.Size());
}

void TDataSet::CreateFields() {
    for (std::size_t i = 0; i < FFieldDefs.Count(); ++i) {
        const TFieldDef& def = FFieldDefs.Items(i);
        std::unique_ptr<TField> field = CreateFieldFor(def);
        field->SetFieldName(def.Name());
        field->SetSize(def.Size());
        field->SetRequired(def.Required());
        field->SetReadOnly(def.Attributes().Contains(TFieldAttribute::faReadonly));
        FFields.Add(std::move(field));
    }
}

void TDataSet::BindFields(bool binding) {
    for (std::size_t i = 0; i < FFields.Count(); ++i) {
        TField& field = FFields[i];
        if (!binding) {
            field.SetFieldNo(0);
            continue;
        }
        const TFieldDef* def = FFieldDefs.Find(field.FieldName());
        if (!def) DatabaseErrorFmt(SFieldNotFound, field.FieldName());
        field.SetFieldNo(def->FieldNo());
    }
}

void TDataSet::SetFieldData(TField&, const TVariant*) {
    DatabaseError(SNotSupported);
}

bool TDataSet::Locate(const WideString&, const TVariant&, TLocateOptions) {
    DatabaseError(SNotSupported);
}

// Editing.

void TDataSet::CheckBrowseMode() {
    CheckActive();
    if (FState == dsEdit || FState == dsInsert) {
        if (FModified)
            Post();
        else
            Cancel();
    }
}

void TDataSet::Edit() {
    if (!CanModify()) DatabaseError(SDataSetReadOnly);
    CheckActive();
    if (FState == dsEdit || FState == dsInsert) return;
    if (IsEmpty()) DatabaseError(SDataSetEmpty);
    Fire(BeforeEdit);
    UpdateCursorPos();
    InternalEdit();
    SetState(dsEdit);
    FModified = false;
    Fire(AfterEdit);
}

void TDataSet::Insert() {
    BeginInsertAppend(false);
}
void TDataSet::Append() {
    BeginInsertAppend(true);
}

void TDataSet::BeginInsertAppend(bool append) {
    if (!CanModify()) DatabaseError(SDataSetReadOnly);
    CheckBrowseMode();
    Fire(BeforeInsert);
    DoBeforeScroll();
    UpdateCursorPos();
    std::unique_ptr<TRecordBuffer> record = AllocRecordBuffer();
    InitRecord(*record);
    record->BookmarkFlag = append ? TBookmarkFlag::bfEOF : TBookmarkFlag::bfInserted;
    FSavedActive = std::exchange(FActive, std::move(record));
    FSavedHasRecord = FHasRecord;
    try {
        InternalInsert();
    } catch (...) {
        FActive = std::move(FSavedActive);
        FHasRecord = FSavedHasRecord;
        throw;
    }
    SetState(dsInsert);
    FModified = false;
    Fire(OnNewRecord);
    Fire(AfterInsert);
    DoAfterScroll();
}

void TDataSet::InsertRecord(const std::vector<TVariant>& values) {
    Insert();
    for (std::size_t i = 0; i < values.size() && i < FFields.Count(); ++i)
        FFields[i].SetValue(values[i]);
    Post();
}

void TDataSet::AppendRecord(const std::vector<TVariant>& values) {
    Append();
    for (std::size_t i = 0; i < values.size() && i < FFields.Count(); ++i)
        FFields[i].SetValue(values[i]);
    Post();
}

void TDataSet::Post() {
    CheckActive();
    if (FState != dsEdit && FState != dsInsert) DatabaseError(SNotEditing);
    Fire(BeforePost);
    InternalPost();
    bool wasInsert = FState == dsInsert;
    SetState(dsBrowse);
    FModified = false;
    if (wasInsert) {
        FSavedActive.reset();
    } else {
        UpdateCursorPos();
    }
    Resync();
    Fire(AfterPost);
}

void TDataSet::Cancel() {
    if (FState != dsEdit && FState != dsInsert) return;
    Fire(BeforeCancel);
    bool wasInsert = FState == dsInsert;
    SetState(dsBrowse);
    FModified = false;
    if (wasInsert) {
        FActive = std::move(FSavedActive);
        FHasRecord = FSavedHasRecord;
    }
    UpdateCursorPos();
    InternalCancel();
    if (FHasRecord) Resync();
    Fire(AfterCancel);
}

void TDataSet::Delete() {
    CheckActive();
    if (FState == dsInsert) {
        Cancel();
        return;
    }
    if (IsEmpty()) DatabaseError(SDataSetEmpty);
    Fire(BeforeDelete);
    DoBeforeScroll();
    UpdateCursorPos();
    InternalDelete();
    SetState(dsBrowse);
    FModified = false;
    Resync();
    Fire(AfterDelete);
    DoAfterScroll();
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    Fire(BeforeRefresh);
    UpdateCursorPos();
    InternalRefresh();
    Resync();
    Fire(AfterRefresh);
}

} // namespace tarnwick::db
