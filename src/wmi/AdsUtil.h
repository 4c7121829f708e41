#pragma once
// Directory information of the computer and the user, read through the directory
// service interface where the platform has one. It never raises; where the
// interface is missing every text is empty.

#include "platform/com/WideString.h"

namespace tarnwick::wmi {

class TAdsSystemInfo {
public:
    TAdsSystemInfo() = default;
    void Refresh() {}
    WideString UserName() const { return {}; }
    WideString DomainName() const { return {}; }
    WideString ComputerName() const { return {}; }
    WideString PDC() const { return {}; }
    WideString WmiLibVersion() const { return {}; }
};

} // namespace tarnwick::wmi
