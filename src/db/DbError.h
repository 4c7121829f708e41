#pragma once
// TDatabaseError: the failures of the dataset framework's own checks (a closed
// dataset, a missing field, a refused edit). Messages are the ones below, with the
// field or dataset name filled in.

#include "platform/com/Exception.h"

namespace tarnwick::db {

class TDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// An index outside a list's bounds: "List index out of bounds (<index>)".
class TListError : public Exception {
public:
    using Exception::Exception;
};
[[noreturn]] void ListIndexError(long long index);

[[noreturn]] void DatabaseError(const WideString& message);
// Replaces the first "%s" by arg1 and the second by arg2.
[[noreturn]] void DatabaseErrorFmt(const WideString& format, const WideString& arg1,
                                   const WideString& arg2 = WideString());
WideString FormatMessage(const WideString& format, const WideString& arg1,
                         const WideString& arg2 = WideString());

// Message texts.
inline constexpr const char16_t* SDataSetClosed = u"Cannot perform this operation on a closed dataset";
inline constexpr const char16_t* SDataSetOpen = u"Cannot perform this operation on an open dataset";
inline constexpr const char16_t* SDataSetEmpty = u"Cannot perform this operation on an empty dataset";
inline constexpr const char16_t* SDataSetReadOnly = u"Cannot modify a read-only dataset";
inline constexpr const char16_t* SNotEditing = u"Dataset not in edit or insert mode";
inline constexpr const char16_t* SFieldNotFound = u"Field '%s' not found";
inline constexpr const char16_t* SFieldReadOnly = u"Field '%s' cannot be modified";
inline constexpr const char16_t* SFieldAccessError = u"Cannot access field '%s' as type %s";
inline constexpr const char16_t* SFieldTypeUnknown = u"Field '%s' is of an unknown type";
inline constexpr const char16_t* SRecordNotFound = u"Record not found";
inline constexpr const char16_t* SInvalidFilter = u"Incorrectly formed filter expression";
inline constexpr const char16_t* SNotSupported = u"Operation not supported";
inline constexpr const char16_t* SFieldRequired = u"Field '%s' must have a value";
inline constexpr const char16_t* SInvalidIntegerValue = u"'%s' is not a valid integer value for field '%s'";
inline constexpr const char16_t* SInvalidFloatValue =
    u"'%s' is not a valid floating point value for field '%s'";
inline constexpr const char16_t* SInvalidBoolValue = u"'%s' is not a valid boolean value for field '%s'";
inline constexpr const char16_t* SRangeError = u"%s is not a valid value for field '%s'";

} // namespace tarnwick::db
