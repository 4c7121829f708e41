#pragma once
// The basic types of the COM runtime: result codes, GUIDs and the usual constants.

#include <cstdint>

namespace tarnwick::com {

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using LONG = std::int32_t;
using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using UINT = std::uint32_t;
using LCID = std::uint32_t;
using DISPID = std::int32_t;

constexpr HRESULT Hr(std::uint32_t bits) {
    return static_cast<HRESULT>(bits);
}
constexpr bool Succeeded(HRESULT hr) {
    return hr >= 0;
}
constexpr bool Failed(HRESULT hr) {
    return hr < 0;
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = Hr(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = Hr(0x80004002);
inline constexpr HRESULT E_POINTER = Hr(0x80004003);
inline constexpr HRESULT E_ABORT = Hr(0x80004004);
inline constexpr HRESULT E_FAIL = Hr(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = Hr(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = Hr(0x80070005);
inline constexpr HRESULT E_HANDLE = Hr(0x80070006);
inline constexpr HRESULT E_OUTOFMEMORY = Hr(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = Hr(0x80070057);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = Hr(0x80040154);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = Hr(0x80040110);
inline constexpr HRESULT CO_E_CLASSSTRING = Hr(0x800401F3);
inline constexpr HRESULT RPC_E_CHANGED_MODE = Hr(0x80010106);
inline constexpr HRESULT RPC_E_TOO_LATE = Hr(0x80010119);
inline constexpr HRESULT RPC_S_SERVER_UNAVAILABLE = Hr(0x800706BA);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = Hr(0x80020003);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = Hr(0x80020005);
inline constexpr HRESULT DISP_E_OVERFLOW = Hr(0x8002000A);
inline constexpr HRESULT DISP_E_BADINDEX = Hr(0x8002000B);

// Class contexts of object creation.
inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
inline constexpr DWORD CLSCTX_ALL = 0x17;

struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::uint8_t Data4[8] = {};

    friend constexpr bool operator==(const GUID& a, const GUID& b) {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
        for (int i = 0; i < 8; ++i)
            if (a.Data4[i] != b.Data4[i]) return false;
        return true;
    }
    friend constexpr bool operator<(const GUID& a, const GUID& b) {
        if (a.Data1 != b.Data1) return a.Data1 < b.Data1;
        if (a.Data2 != b.Data2) return a.Data2 < b.Data2;
        if (a.Data3 != b.Data3) return a.Data3 < b.Data3;
        for (int i = 0; i < 8; ++i)
            if (a.Data4[i] != b.Data4[i]) return a.Data4[i] < b.Data4[i];
        return false;
    }
};
using IID = GUID;
using CLSID = GUID;

namespace detail {
constexpr std::uint32_t HexDigit(char c) {
    return c >= '0' && c <= '9'   ? std::uint32_t(c - '0')
           : c >= 'a' && c <= 'f' ? std::uint32_t(c - 'a' + 10)
           : c >= 'A' && c <= 'F' ? std::uint32_t(c - 'A' + 10)
                                  : throw "not a hexadecimal digit";
}
constexpr std::uint32_t Hex(const char* s, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v = v * 16 + HexDigit(s[i]);
    return v;
}
} // namespace detail

// A GUID from its registry form without braces: "76A6415B-CB41-11D1-8B02-00600806D9B6".
constexpr GUID MakeGuid(const char (&s)[37]) {
    if (s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-') throw "malformed GUID";
    GUID g;
    g.Data1 = detail::Hex(s, 8);
    g.Data2 = static_cast<std::uint16_t>(detail::Hex(s + 9, 4));
    g.Data3 = static_cast<std::uint16_t>(detail::Hex(s + 14, 4));
    g.Data4[0] = static_cast<std::uint8_t>(detail::Hex(s + 19, 2));
    g.Data4[1] = static_cast<std::uint8_t>(detail::Hex(s + 21, 2));
    for (int i = 0; i < 6; ++i)
        g.Data4[2 + i] = static_cast<std::uint8_t>(detail::Hex(s + 24 + 2 * i, 2));
    return g;
}

} // namespace tarnwick::com
