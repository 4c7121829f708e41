#pragma once
// TWmiComponent: the connection settings and services object of TWmiAbstract with
// the directory information and the listings.

#include "wmi/AdsUtil.h"
#include "wmi/WmiAbstract.h"

#include <memory>

namespace tarnwick::wmi {

class TWmiComponent : public TWmiAbstract {
public:
    explicit TWmiComponent(db::TComponent* owner = nullptr);
    ~TWmiComponent() override;

    TAdsSystemInfo& SystemInfo() { return *FSystemInfo; }

private:
    std::unique_ptr<TAdsSystemInfo> FSystemInfo;
};

} // namespace tarnwick::wmi
