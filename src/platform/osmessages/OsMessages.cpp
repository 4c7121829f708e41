#include "platform/osmessages/OsMessages.h"

#include <algorithm>
#include <array>

namespace tarnwick::osmessages {
namespace {

struct Row {
    std::uint32_t Code;
    const char16_t* Text;
};

// Ordered by code. The texts end as the system's own do, with ".\r\n".
constexpr std::array kRows{
    Row{0x80004001, u"Not implemented\r\n"},
    Row{0x80004002, u"No such interface supported\r\n"},
    Row{0x80004003, u"Invalid pointer\r\n"},
    Row{0x80004004, u"Operation aborted\r\n"},
    Row{0x80004005, u"Unspecified error\r\n"},
    Row{0x8000FFFF, u"Catastrophic failure\r\n"},
    Row{0x80010106, u"Cannot change thread mode after it is set.\r\n"},
    Row{0x80010119,
        u"Security must be initialized before any interfaces are marshalled or unmarshalled. It cannot "
        u"be changed once initialized.\r\n"},
    Row{0x80020003, u"Member not found.\r\n"},
    Row{0x80020005, u"Type mismatch.\r\n"},
    Row{0x8002000A, u"Out of present range.\r\n"},
    Row{0x8002000B, u"Invalid index.\r\n"},
    Row{0x80040110, u"Class does not support aggregation (or class object is remote)\r\n"},
    Row{0x80040154, u"Class not registered\r\n"},
    Row{0x800401F3, u"Invalid class string\r\n"},
    Row{0x80070002, u"The system cannot find the file specified.\r\n"},
    Row{0x80070005, u"Access is denied.\r\n"},
    Row{0x80070006, u"The handle is invalid.\r\n"},
    Row{0x8007000E, u"Not enough memory resources are available to complete this operation.\r\n"},
    Row{0x80070032, u"The request is not supported.\r\n"},
    Row{0x80070035, u"The network path was not found.\r\n"},
    Row{0x80070057, u"The parameter is incorrect.\r\n"},
    Row{0x800704C9, u"The remote computer refused the network connection.\r\n"},
    Row{0x8007052E, u"The user name or password is incorrect.\r\n"},
    Row{0x800705B4, u"This operation returned because the timeout period expired.\r\n"},
    Row{0x800706BA, u"The RPC server is unavailable.\r\n"},
    Row{0x800706BE, u"The remote procedure call failed.\r\n"},
    Row{0x80072EE2, u"The operation timed out\r\n"},
    Row{0x80072EFD, u"A connection with the server could not be established\r\n"},
    Row{0x80338012, u"The client cannot connect to the destination specified in the request. Verify that the "
                    u"service on the destination is running and is accepting requests.\r\n"},
};

static_assert(std::is_sorted(kRows.begin(), kRows.end(),
                             [](const Row& a, const Row& b) { return a.Code < b.Code; }));

} // namespace

WideString SystemErrorMessage(com::HRESULT code) {
    auto bits = static_cast<std::uint32_t>(code);
    auto it = std::lower_bound(kRows.begin(), kRows.end(), bits,
                               [](const Row& r, std::uint32_t c) { return r.Code < c; });
    return it != kRows.end() && it->Code == bits ? WideString(it->Text) : WideString();
}

WideString TrimMessageEnd(WideString text) {
    while (!text.empty() && (text.back() <= 32 || text.back() == u'.'))
        text.pop_back();
    return text;
}

} // namespace tarnwick::osmessages
