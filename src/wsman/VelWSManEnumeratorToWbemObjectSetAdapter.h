#pragma once
// A WS-Management enumeration as the object set of a query. The set offers only
// enumeration; every enumerator made from it shares the one stream position of the
// component's enumerator. Next reads exactly one item per call (celt must be 1),
// parses it into a TVelXMLToWbemObjectAdapter and hands that out as VT_UNKNOWN;
// at the end it answers S_FALSE and writes nothing. A component failure leaves
// Next as TWSManException; an item that does not parse leaves it as xml::TXmlError
// (the item is consumed). Objects handed out outlive the set and the enumerator.

#include "wmi/WbemScripting.h"
#include "wsman/VelInterfacedDispatch.h"
#include "wsman/WSManAutomation.h"

namespace tarnwick::wsman {

using wmi::ISWbemObject;
using wmi::ISWbemObjectSet;
using wmi::ISWbemSecurity;

class TVelWSManEnumeratorAsWbemObjectSet : public TInterfacedDispatch<ISWbemObjectSet> {
public:
    TVelWSManEnumeratorAsWbemObjectSet(com::TComPtr<IWSManEnumerator> aResultSet,
                                       com::TComPtr<IWSManSession> aSession);
    ~TVelWSManEnumeratorAsWbemObjectSet();

    HRESULT Get__NewEnum(com::IUnknown** pUnk) override;
    HRESULT Item(const WideString& strObjectPath, com::LONG iFlags, ISWbemObject** objWbemObject) override;
    HRESULT Get_Count(com::LONG* iCount) override;
    HRESULT Get_Security_(ISWbemSecurity** objWbemSecurity) override;

private:
    com::TComPtr<IWSManEnumerator> FResultSet;
    com::TComPtr<IWSManSession> FIWsmanSession;
};

class TVelWSManEnumeratorToEnumVariant : public com::TComObject<com::IEnumVARIANT> {
public:
    TVelWSManEnumeratorToEnumVariant(com::TComPtr<IWSManEnumerator> aResultSet,
                                     com::TComPtr<IWSManSession> aSession);
    ~TVelWSManEnumeratorToEnumVariant();

    HRESULT Next(com::ULONG celt, com::TVariant* rgVar, com::ULONG* pCeltFetched) override;
    HRESULT Skip(com::ULONG celt) override;
    HRESULT Reset() override;
    HRESULT Clone(com::IEnumVARIANT** ppEnum) override;

private:
    com::TComPtr<IWSManEnumerator> FResultSet;
    com::TComPtr<IWSManSession> FIWsmanSession;
};

} // namespace tarnwick::wsman
