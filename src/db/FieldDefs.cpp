#include "db/FieldDefs.h"

#include "db/DbError.h"

namespace tarnwick::db {

TFieldDef::TFieldDef(TFieldDefs* owner, WideString name, TFieldType dataType, std::int32_t size,
                     bool required, std::int32_t fieldNo)
    : FOwner(owner), FName(std::move(name)), FDataType(dataType), FSize(size), FFieldNo(fieldNo) {
    SetRequired(required);
}

void TFieldDef::SetRequired(bool value) {
    if (value)
        FAttributes += TFieldAttribute::faRequired;
    else
        FAttributes -= TFieldAttribute::faRequired;
}

TFieldDef& TFieldDefs::Add(std::unique_ptr<TFieldDef> def) {
    if (!def || def->Collection() != this) DatabaseError(u"Field definition belongs to another collection");
    FItems.push_back(std::move(def));
    return *FItems.back();
}

TFieldDef& TFieldDefs::Add(const WideString& name, TFieldType dataType, std::int32_t size, bool required) {
    return Add(std::make_unique<TFieldDef>(this, name, dataType, size, required,
                                           static_cast<std::int32_t>(FItems.size() + 1)));
}

TFieldDef* TFieldDefs::Find(const WideString& name) const {
    int index = IndexOf(name);
    return index < 0 ? nullptr : FItems[static_cast<std::size_t>(index)].get();
}

int TFieldDefs::IndexOf(const WideString& name) const {
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (SameText(FItems[i]->Name(), name)) return static_cast<int>(i);
    return -1;
}

} // namespace tarnwick::db
