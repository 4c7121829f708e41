#include "wsman/VelXMLToWbemMethodAdapter.h"

#include "wsman/VelEmptyWbemQualifierSetAdapter.h"

namespace tarnwick::wsman {

HRESULT TVelXMLToWbemMethodAdapter::Get_Name(WideString* strName) {
    ClearOut(strName);
    if (!strName) return com::E_POINTER;
    *strName = FName;
    return com::S_OK;
}

HRESULT TVelXMLToWbemMethodAdapter::Get_Origin(WideString* strOrigin) {
    ClearOut(strOrigin);
    NotImplemented(u"Get_Origin");
}

HRESULT TVelXMLToWbemMethodAdapter::Get_InParameters(ISWbemObject** objWbemInParameters) {
    ClearOut(objWbemInParameters);
    return com::S_OK;
}

HRESULT TVelXMLToWbemMethodAdapter::Get_OutParameters(ISWbemObject** objWbemOutParameters) {
    ClearOut(objWbemOutParameters);
    return com::S_OK;
}

HRESULT TVelXMLToWbemMethodAdapter::Get_Qualifiers_(ISWbemQualifierSet** objWbemQualifierSet) {
    ClearOut(objWbemQualifierSet);
    return HandOut<ISWbemQualifierSet>(com::MakeCom<TVelEmptyWbemQualifierSetAdapter>(), objWbemQualifierSet);
}

} // namespace tarnwick::wsman
