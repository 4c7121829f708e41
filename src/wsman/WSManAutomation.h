#pragma once
// The interfaces of the WS-Management automation component, as the bridge calls
// them. Implemented on Windows by the system's component and on Linux by our WinRM
// client (platform/wsmanhttp), registered under CLSID_WSMan.
//
// Every implementation guarantees:
// - each operation returns an HRESULT; out-parameters are set to empty first;
// - a failing operation leaves a description a person can act on in the thread's
//   error information (com::SetErrorInfo) before it returns its negative code;
// - objects are reference counted; a session lives as long as any enumerator made
//   from it, and an enumerator dropped before its end releases the enumeration.

#include "platform/com/Unknown.h"
#include "platform/com/Variant.h"

namespace tarnwick::wsman {

using com::HRESULT;
using com::IDispatch;
using com::LONG;
using com::TVariant;
using com::VARIANT_BOOL;

// Session flags.
inline constexpr LONG WSManFlagCredUsernamePassword = 0x1000;
inline constexpr LONG WSManFlagUseNegotiate = 0x20000;
inline constexpr LONG WSManFlagUseKerberos = 0x80000;
inline constexpr LONG WSManFlagUseSsl = 0x8000000;

// The WMI resource-URI base and the dialect base; both end with a slash.
inline constexpr const char16_t* WSManWmiResourceUriBase = u"http://schemas.microsoft.com/wbem/wsman/1/wmi/";
inline constexpr const char16_t* WSManDialectBase = u"http://schemas.microsoft.com/wbem/wsman/1/";

inline constexpr com::CLSID CLSID_WSMan = com::MakeGuid("BCED617B-EC03-420B-8508-977DC7A686BD");
inline constexpr com::DWORD WSManClassContext = 0x17;

struct IWSManConnectionOptions : IDispatch {
    using Base = IDispatch;
    static constexpr com::IID iid = com::MakeGuid("F704E861-9E52-464F-B786-DA5EB2320FDD");
    virtual HRESULT Get_UserName(WideString* name) = 0;
    virtual HRESULT Set_UserName(const WideString& name) = 0;
    // Write-only: the password is never handed back.
    virtual HRESULT Set_Password(const WideString& password) = 0;
};

struct IWSManEnumerator : IDispatch {
    using Base = IDispatch;
    static constexpr com::IID iid = com::MakeGuid("F3457CA9-ABB9-4FA5-B850-90E8CA300E7F");
    // The XML text of the next item (one instance); the enumerator moves past it.
    virtual HRESULT ReadItem(WideString* resource) = 0;
    // Non-zero when no item is left (this may fetch the next batch).
    virtual HRESULT Get_AtEndOfStream(VARIANT_BOOL* eos) = 0;
    virtual HRESULT Get_Error(WideString* value) = 0;
};

struct IWSManSession : IDispatch {
    using Base = IDispatch;
    static constexpr com::IID iid = com::MakeGuid("FC84FC58-1286-40C4-9DA0-C8EF6EC241E0");
    virtual HRESULT Get(const TVariant& resourceUri, LONG flags, WideString* resource) = 0;
    virtual HRESULT Put(const TVariant& resourceUri, const WideString& resource, LONG flags,
                        WideString* resultResource) = 0;
    virtual HRESULT Create(const TVariant& resourceUri, const WideString& resource, LONG flags,
                           WideString* newUri) = 0;
    virtual HRESULT Delete(const TVariant& resourceUri, LONG flags) = 0;
    // actionUri: the bare method name; parameters: the XML text of the input document.
    // The result is the XML text of the output document.
    virtual HRESULT Invoke(const WideString& actionUri, const TVariant& resourceUri,
                           const WideString& parameters, LONG flags, WideString* result) = 0;
    // The enumerator stands before its first item. It answers IWSManEnumerator.
    virtual HRESULT Enumerate(const TVariant& resourceUri, const WideString& filter,
                              const WideString& dialect, LONG flags, IDispatch** resultSet) = 0;
    virtual HRESULT Identify(LONG flags, WideString* result) = 0;
    virtual HRESULT Get_Error(WideString* value) = 0;
    virtual HRESULT Get_BatchItems(LONG* value) = 0;
    virtual HRESULT Set_BatchItems(LONG value) = 0;
    virtual HRESULT Get_Timeout(LONG* value) = 0; // milliseconds
    virtual HRESULT Set_Timeout(LONG value) = 0;
};

struct IWSMan : IDispatch {
    using Base = IDispatch;
    static constexpr com::IID iid = com::MakeGuid("190D8637-5CD3-496D-AD24-69636BB5A3B5");
    // connection: "host[:port]" (IPv6 literals in brackets), or empty for the local
    // computer. The session answers IWSManSession.
    virtual HRESULT CreateSession(const WideString& connection, LONG flags, IDispatch* connectionOptions,
                                  IDispatch** session) = 0;
    // The options answer IWSManConnectionOptions.
    virtual HRESULT CreateConnectionOptions(IDispatch** connectionOptions) = 0;
    virtual HRESULT Get_CommandLine(WideString* value) = 0;
    virtual HRESULT Get_Error(WideString* value) = 0;
};

} // namespace tarnwick::wsman
