#pragma once
// The WMI scripting interfaces as the system calls them, in their slot order, with
// the CIM type codes and the flags. Implemented by the platform's scripting objects
// (or the local stand-in on Linux) and by the WS-Management bridge.
//
// Every implementation guarantees:
// - each operation returns an HRESULT; a negative one is a failure that the caller
//   checks with WmiCheck;
// - out-parameters that carry an interface, a text or a variant are set to empty
//   first, so a failing call leaves no stale value; numbers and booleans are
//   written on success only;
// - an empty text argument stands for "no value";
// - an object handed out is counted for the caller, who releases it.
//
// Interfaces passed as "dispatch" (sinks, contexts, named value sets) may be null.

#include "platform/com/Unknown.h"
#include "platform/com/Variant.h"

namespace tarnwick::wmi {

using com::DWORD;
using com::HRESULT;
using com::IDispatch;
using com::IEnumVARIANT;
using com::IID;
using com::IUnknown;
using com::LONG;
using com::TVariant;
using com::VARIANT_BOOL;

// CIM type codes.
enum WbemCimtypeEnum : LONG {
    wbemCimtypeSint16 = 2,
    wbemCimtypeSint32 = 3,
    wbemCimtypeReal32 = 4,
    wbemCimtypeReal64 = 5,
    wbemCimtypeString = 8,
    wbemCimtypeBoolean = 11,
    wbemCimtypeObject = 13,
    wbemCimtypeSint8 = 16,
    wbemCimtypeUint8 = 17,
    wbemCimtypeUint16 = 18,
    wbemCimtypeUint32 = 19,
    wbemCimtypeSint64 = 20,
    wbemCimtypeUint64 = 21,
    wbemCimtypeDatetime = 101,
    wbemCimtypeReference = 102,
    wbemCimtypeChar16 = 103,
};

// Flags.
inline constexpr LONG wbemFlagReturnImmediately = 16;
inline constexpr LONG wbemFlagForwardOnly = 32;
inline constexpr LONG wbemQueryFlagPrototype = 2;
inline constexpr LONG wbemFlagUseAmendedQualifiers = 0x20000;
inline constexpr LONG wbemConnectFlagUseMaxWait = 128;

enum WbemImpersonationLevelEnum : LONG {
    wbemImpersonationLevelAnonymous = 1,
    wbemImpersonationLevelIdentify = 2,
    wbemImpersonationLevelImpersonate = 3,
    wbemImpersonationLevelDelegate = 4,
};

enum WbemAuthenticationLevelEnum : LONG {
    wbemAuthenticationLevelDefault = 0,
    wbemAuthenticationLevelNone = 1,
    wbemAuthenticationLevelConnect = 2,
    wbemAuthenticationLevelCall = 3,
    wbemAuthenticationLevelPkt = 4,
    wbemAuthenticationLevelPktIntegrity = 5,
    wbemAuthenticationLevelPktPrivacy = 6,
};

struct ISWbemServices;
struct ISWbemObject;
struct ISWbemObjectSet;
struct ISWbemObjectPath;
struct ISWbemPropertySet;
struct ISWbemProperty;
struct ISWbemQualifierSet;
struct ISWbemQualifier;
struct ISWbemMethodSet;
struct ISWbemMethod;
struct ISWbemSecurity;
struct ISWbemNamedValueSet;
struct ISWbemNamedValue;

struct ISWbemNamedValue : IDispatch {
    using Base = IDispatch;
    static constexpr IID iid = com::MakeGuid("76A64164-CB41-11D1-8B02-00600806D9B6");
    virtual HRESULT Get_Value(TVariant* varValue) = 0;
    virtual HRESULT Set_Value(const TVariant& varValue) = 0;
    virtual HRESULT Get_Name(WideString* strName) = 0;
};

struct ISWbemNamedValueSet : IDispatch {
    using Base = IDispatch;
    static constexpr IID iid = com::MakeGuid("CF2376EA-CE8C-11D1-8B05-00600806D9B6");
    virtual HRESULT Get__NewEnum(IUnknown** pUnk) = 0;
    virtual HRESULT Item(const WideString& strName, LONG iFlags, ISWbemNamedValue** objWbemNamedValue) = 0;
    virtual HRESULT Get_Count(LONG* iCount) = 0;
    virtual HRESULT Add(const WideString& strName, const TVariant& varValue, LONG iFlags,
                        ISWbemNamedValue** objWbemNamedValue) = 0;
    virtual HRESULT Remove(const WideString& strName, LONG iFlags) = 0;
    virtual HRESULT Clone(ISWbemNamedValueSet** objWbemNamedValueSet) = 0;
    virtual HRESULT DeleteAll() = 0;
};

struct ISWbemSecurity : IDispatch {
    using Base = IDispatch;
    static constexpr IID iid = com::MakeGuid("B54D66E6-2287-11D2-8B33-00600806D9B6");
    virtual HRESULT Get_ImpersonationLevel(WbemImpersonationLevelEnum* iImpersonationLevel) = 0;
    virtual HRESULT Set_ImpersonationLevel(WbemImpersonationLevelEnum iImpersonationLevel) = 0;
    virtual HRESULT Get_AuthenticationLevel(WbemAuthenticationLevelEnum* iAuthenticationLevel) = 0;
    virtual HRESULT Set_AuthenticationLevel(WbemAuthenticationLevelEnum iAuthenticationLevel) = 0;
    virtual HRESULT Get_Privileges(IDispatch** objWbemPrivilegeSet) = 0;
};

struct ISWbemQualifier : IDispatch {
    using Base = IDispatch;
    static constexpr IID iid = com::MakeGuid("79B05932-D3B7-11D1-8B06-00600806D9B6");
    virtual HRESULT Get_Value(TVariant* varValue) = 0;
    virtual HRESULT Set_Value(const TVariant& varValue) = 0;
    virtual HRESULT Get_Name(WideString* strName) = 0;
    virtual HRESULT Get_IsLocal(VARIANT_BOOL* bIsLocal) = 0;
    virtual HRESULT Get_PropagatesToSubclass(VARIANT_BOOL* bPropagatesToSubclass) = 0;
    virtual HRESULT Set_PropagatesToSubclass(VARIANT_BOOL bPropagatesToSubclass) = 0;
    virtual HRESULT Get_PropagatesToInstance(VARIANT_BOOL* bPropagatesToInstance) = 0;
    virtual HRESULT Set_PropagatesToInstance(VARIANT_BOOL bPropagatesToInstance) = 0;
    virtual HRESULT Get_IsOverridable(VARIANT_BOOL* bIsOverridable) = 0;
    virtual HRESULT Set_IsOverridable(VARIANT_BOOL bIsOverridable) = 0;
    virtual HRESULT Get_IsAmended(VARIANT_BOOL* bIsAmended) = 0;
};

struct ISWbemQualifierSet : IDispatch {
    using Base = IDispatch;
    static constexpr IID iid = com::MakeGuid("9B16ED16-D3DF-11D1-8B08-00600806D9B6");
    // The enumerator answers IEnumVARIANT; its values answer ISWbemQualifier.
    virtual HRESULT Get__NewEnum(IUnknown** pUnk) = 0;
    virtual HRESULT Item(const WideString& strName, LONG iFlags, ISWbemQualifier** objWbemQualifier) = 0;
    virtual HRESULT Get_Count(LONG* iCount) = 0;
    virtual HRESULT Add(const WideString& strName, const TVariant& varVal, VARIANT_BOOL bPropagatesToSubclass,
                        VARIANT_BOOL bPropagatesToInstance, VARIANT_BOOL bIsOverridable, LONG iFlags,
                        ISWbemQualifier** objWbemQualifier) = 0;
    virtual HRESULT Remove(const WideString& strName, LONG iFlags) = 0;
};

struct ISWbemProperty : IDispatch {
    using Base = IDispatch;
    static constexpr IID iid = com::MakeGuid("1A388F98-D4BA-11D1-8B09-00600806D9B6");
    virtual HRESULT Get_Value(TVariant* varValue) = 0;
    virtual HRESULT Set_Value(const TVariant& varValue) = 0;
    virtual HRESULT Get_Name(WideString* strName) = 0;
    virtual HRESULT Get_IsLocal(VARIANT_BOOL* bIsLocal) = 0;
    virtual HRESULT Get_Origin(WideString* strOrigin) = 0;
    virtual HRESULT Get_CIMType(WbemCimtypeEnum* iCimType) = 0;
    virtual HRESULT Get_Qualifiers_(ISWbemQualifierSet** objWbemQualifierSet) = 0;
    virtual HRESULT Get_IsArray(VARIANT_BOOL* bIsArray) = 0;
};

struct ISWbemPropertySet : IDispatch {
    using Base = IDispatch;
    static constexpr IID iid = com::MakeGuid("DEA0A7B2-D4BA-11D1-8B09-00600806D9B6");
    // The enumerator answers IEnumVARIANT; its values answer ISWbemProperty.
    virtual HRESULT Get__NewEnum(IUnknown** pUnk) = 0;
    // 0x80041002 (not found) for a name the set does not have.
    virtual HRESULT Item(const WideString& strName, LONG iFlags, ISWbemProperty** objWbemProperty) = 0;
    virtual HRESULT Get_Count(LONG* iCount) = 0;
    virtual HRESULT Add(const WideString& strName, WbemCimtypeEnum iCimType, VARIANT_BOOL bIsArray,
                        LONG iFlags, ISWbemProperty** objWbemProperty) = 0;
    virtual HRESULT Remove(const WideString& strName, LONG iFlags) = 0;
};

struct ISWbemMethod : IDispatch {
    using Base = IDispatch;
    static constexpr IID iid = com::MakeGuid("422E8E90-D955-11D1-8B09-00600806D9B6");
    virtual HRESULT Get_Name(WideString* strName) = 0;
    virtual HRESULT Get_Origin(WideString* strOrigin) = 0;
    virtual HRESULT Get_InParameters(ISWbemObject** objWbemInParameters) = 0;
    virtual HRESULT Get_OutParameters(ISWbemObject** objWbemOutParameters) = 0;
    virtual HRESULT Get_Qualifiers_(ISWbemQualifierSet** objWbemQualifierSet) = 0;
};

struct ISWbemMethodSet : IDispatch {
    using Base = IDispatch;
    static constexpr IID iid = com::MakeGuid("C93BA292-D955-11D1-8B09-00600806D9B6");
    virtual HRESULT Get__NewEnum(IUnknown** pUnk) = 0;
    virtual HRESULT Item(const WideString& strName, LONG iFlags, ISWbemMethod** objWbemMethod) = 0;
    virtual HRESULT Get_Count(LONG* iCount) = 0;
};

struct ISWbemObjectPath : IDispatch {
    using Base = IDispatch;
    static constexpr IID iid = com::MakeGuid("5791BC27-CE9C-11D1-97BF-0000F81E849C");
    virtual HRESULT Get_Path(WideString* strPath) = 0;
    virtual HRESULT Set_Path(const WideString& strPath) = 0;
    virtual HRESULT Get_RelPath(WideString* strRelPath) = 0;
    virtual HRESULT Set_RelPath(const WideString& strRelPath) = 0;
    virtual HRESULT Get_Server(WideString* strServer) = 0;
    virtual HRESULT Set_Server(const WideString& strServer) = 0;
    virtual HRESULT Get_Namespace(WideString* strNamespace) = 0;
    virtual HRESULT Set_Namespace(const WideString& strNamespace) = 0;
    virtual HRESULT Get_ParentNamespace(WideString* strParentNamespace) = 0;
    virtual HRESULT Get_DisplayName(WideString* strDisplayName) = 0;
    virtual HRESULT Set_DisplayName(const WideString& strDisplayName) = 0;
    virtual HRESULT Get_Class_(WideString* strClass) = 0;
    virtual HRESULT Set_Class_(const WideString& strClass) = 0;
    virtual HRESULT Get_IsClass(VARIANT_BOOL* bIsClass) = 0;
    virtual HRESULT SetAsClass() = 0;
    virtual HRESULT Get_IsSingleton(VARIANT_BOOL* bIsSingleton) = 0;
    virtual HRESULT SetAsSingleton() = 0;
    virtual HRESULT Get_Keys(ISWbemNamedValueSet** objWbemNamedValueSet) = 0;
    virtual HRESULT Get_Security_(ISWbemSecurity** objWbemSecurity) = 0;
    virtual HRESULT Get_Locale(WideString* strLocale) = 0;
    virtual HRESULT Set_Locale(const WideString& strLocale) = 0;
    virtual HRESULT Get_Authority(WideString* strAuthority) = 0;
    virtual HRESULT Set_Authority(const WideString& strAuthority) = 0;
};

struct ISWbemObject : IDispatch {
    using Base = IDispatch;
    static constexpr IID iid = com::MakeGuid("76A6415A-CB41-11D1-8B02-00600806D9B6");
    virtual HRESULT Put_(LONG iFlags, IDispatch* objWbemNamedValueSet,
                         ISWbemObjectPath** objWbemObjectPath) = 0;
    virtual HRESULT PutAsync_(IDispatch* objWbemSink, LONG iFlags, IDispatch* objWbemNamedValueSet,
                              IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT Delete_(LONG iFlags, IDispatch* objWbemNamedValueSet) = 0;
    virtual HRESULT DeleteAsync_(IDispatch* objWbemSink, LONG iFlags, IDispatch* objWbemNamedValueSet,
                                 IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT Instances_(LONG iFlags, IDispatch* objWbemNamedValueSet,
                               ISWbemObjectSet** objWbemObjectSet) = 0;
    virtual HRESULT InstancesAsync_(IDispatch* objWbemSink, LONG iFlags, IDispatch* objWbemNamedValueSet,
                                    IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT Subclasses_(LONG iFlags, IDispatch* objWbemNamedValueSet,
                                ISWbemObjectSet** objWbemObjectSet) = 0;
    virtual HRESULT SubclassesAsync_(IDispatch* objWbemSink, LONG iFlags, IDispatch* objWbemNamedValueSet,
                                     IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT Associators_(const WideString& strAssocClass, const WideString& strResultClass,
                                 const WideString& strResultRole, const WideString& strRole,
                                 VARIANT_BOOL bClassesOnly, VARIANT_BOOL bSchemaOnly,
                                 const WideString& strRequiredAssocQualifier,
                                 const WideString& strRequiredQualifier, LONG iFlags,
                                 IDispatch* objWbemNamedValueSet, ISWbemObjectSet** objWbemObjectSet) = 0;
    virtual HRESULT AssociatorsAsync_(IDispatch* objWbemSink, const WideString& strAssocClass,
                                      const WideString& strResultClass, const WideString& strResultRole,
                                      const WideString& strRole, VARIANT_BOOL bClassesOnly,
                                      VARIANT_BOOL bSchemaOnly, const WideString& strRequiredAssocQualifier,
                                      const WideString& strRequiredQualifier, LONG iFlags,
                                      IDispatch* objWbemNamedValueSet, IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT References_(const WideString& strResultClass, const WideString& strRole,
                                VARIANT_BOOL bClassesOnly, VARIANT_BOOL bSchemaOnly,
                                const WideString& strRequiredQualifier, LONG iFlags,
                                IDispatch* objWbemNamedValueSet, ISWbemObjectSet** objWbemObjectSet) = 0;
    virtual HRESULT ReferencesAsync_(IDispatch* objWbemSink, const WideString& strResultClass,
                                     const WideString& strRole, VARIANT_BOOL bClassesOnly,
                                     VARIANT_BOOL bSchemaOnly, const WideString& strRequiredQualifier,
                                     LONG iFlags, IDispatch* objWbemNamedValueSet,
                                     IDispatch* objWbemAsyncContext) = 0;
    // A method's return value may be a positive result; it passes WmiCheck.
    virtual HRESULT ExecMethod_(const WideString& strMethodName, IDispatch* objWbemInParameters, LONG iFlags,
                                IDispatch* objWbemNamedValueSet, ISWbemObject** objWbemOutParameters) = 0;
    virtual HRESULT ExecMethodAsync_(IDispatch* objWbemSink, const WideString& strMethodName,
                                     IDispatch* objWbemInParameters, LONG iFlags,
                                     IDispatch* objWbemNamedValueSet, IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT Clone_(ISWbemObject** objWbemObject) = 0;
    virtual HRESULT GetObjectText_(LONG iFlags, WideString* strObjectText) = 0;
    virtual HRESULT SpawnDerivedClass_(LONG iFlags, ISWbemObject** objWbemObject) = 0;
    virtual HRESULT SpawnInstance_(LONG iFlags, ISWbemObject** objWbemObject) = 0;
    virtual HRESULT CompareTo_(IDispatch* objWbemObject, LONG iFlags, VARIANT_BOOL* bResult) = 0;
    virtual HRESULT Get_Qualifiers_(ISWbemQualifierSet** objWbemQualifierSet) = 0;
    virtual HRESULT Get_Properties_(ISWbemPropertySet** objWbemPropertySet) = 0;
    virtual HRESULT Get_Methods_(ISWbemMethodSet** objWbemMethodSet) = 0;
    virtual HRESULT Get_Derivation_(TVariant* strClassNameArray) = 0;
    virtual HRESULT Get_Path_(ISWbemObjectPath** objWbemObjectPath) = 0;
    virtual HRESULT Get_Security_(ISWbemSecurity** objWbemSecurity) = 0;
};

struct ISWbemObjectSet : IDispatch {
    using Base = IDispatch;
    static constexpr IID iid = com::MakeGuid("76A6415F-CB41-11D1-8B02-00600806D9B6");
    // The enumerator answers IEnumVARIANT; its values answer ISWbemObject. Rows are
    // read only by enumeration: Next(1) gives S_OK and one value per row, then
    // S_FALSE with nothing fetched.
    virtual HRESULT Get__NewEnum(IUnknown** pUnk) = 0;
    virtual HRESULT Item(const WideString& strObjectPath, LONG iFlags, ISWbemObject** objWbemObject) = 0;
    virtual HRESULT Get_Count(LONG* iCount) = 0;
    virtual HRESULT Get_Security_(ISWbemSecurity** objWbemSecurity) = 0;
};

struct ISWbemServices : IDispatch {
    using Base = IDispatch;
    static constexpr IID iid = com::MakeGuid("76A6415C-CB41-11D1-8B02-00600806D9B6");
    virtual HRESULT Get(const WideString& strObjectPath, LONG iFlags, IDispatch* objWbemNamedValueSet,
                        ISWbemObject** objWbemObject) = 0;
    virtual HRESULT GetAsync(IDispatch* objWbemSink, const WideString& strObjectPath, LONG iFlags,
                             IDispatch* objWbemNamedValueSet, IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT Delete(const WideString& strObjectPath, LONG iFlags, IDispatch* objWbemNamedValueSet) = 0;
    virtual HRESULT DeleteAsync(IDispatch* objWbemSink, const WideString& strObjectPath, LONG iFlags,
                                IDispatch* objWbemNamedValueSet, IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT InstancesOf(const WideString& strClass, LONG iFlags, IDispatch* objWbemNamedValueSet,
                                ISWbemObjectSet** objWbemObjectSet) = 0;
    virtual HRESULT InstancesOfAsync(IDispatch* objWbemSink, const WideString& strClass, LONG iFlags,
                                     IDispatch* objWbemNamedValueSet, IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT SubclassesOf(const WideString& strSuperclass, LONG iFlags,
                                 IDispatch* objWbemNamedValueSet, ISWbemObjectSet** objWbemObjectSet) = 0;
    virtual HRESULT SubclassesOfAsync(IDispatch* objWbemSink, const WideString& strSuperclass, LONG iFlags,
                                      IDispatch* objWbemNamedValueSet, IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT ExecQuery(const WideString& strQuery, const WideString& strQueryLanguage, LONG iFlags,
                              IDispatch* objWbemNamedValueSet, ISWbemObjectSet** objWbemObjectSet) = 0;
    virtual HRESULT ExecQueryAsync(IDispatch* objWbemSink, const WideString& strQuery,
                                   const WideString& strQueryLanguage, LONG lFlags,
                                   IDispatch* objWbemNamedValueSet, IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT AssociatorsOf(const WideString& strObjectPath, const WideString& strAssocClass,
                                  const WideString& strResultClass, const WideString& strResultRole,
                                  const WideString& strRole, VARIANT_BOOL bClassesOnly,
                                  VARIANT_BOOL bSchemaOnly, const WideString& strRequiredAssocQualifier,
                                  const WideString& strRequiredQualifier, LONG iFlags,
                                  IDispatch* objWbemNamedValueSet, ISWbemObjectSet** objWbemObjectSet) = 0;
    virtual HRESULT AssociatorsOfAsync(IDispatch* objWbemSink, const WideString& strObjectPath,
                                       const WideString& strAssocClass, const WideString& strResultClass,
                                       const WideString& strResultRole, const WideString& strRole,
                                       VARIANT_BOOL bClassesOnly, VARIANT_BOOL bSchemaOnly,
                                       const WideString& strRequiredAssocQualifier,
                                       const WideString& strRequiredQualifier, LONG iFlags,
                                       IDispatch* objWbemNamedValueSet, IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT ReferencesTo(const WideString& strObjectPath, const WideString& strResultClass,
                                 const WideString& strRole, VARIANT_BOOL bClassesOnly,
                                 VARIANT_BOOL bSchemaOnly, const WideString& strRequiredQualifier,
                                 LONG iFlags, IDispatch* objWbemNamedValueSet,
                                 ISWbemObjectSet** objWbemObjectSet) = 0;
    virtual HRESULT ReferencesToAsync(IDispatch* objWbemSink, const WideString& strObjectPath,
                                      const WideString& strResultClass, const WideString& strRole,
                                      VARIANT_BOOL bClassesOnly, VARIANT_BOOL bSchemaOnly,
                                      const WideString& strRequiredQualifier, LONG iFlags,
                                      IDispatch* objWbemNamedValueSet, IDispatch* objWbemAsyncContext) = 0;
    // The result is an event source object, handed out as dispatch.
    virtual HRESULT ExecNotificationQuery(const WideString& strQuery, const WideString& strQueryLanguage,
                                          LONG iFlags, IDispatch* objWbemNamedValueSet,
                                          IDispatch** objWbemEventSource) = 0;
    virtual HRESULT ExecNotificationQueryAsync(IDispatch* objWbemSink, const WideString& strQuery,
                                               const WideString& strQueryLanguage, LONG iFlags,
                                               IDispatch* objWbemNamedValueSet,
                                               IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT ExecMethod(const WideString& strObjectPath, const WideString& strMethodName,
                               IDispatch* objWbemInParameters, LONG iFlags, IDispatch* objWbemNamedValueSet,
                               ISWbemObject** objWbemOutParameters) = 0;
    virtual HRESULT ExecMethodAsync(IDispatch* objWbemSink, const WideString& strObjectPath,
                                    const WideString& strMethodName, IDispatch* objWbemInParameters,
                                    LONG iFlags, IDispatch* objWbemNamedValueSet,
                                    IDispatch* objWbemAsyncContext) = 0;
    virtual HRESULT Get_Security_(ISWbemSecurity** objWbemSecurity) = 0;
};

struct ISWbemLocator : IDispatch {
    using Base = IDispatch;
    static constexpr IID iid = com::MakeGuid("76A6415B-CB41-11D1-8B02-00600806D9B6");
    virtual HRESULT ConnectServer(const WideString& strServer, const WideString& strNamespace,
                                  const WideString& strUser, const WideString& strPassword,
                                  const WideString& strLocale, const WideString& strAuthority,
                                  LONG iSecurityFlags, IDispatch* objWbemNamedValueSet,
                                  ISWbemServices** objWbemServices) = 0;
    virtual HRESULT Get_Security_(ISWbemSecurity** objWbemSecurity) = 0;
};

// The classes of the scripting objects.
inline constexpr com::CLSID CLSID_SWbemLocator = com::MakeGuid("76A64158-CB41-11D1-8B02-00600806D9B6");
inline constexpr com::CLSID CLSID_SWbemNamedValueSet = com::MakeGuid("9AED384E-CE8B-11D1-8B05-00600806D9B6");

} // namespace tarnwick::wmi
