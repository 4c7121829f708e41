#pragma once
// Fields: the typed view of one column of a dataset's current record.
//
// A field reads and writes through its dataset: GetFieldData(field, &value) yields
// the field's native value (true) or says there is none (false, the field is
// null); SetFieldData writes one. Native values by DataType: texts as VT_BSTR,
// ftSmallint VT_I2, ftWord VT_UI2, ftShortint VT_I1, ftByte VT_UI1, ftInteger and
// ftAutoInc VT_I4, ftLongWord VT_UI4, ftLargeint VT_I8, ftBoolean VT_BOOL, the
// floating types VT_R8, the date and time types VT_DATE, ftVariant and ftArray any
// value, ftInterface an interface. Texts have no fixed buffer: a field never cuts or
// overruns what its dataset delivers.
//
// The standard kinds give these texts: integers in decimal, booleans "True" and
// "False", floating-point numbers with up to 15 significant digits and a point,
// date-times as yyyy-mm-dd hh:nn:ss(.zzz); null gives the empty text.

#include "db/FieldTypes.h"
#include "platform/com/Variant.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tarnwick::db {

using com::TVariant;

class TDataSet;
class TFields;

class TField {
public:
    explicit TField(TFieldType dataType, std::int32_t size = 0);
    virtual ~TField() = default;
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    TDataSet* DataSet() const { return FDataSet; }
    const WideString& FieldName() const { return FFieldName; }
    void SetFieldName(WideString value);
    const WideString& DisplayLabel() const { return FDisplayLabel; }
    void SetDisplayLabel(WideString value) { FDisplayLabel = std::move(value); }
    // The display label when one is set, otherwise the field name.
    const WideString& DisplayName() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
    std::int32_t DisplayWidth() const { return FDisplayWidth; }
    void SetDisplayWidth(std::int32_t value) { FDisplayWidth = value; }
    TFieldType DataType() const { return FDataType; }
    std::int32_t Size() const { return FSize; }
    void SetSize(std::int32_t value) { FSize = value; }
    bool Required() const { return FRequired; }
    void SetRequired(bool value) { FRequired = value; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    // The definition's FieldNo once bound, 0 before.
    std::int32_t FieldNo() const { return FFieldNo; }
    void SetFieldNo(std::int32_t value) { FFieldNo = value; }
    // Position in the dataset's Fields, -1 when not in one.
    int Index() const;
    // Bytes a native value of this field takes in a record (informative).
    virtual std::int32_t DataSize() const;

    bool IsNull() const;
    // The native value; false (and value untouched) when the field is null.
    bool GetData(TVariant& value) const;
    // Writes a native value through the dataset; none clears the field.
    void SetData(const TVariant* value);
    void Clear() { SetData(nullptr); }

    // Null when the field is null, otherwise the native value.
    virtual TVariant Value() const;
    // Null or empty clears the field; other values are converted to the native type.
    virtual void SetValue(const TVariant& value);
    virtual WideString AsString() const;
    // The empty text clears the field (texts excepted); otherwise the text is parsed.
    virtual void SetAsString(const WideString& value);
    virtual std::int32_t AsInteger() const;
    virtual void SetAsInteger(std::int32_t value) { SetValue(TVariant(value)); }
    virtual std::int64_t AsLargeInt() const;
    virtual void SetAsLargeInt(std::int64_t value) { SetValue(TVariant(value)); }
    virtual double AsFloat() const;
    virtual void SetAsFloat(double value) { SetValue(TVariant(value)); }
    virtual bool AsBoolean() const;
    virtual void SetAsBoolean(bool value) { SetValue(TVariant(value)); }
    virtual TDateTime AsDateTime() const;
    virtual void SetAsDateTime(TDateTime value) { SetValue(TVariant::FromDate(value)); }

protected:
    // The native form of a value for this field; raises a conversion error.
    virtual TVariant ToNative(const TVariant& value) const;
    [[noreturn]] void InvalidValue(const char16_t* format, const WideString& text) const;

private:
    friend class TFields;

    TDataSet* FDataSet = nullptr;
    TFields* FFields = nullptr;
    WideString FFieldName;
    WideString FDisplayLabel;
    TFieldType FDataType;
    std::int32_t FSize;
    std::int32_t FDisplayWidth = 0;
    std::int32_t FFieldNo = 0;
    bool FRequired = false;
    bool FReadOnly = false;
};

class TStringField : public TField {
public:
    explicit TStringField(std::int32_t size = 20, TFieldType dataType = ftString) : TField(dataType, size) {}
    std::int32_t DataSize() const override { return Size() + 1; }
    void SetAsString(const WideString& value) override;

protected:
    TVariant ToNative(const TVariant& value) const override;
};

class TWideStringField : public TStringField {
public:
    explicit TWideStringField(std::int32_t size = 20, TFieldType dataType = ftWideString)
        : TStringField(size, dataType) {}
    std::int32_t DataSize() const override { return (Size() + 1) * 2; }
};

// ftSmallint, ftInteger, ftWord, ftAutoInc, ftShortint and ftByte; writes outside
// the type's range fail.
class TIntegerField : public TField {
public:
    explicit TIntegerField(TFieldType dataType = ftInteger) : TField(dataType) {}
    std::int32_t DataSize() const override;
    WideString AsString() const override;
    void SetAsString(const WideString& value) override;
    std::int64_t MinValue() const;
    std::int64_t MaxValue() const;

protected:
    TVariant ToNative(const TVariant& value) const override;
};

class TLongWordField : public TIntegerField {
public:
    TLongWordField() : TIntegerField(ftLongWord) {}
};

class TLargeintField : public TIntegerField {
public:
    TLargeintField() : TIntegerField(ftLargeint) {}
};

class TBooleanField : public TField {
public:
    TBooleanField() : TField(ftBoolean) {}
    std::int32_t DataSize() const override { return 2; }
    WideString AsString() const override;
    // "True"/"False" in any letter case.
    void SetAsString(const WideString& value) override;

protected:
    TVariant ToNative(const TVariant& value) const override;
};

// ftFloat, ftCurrency, ftExtended, ftSingle and the decimal types.
class TFloatField : public TField {
public:
    explicit TFloatField(TFieldType dataType = ftFloat) : TField(dataType) {}
    std::int32_t DataSize() const override { return 8; }
    WideString AsString() const override;
    void SetAsString(const WideString& value) override;

protected:
    TVariant ToNative(const TVariant& value) const override;
};

// ftDate (date part only), ftTime (time part only), ftDateTime and ftTimeStamp.
class TDateTimeField : public TField {
public:
    explicit TDateTimeField(TFieldType dataType = ftDateTime) : TField(dataType) {}
    std::int32_t DataSize() const override { return 8; }
    WideString AsString() const override;
    // yyyy-mm-dd, hh:nn[:ss[.zzz]] or both separated by a blank.
    void SetAsString(const WideString& value) override;

protected:
    TVariant ToNative(const TVariant& value) const override;
};

// ftVariant and ftArray: any value, kept as it is.
class TVariantField : public TField {
public:
    explicit TVariantField(TFieldType dataType = ftVariant) : TField(dataType) {}
    std::int32_t DataSize() const override { return 24; }
    void SetAsString(const WideString& value) override { SetValue(TVariant(value)); }

protected:
    TVariant ToNative(const TVariant& value) const override { return value; }
};

// ftInterface and ftIDispatch.
class TInterfaceField : public TField {
public:
    explicit TInterfaceField(TFieldType dataType = ftInterface) : TField(dataType) {}
    std::int32_t DataSize() const override { return 8; }
};

// The standard kind for a type: one of the classes above, a plain TField otherwise.
std::unique_ptr<TField> CreateStandardField(TFieldType dataType, std::int32_t size);

// The fields of a dataset, in order; they belong to it. Names are found without
// regard to ASCII letter case through a sorted index.
class TFields {
public:
    explicit TFields(TDataSet* dataSet) : FDataSet(dataSet) {}
    TFields(const TFields&) = delete;
    TFields& operator=(const TFields&) = delete;
    ~TFields();

    std::size_t Count() const { return FItems.size(); }
    TField& Fields(std::size_t index) const { return *FItems.at(index); }
    TField& operator[](std::size_t index) const { return Fields(index); }
    TField& Add(std::unique_ptr<TField> field);
    void Clear();
    TField* FindField(const WideString& name) const;
    // Raises "Field '<name>' not found".
    TField& FieldByName(const WideString& name) const;
    int IndexOf(const TField* field) const;
    // Keeps the index in step after a field was renamed.
    void Reindex();

private:
    TDataSet* FDataSet;
    std::vector<std::unique_ptr<TField>> FItems;
    std::vector<TField*> FIndex; // sorted by CompareText of the names
};

} // namespace tarnwick::db
