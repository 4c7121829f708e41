#pragma once
// Field definitions: what a dataset's source says about each column (name, type,
// size, whether a value is required, position, attributes). A dataset keeps them in
// a TFieldDefs collection and creates one field per definition.

#include "db/FieldTypes.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tarnwick::db {

enum class TFieldAttribute : std::uint8_t { faHiddenCol = 1, faReadonly = 2, faRequired = 4, faFixed = 8 };

// A set of TFieldAttribute values.
class TFieldAttributes {
public:
    constexpr TFieldAttributes() = default;
    constexpr TFieldAttributes(TFieldAttribute a) : FBits(static_cast<std::uint8_t>(a)) {}
    constexpr bool Contains(TFieldAttribute a) const { return (FBits & static_cast<std::uint8_t>(a)) != 0; }
    constexpr TFieldAttributes& operator+=(TFieldAttributes other) {
        FBits |= other.FBits;
        return *this;
    }
    constexpr TFieldAttributes& operator-=(TFieldAttributes other) {
        FBits &= static_cast<std::uint8_t>(~other.FBits);
        return *this;
    }
    friend constexpr TFieldAttributes operator+(TFieldAttributes a, TFieldAttributes b) { return a += b; }
    friend constexpr bool operator==(TFieldAttributes a, TFieldAttributes b) { return a.FBits == b.FBits; }
    constexpr bool Empty() const { return FBits == 0; }

private:
    std::uint8_t FBits = 0;
};

class TFieldDefs;

class TFieldDef {
public:
    TFieldDef(TFieldDefs* owner, WideString name, TFieldType dataType, std::int32_t size, bool required,
              std::int32_t fieldNo);
    virtual ~TFieldDef() = default;
    TFieldDef(const TFieldDef&) = delete;
    TFieldDef& operator=(const TFieldDef&) = delete;

    TFieldDefs* Collection() const { return FOwner; }
    const WideString& Name() const { return FName; }
    void SetName(WideString value) { FName = std::move(value); }
    TFieldType DataType() const { return FDataType; }
    void SetDataType(TFieldType value) { FDataType = value; }
    std::int32_t Size() const { return FSize; }
    void SetSize(std::int32_t value) { FSize = value; }
    // Required is faRequired in Attributes; the two stay in step.
    bool Required() const { return FAttributes.Contains(TFieldAttribute::faRequired); }
    void SetRequired(bool value);
    std::int32_t FieldNo() const { return FFieldNo; }
    void SetFieldNo(std::int32_t value) { FFieldNo = value; }
    TFieldAttributes Attributes() const { return FAttributes; }
    void SetAttributes(TFieldAttributes value) { FAttributes = value; }

private:
    TFieldDefs* FOwner;
    WideString FName;
    TFieldType FDataType;
    std::int32_t FSize;
    std::int32_t FFieldNo;
    TFieldAttributes FAttributes;
};

// An owned, ordered collection of definitions; names are looked up without regard
// to ASCII letter case.
class TFieldDefs {
public:
    TFieldDefs() = default;
    TFieldDefs(const TFieldDefs&) = delete;
    TFieldDefs& operator=(const TFieldDefs&) = delete;

    std::size_t Count() const { return FItems.size(); }
    TFieldDef& Items(std::size_t index) const { return *FItems.at(index); }
    // Takes the definition (its collection must be this one) and returns it.
    TFieldDef& Add(std::unique_ptr<TFieldDef> def);
    // A plain TFieldDef numbered Count() + 1.
    TFieldDef& Add(const WideString& name, TFieldType dataType, std::int32_t size = 0, bool required = false);
    void Clear() { FItems.clear(); }
    // None when there is no definition of that name.
    TFieldDef* Find(const WideString& name) const;
    int IndexOf(const WideString& name) const;

    // True once the definitions reflect the source (set by the dataset).
    bool Updated() const { return FUpdated; }
    void SetUpdated(bool value) { FUpdated = value; }

private:
    std::vector<std::unique_ptr<TFieldDef>> FItems;
    bool FUpdated = false;
};

} // namespace tarnwick::db
