#include "wmi/AdsErr.h"

#include "platform/osmessages/OsMessages.h"

#include <algorithm>
#include <iterator>

namespace tarnwick::wmi {

namespace {

constexpr TAdsErrorRow AdsErrors[] = {
    {0x80005000, u"An invalid Active Directory pathname was passed"},
    {0x80005001, u"An unknown Active Directory domain object was requested"},
    {0x80005002, u"An unknown Active Directory user object was requested"},
    {0x80005003, u"An unknown Active Directory computer object was requested"},
    {0x80005004, u"An unknown Active Directory object was requested"},
    {0x80005005, u"The specified Active Directory property was not set"},
    {0x80005006, u"The specified Active Directory property is not supported"},
    {0x80005007, u"The specified Active Directory property is invalid"},
    {0x80005008, u"One or more input parameters are invalid"},
    {0x80005009, u"The specified Active Directory object is not bound to a remote resource"},
    {0x8000500A, u"The specified Active Directory object has not been modified"},
    {0x8000500B, u"The specified Active Directory object has been modified"},
    {0x8000500C, u"The Active Directory datatype cannot be converted to/from a native DS datatype"},
    {0x8000500D, u"The Active Directory property cannot be found in the cache."},
    {0x8000500E, u"The Active Directory object exists."},
    {0x8000500F, u"The attempted action violates the DS schema rules"},
    {0x80005010, u"The specified column in the Active Directory was not set."},
    {0x80005014, u"The search filter specified is invalid"},
};

} // namespace

std::span<const TAdsErrorRow> AdsErrorTable() {
    return AdsErrors;
}

WideString AdsErrorMessage(com::HRESULT code) {
    auto bits = static_cast<std::uint32_t>(code);
    const auto* row = std::find_if(std::begin(AdsErrors), std::end(AdsErrors),
                                   [bits](const TAdsErrorRow& r) { return r.Code == bits; });
    WideString text;
    if (row != std::end(AdsErrors)) {
        text = row->Text;
    } else {
        text = TrimRight(osmessages::SystemErrorMessage(code));
        if (text.empty()) text = u"Unknown error";
    }
    return IntToHex(bits, 8) + u": " + text;
}

void AdsCheck(com::HRESULT code) {
    if (code < 0) throw TAdsException(AdsErrorMessage(code));
}

} // namespace tarnwick::wmi
