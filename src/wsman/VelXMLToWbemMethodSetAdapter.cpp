#include "wsman/VelXMLToWbemMethodSetAdapter.h"

#include "wsman/VelXMLToWbemMethodAdapter.h"

namespace tarnwick::wsman {

namespace {
constexpr HRESULT WBEM_E_METHOD_NOT_IMPLEMENTED = com::Hr(0x8004102E);
}

HRESULT TVelXMLToWbemMethodSetAdapter::Get__NewEnum(com::IUnknown** pUnk) {
    ClearOut(pUnk);
    NotImplemented(u"Get__NewEnum");
}

HRESULT TVelXMLToWbemMethodSetAdapter::Item(const WideString& strName, com::LONG,
                                            ISWbemMethod** objWbemMethod) {
    ClearOut(objWbemMethod);
    if (!objWbemMethod) return com::E_POINTER;
    if (strName != u"StartService" && strName != u"ResumeService") return WBEM_E_METHOD_NOT_IMPLEMENTED;
    return HandOut<ISWbemMethod>(com::MakeCom<TVelXMLToWbemMethodAdapter>(strName), objWbemMethod);
}

HRESULT TVelXMLToWbemMethodSetAdapter::Get_Count(com::LONG*) {
    NotImplemented(u"Get_Count");
}

} // namespace tarnwick::wsman
