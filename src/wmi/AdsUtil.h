#pragma once
// Directory information of the computer and the user (TAdsSystemInfo) and the steps of
// the directory listings: filter, hints and the names in a container.

#include "platform/com/ComPtr.h"
#include "wmi/ActiveDS.h"

#include <vector>

namespace tarnwick::wmi {

// The WinNT names of the computer and the user. The platform's system information
// object is created at the first read (and tried again at the next read when that
// fails). It never raises: without the object every text is empty.
class TAdsSystemInfo {
public:
    TAdsSystemInfo();

    // The PDC is read again at its next use.
    void Refresh();
    WideString UserName() const;
    WideString DomainName() const;
    WideString ComputerName() const;
    // Read once and kept, even when empty, until Refresh.
    WideString PDC() const;
    // The scripting library's version, "major.minor"; empty when unknown.
    WideString WmiLibVersion() const;

private:
    IADsWinNTSystemInfo* SystemInfo() const;

    mutable com::TComPtr<IADsWinNTSystemInfo> FISystemInfo;
    mutable WideString FCachedPDC;
};

// Limits the container to one class: ADsBuildVarArrayStr with the name, then Filter.
void AdsSetFilter(IADsContainer* container, const WideString& className);
// Sets Hints to a text array of the names; its result does not matter.
void AdsSetHints(IADsContainer* container, const std::vector<WideString>& names);
// Appends the Name of every object the container enumerates; a failing step raises
// TAdsException, and the names appended before it stay.
void AdsListNames(IADsContainer* container, std::vector<WideString>& list);

} // namespace tarnwick::wmi
