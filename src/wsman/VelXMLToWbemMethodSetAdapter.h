#pragma once
// The methods of every bridge object: exactly StartService and ResumeService,
// whatever the object is (the set reads no item and no class).

#include "wmi/WbemScripting.h"
#include "wsman/VelInterfacedDispatch.h"

namespace tarnwick::wsman {

using wmi::ISWbemMethod;
using wmi::ISWbemMethodSet;

class TVelXMLToWbemMethodSetAdapter : public TInterfacedDispatch<ISWbemMethodSet> {
public:
    HRESULT Get__NewEnum(com::IUnknown** pUnk) override;
    // A new method for exactly "StartService" or "ResumeService" (case counts);
    // 0x8004102E and a null method for any other name.
    HRESULT Item(const WideString& strName, com::LONG iFlags, ISWbemMethod** objWbemMethod) override;
    HRESULT Get_Count(com::LONG* iCount) override;
};

} // namespace tarnwick::wsman
