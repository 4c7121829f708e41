#pragma once
// The field types of the dataset framework. The order is part of the contract:
// code compares against ranges ("every type after ftFMTBcd"), so new types are
// only ever appended.

#include "platform/com/WideString.h"

#include <cstdint>

namespace tarnwick::db {

enum TFieldType : std::uint8_t {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftParadoxOle,
    ftDBaseOle,
    ftTypedBinary,
    ftCursor,
    ftFixedChar,
    ftWideString,
    ftLargeint,
    ftADT,
    ftArray,
    ftReference,
    ftDataSet,
    ftOraBlob,
    ftOraClob,
    ftVariant,
    ftInterface,
    ftIDispatch,
    ftGuid,
    ftTimeStamp,
    ftFMTBcd,
    ftFixedWideChar,
    ftWideMemo,
    ftOraTimeStamp,
    ftOraInterval,
    ftLongWord,
    ftShortint,
    ftByte,
    ftExtended,
    ftConnection,
    ftParams,
    ftStream,
    ftTimeStampOffset,
    ftObject,
    ftSingle,
};

inline constexpr TFieldType ftLastFieldType = ftSingle;

// "WideString", "Largeint", ... (the name without its prefix); "Unknown" out of range.
WideString FieldTypeName(TFieldType type);

} // namespace tarnwick::db
