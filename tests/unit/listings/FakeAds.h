#pragma once
// A fake of the directory service: while a TFakeAds lives, the library binding has its
// entry points (each can be left out) and the WinNT system information class is
// registered. Containers are declared by path with the names they hold; every call is
// logged.

#include "platform/com/ClassRegistry.h"
#include "wmi/ActiveDS.h"

#include <map>
#include <optional>
#include <vector>

namespace tarnwick::fakes {

using com::HRESULT;

struct TAdsBindCall {
    WideString Entry; // "ADsGetObject" or "ADsOpenObject"
    WideString Path, User;
    std::optional<WideString> Password;
    std::uint32_t Flags = 0;
};

class TFakeAds {
public:
    TFakeAds();
    ~TFakeAds();
    TFakeAds(const TFakeAds&) = delete;
    TFakeAds& operator=(const TFakeAds&) = delete;

    // What the library exports; a change applies after Reinstall(), which loads it again.
    bool ExportGetObject = true, ExportOpenObject = true, ExportBuildVarArrayStr = true;
    void Reinstall();

    std::map<WideString, std::vector<WideString>> Containers; // path -> names
    HRESULT BindResult = com::S_OK;
    HRESULT FilterResult = com::S_OK;
    HRESULT HintsResult = com::S_OK;
    int FailNextAt = -1; // index whose Next fails with NextFailure
    HRESULT NextFailure = com::E_FAIL;
    HRESULT NameResult = com::S_OK;

    // System information: the values and failures.
    HRESULT SystemInfoCreateResult = com::S_OK;
    WideString UserName = u"alice", ComputerName = u"PC1", DomainName = u"CORP", PDCName = u"\\\\DC1";

    std::vector<TAdsBindCall> BindCalls;
    std::vector<std::vector<WideString>> BuildVarArrayCalls;
    std::vector<com::TVariant> Filters, Hints;
    int SystemInfoCreations = 0, PDCReads = 0;
    int Loads = 0, Unloads = 0;

private:
    std::optional<wmi::TScopedActiveDsLoader> FLoader;
    com::TScopedClassRegistration FSystemInfo;
};

} // namespace tarnwick::fakes
