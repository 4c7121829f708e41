#include "db/DbError.h"

namespace tarnwick::db {

WideString FormatMessage(const WideString& format, const WideString& arg1, const WideString& arg2) {
    WideString result;
    result.reserve(format.size() + arg1.size() + arg2.size());
    int used = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == u'%' && i + 1 < format.size() && format[i + 1] == u's' && used < 2) {
            result += used == 0 ? arg1 : arg2;
            ++used;
            ++i;
        } else {
            result += format[i];
        }
    }
    return result;
}

void ListIndexError(long long index) {
    throw TListError(u"List index out of bounds (" + IntToStr(index) + u")");
}

void DatabaseError(const WideString& message) {
    throw TDatabaseError(message);
}

void DatabaseErrorFmt(const WideString& format, const WideString& arg1, const WideString& arg2) {
    throw TDatabaseError(FormatMessage(format, arg1, arg2));
}

} // namespace tarnwick::db
