#pragma once
// One of the two service methods the bridge can carry out, by name only: it has
// no parameter objects and no qualifiers.

#include "wmi/WbemScripting.h"
#include "wsman/VelInterfacedDispatch.h"

namespace tarnwick::wsman {

using wmi::ISWbemMethod;
using wmi::ISWbemObject;
using wmi::ISWbemQualifierSet;

class TVelXMLToWbemMethodAdapter : public TInterfacedDispatch<ISWbemMethod> {
public:
    explicit TVelXMLToWbemMethodAdapter(WideString AName) : FName(std::move(AName)) {}

    HRESULT Get_Name(WideString* strName) override;
    HRESULT Get_Origin(WideString* strOrigin) override;
    HRESULT Get_InParameters(ISWbemObject** objWbemInParameters) override;   // null object
    HRESULT Get_OutParameters(ISWbemObject** objWbemOutParameters) override; // null object
    HRESULT Get_Qualifiers_(ISWbemQualifierSet** objWbemQualifierSet) override;

private:
    WideString FName;
};

} // namespace tarnwick::wsman
