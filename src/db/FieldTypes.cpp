#include "db/FieldTypes.h"

#include <array>

namespace tarnwick::db {

WideString FieldTypeName(TFieldType type) {
    static constexpr std::array<const char16_t*, ftLastFieldType + 1> names = {
        u"Unknown",    u"String",          u"Smallint",      u"Integer",     u"Word",         u"Boolean",
        u"Float",      u"Currency",        u"BCD",           u"Date",        u"Time",         u"DateTime",
        u"Bytes",      u"VarBytes",        u"AutoInc",       u"Blob",        u"Memo",         u"Graphic",
        u"FmtMemo",    u"ParadoxOle",      u"DBaseOle",      u"TypedBinary", u"Cursor",       u"FixedChar",
        u"WideString", u"Largeint",        u"ADT",           u"Array",       u"Reference",    u"DataSet",
        u"OraBlob",    u"OraClob",         u"Variant",       u"Interface",   u"IDispatch",    u"Guid",
        u"TimeStamp",  u"FMTBcd",          u"FixedWideChar", u"WideMemo",    u"OraTimeStamp", u"OraInterval",
        u"LongWord",   u"Shortint",        u"Byte",          u"Extended",    u"Connection",   u"Params",
        u"Stream",     u"TimeStampOffset", u"Object",        u"Single",
    };
    if (type > ftLastFieldType) return u"Unknown";
    return names[type];
}

} // namespace tarnwick::db
