#pragma once
// The directory-service interface (ADSI, WinNT provider): the interfaces the listings
// call, and the program-wide binding of the library "activeds.dll" and its entry points.
//
// The library is loaded through an IActiveDsLoader. A Windows build's loader loads the
// real library; the loader of this platform reports that it cannot be loaded, so every
// entry point is missing and calling one raises TAdsException with the message
//   Cannot load library "activeds.dll" or linked libraries

#include "platform/com/Unknown.h"
#include "platform/com/Variant.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace tarnwick::wmi {

using com::HRESULT;
using com::IDispatch;
using com::IID;
using com::IUnknown;
using com::LONG;
using com::TVariant;

// A directory object.
struct IADs : IDispatch {
    using Base = IDispatch;
    static constexpr IID iid = com::MakeGuid("FD8256D0-FD15-11CE-ABC4-02608C9E7553");
    virtual HRESULT Get_Name(WideString* retval) = 0;
    virtual HRESULT Get_Class(WideString* retval) = 0;
    virtual HRESULT Get_GUID(WideString* retval) = 0;
    virtual HRESULT Get_ADsPath(WideString* retval) = 0;
    virtual HRESULT Get_Parent(WideString* retval) = 0;
    virtual HRESULT Get_Schema(WideString* retval) = 0;
    virtual HRESULT GetInfo() = 0;
    virtual HRESULT SetInfo() = 0;
    virtual HRESULT Get(const WideString& bstrName, TVariant* pvProp) = 0;
    virtual HRESULT Put(const WideString& bstrName, const TVariant& vProp) = 0;
    virtual HRESULT GetEx(const WideString& bstrName, TVariant* pvProp) = 0;
    virtual HRESULT PutEx(LONG lnControlCode, const WideString& bstrName, const TVariant& vProp) = 0;
    virtual HRESULT GetInfoEx(const TVariant& vProperties, LONG lnReserved) = 0;
};

// A directory object holding others; _NewEnum answers an IEnumVARIANT over them,
// limited to the classes in Filter.
struct IADsContainer : IDispatch {
    using Base = IDispatch;
    static constexpr IID iid = com::MakeGuid("001677D0-FD16-11CE-ABC4-02608C9E7553");
    virtual HRESULT Get_Count(LONG* retval) = 0;
    virtual HRESULT Get__NewEnum(IUnknown** retval) = 0;
    virtual HRESULT Get_Filter(TVariant* pVar) = 0;
    virtual HRESULT Set_Filter(const TVariant& pVar) = 0;
    virtual HRESULT Get_Hints(TVariant* pvFilter) = 0;
    virtual HRESULT Set_Hints(const TVariant& pvFilter) = 0;
    virtual HRESULT GetObject(const WideString& ClassName, const WideString& RelativeName,
                              IDispatch** ppObject) = 0;
    virtual HRESULT Create(const WideString& ClassName, const WideString& RelativeName,
                           IDispatch** ppObject) = 0;
    virtual HRESULT Delete(const WideString& bstrClassName, const WideString& bstrRelativeName) = 0;
    virtual HRESULT CopyHere(const WideString& SourceName, const WideString& NewName,
                             IDispatch** ppObject) = 0;
    virtual HRESULT MoveHere(const WideString& SourceName, const WideString& NewName,
                             IDispatch** ppObject) = 0;
};

// The computer's and the user's WinNT names.
struct IADsWinNTSystemInfo : IDispatch {
    using Base = IDispatch;
    static constexpr IID iid = com::MakeGuid("6C6D65DC-AFD1-11D2-9CB9-0000F87A369E");
    virtual HRESULT Get_UserName(WideString* retval) = 0;
    virtual HRESULT Get_ComputerName(WideString* retval) = 0;
    virtual HRESULT Get_DomainName(WideString* retval) = 0;
    virtual HRESULT Get_PDC(WideString* retval) = 0;
};

inline constexpr com::CLSID CLSID_WinNTSystemInfo = com::MakeGuid("66182EC4-AFD1-11D2-9CB9-0000F87A369E");

inline constexpr const char16_t* ActiveDsLibraryName = u"activeds.dll";

// The library's entry points; an empty function is a missing entry point.
struct TActiveDsEntryPoints {
    // path, interface identity, out object
    std::function<HRESULT(const WideString& path, const IID& riid, void** ppObject)> ADsGetObject;
    // path, user, password (null: none), flags, interface identity, out object
    std::function<HRESULT(const WideString& path, const WideString& user, const WideString* password,
                          std::uint32_t reserved, const IID& riid, void** ppObject)>
        ADsOpenObject;
    // texts, out variant: an array of text variants
    std::function<HRESULT(const std::vector<WideString>& texts, TVariant& result)> ADsBuildVarArrayStr;
};

// How a platform loads the library. Implementations guarantee:
// - Load answers false and sets no entry point when the library cannot be loaded;
//   otherwise it sets each entry point that the library exports and answers true.
// - Unload is called once after each successful Load, and the entry points are not
//   called after it.
class IActiveDsLoader {
public:
    virtual ~IActiveDsLoader() = default;
    virtual bool Load(const WideString& libraryName, TActiveDsEntryPoints& entryPoints) = 0;
    virtual void Unload() = 0;
};

// This platform's loader: it has no directory-service library.
std::unique_ptr<IActiveDsLoader> CreatePlatformActiveDsLoader();

// The program-wide binding. The library is loaded at the first use (or by
// Instance() at program start) and released at program end.
class TActiveDs {
public:
    static TActiveDs& Instance();
    ~TActiveDs();
    TActiveDs(const TActiveDs&) = delete;
    TActiveDs& operator=(const TActiveDs&) = delete;

    bool Loaded() const;
    // Each raises TAdsException (Cannot load library "activeds.dll" or linked libraries)
    // when its entry point is missing; otherwise it answers the entry point's result.
    HRESULT ADsGetObject(const WideString& path, const IID& riid, void** ppObject);
    HRESULT ADsOpenObject(const WideString& path, const WideString& user, const WideString* password,
                          std::uint32_t reserved, const IID& riid, void** ppObject);
    HRESULT ADsBuildVarArrayStr(const std::vector<WideString>& texts, TVariant& result);

    // Releases the current library and loads through `loader` (a Windows build's, or a
    // test's); gives back the loader that was in place.
    std::unique_ptr<IActiveDsLoader> Reload(std::unique_ptr<IActiveDsLoader> loader);

private:
    TActiveDs();
    void Unload();
    [[noreturn]] static void RaiseNotLoaded();
    TActiveDsEntryPoints EntryPoints() const;

    mutable std::mutex FMutex;
    std::unique_ptr<IActiveDsLoader> FLoader;
    TActiveDsEntryPoints FEntryPoints;
    bool FLoaded = false;
};

// Puts a loader in place for one scope and the previous one back afterwards.
class TScopedActiveDsLoader {
public:
    explicit TScopedActiveDsLoader(std::unique_ptr<IActiveDsLoader> loader)
        : FPrevious(TActiveDs::Instance().Reload(std::move(loader))) {}
    ~TScopedActiveDsLoader() { TActiveDs::Instance().Reload(std::move(FPrevious)); }
    TScopedActiveDsLoader(const TScopedActiveDsLoader&) = delete;
    TScopedActiveDsLoader& operator=(const TScopedActiveDsLoader&) = delete;

private:
    std::unique_ptr<IActiveDsLoader> FPrevious;
};

} // namespace tarnwick::wmi
