#include "wmi/AdsUtil.h"

#include "platform/com/ClassRegistry.h"
#include "wmi/AdsErr.h"
#include "wmi/WmiUtil.h"

namespace tarnwick::wmi {

namespace {

constexpr const char16_t* NotRead = u"NOT_DEFINED";

template <class Getter> WideString ReadText(IADsWinNTSystemInfo* info, Getter getter) {
    WideString text;
    if (info) (void)(info->*getter)(&text); // results are not checked: a failed read is empty
    return text;
}

} // namespace

TAdsSystemInfo::TAdsSystemInfo() : FCachedPDC(NotRead) {}

IADsWinNTSystemInfo* TAdsSystemInfo::SystemInfo() const {
    if (!FISystemInfo) {
        com::TComPtr<IADsWinNTSystemInfo> info;
        if (com::CoCreateInstance(CLSID_WinNTSystemInfo, com::CLSCTX_INPROC_SERVER, info) >= 0)
            FISystemInfo = info;
    }
    return FISystemInfo.Get();
}

void TAdsSystemInfo::Refresh() {
    FCachedPDC = NotRead;
}

WideString TAdsSystemInfo::UserName() const {
    return ReadText(SystemInfo(), &IADsWinNTSystemInfo::Get_UserName);
}

WideString TAdsSystemInfo::DomainName() const {
    return ReadText(SystemInfo(), &IADsWinNTSystemInfo::Get_DomainName);
}

WideString TAdsSystemInfo::ComputerName() const {
    return ReadText(SystemInfo(), &IADsWinNTSystemInfo::Get_ComputerName);
}

WideString TAdsSystemInfo::PDC() const {
    if (FCachedPDC == NotRead) FCachedPDC = ReadText(SystemInfo(), &IADsWinNTSystemInfo::Get_PDC);
    return FCachedPDC;
}

WideString TAdsSystemInfo::WmiLibVersion() const {
    return GetWbemScriptingVersion();
}

void AdsSetFilter(IADsContainer* container, const WideString& className) {
    TVariant filter;
    AdsCheck(TActiveDs::Instance().ADsBuildVarArrayStr({className}, filter));
    AdsCheck(container->Set_Filter(filter));
}

void AdsSetHints(IADsContainer* container, const std::vector<WideString>& names) {
    std::vector<TVariant> elements(names.begin(), names.end());
    (void)container->Set_Hints(TVariant::Array(com::VT_BSTR, std::move(elements), 0));
}

void AdsListNames(IADsContainer* container, std::vector<WideString>& list) {
    com::TComPtr<IUnknown> unknown;
    AdsCheck(container->Get__NewEnum(unknown.Put()));
    com::TComPtr<com::IEnumVARIANT> enumerator;
    AdsCheck(unknown.As(enumerator));
    for (;;) {
        TVariant item;
        com::ULONG fetched = 0;
        HRESULT hr = enumerator->Next(1, &item, &fetched);
        AdsCheck(hr); // a failing Next is a failure, not the end of the names
        if (hr != com::S_OK || fetched == 0) break;
        com::TComPtr<IADs> object;
        AdsCheck(com::TComPtr<IUnknown>(item.Unknown()).As(object));
        WideString name;
        AdsCheck(object->Get_Name(&name));
        list.push_back(name);
    }
}

} // namespace tarnwick::wmi
