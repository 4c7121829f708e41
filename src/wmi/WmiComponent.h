#pragma once
// TWmiComponent: the connection settings and services object of TWmiAbstract with
// the directory information and the listings.

#include "wmi/AdsUtil.h"
#include "wmi/WmiAbstract.h"

#include <memory>
#include <vector>

namespace tarnwick::wmi {

class TWmiComponent : public TWmiAbstract {
public:
    explicit TWmiComponent(db::TComponent* owner = nullptr);
    ~TWmiComponent() override;

    TAdsSystemInfo& SystemInfo() { return *FSystemInfo; }

    // Listings (WmiListings.cpp). Each appends to AList and never clears it; names
    // appended before a failure stay. The directory listings need no open connection
    // and raise TAdsException; the WMI ones raise TWmiException, "Component is not
    // Active." when there is no services object.
    void ListDomains(std::vector<WideString>& AList);
    void ListServers(std::vector<WideString>& AList); // in SystemInfo().DomainName()
    void ListServersInDomain(const WideString& ADomain, std::vector<WideString>& AList);
    void ListAccounts(std::vector<WideString>& AList); // "domain\name"
    void ListLogicalDisks(std::vector<WideString>& AList);
    [[noreturn]] static void RaiseNotActive();

private:
    std::unique_ptr<TAdsSystemInfo> FSystemInfo;
};

} // namespace tarnwick::wmi
