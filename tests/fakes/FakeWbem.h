#pragma once
// A fake of the WMI scripting objects. While a TFakeWbem lives, the class registry
// hands out its locator and named value set, so the code under test takes its real
// path. A test declares objects and query results in a few lines and reads back
// every call that was made:
//
//   fakes::TFakeWbem wbem;
//   wbem.AddQueryResult(u"SELECT * FROM Win32_Process",
//       {fakes::Obj(u"Win32_Process", {fakes::Prop(u"Handle", wmi::wbemCimtypeString, TVariant(u"1"),
//       {u"KEY"}),
//                                      fakes::Prop(u"ThreadCount", wmi::wbemCimtypeUint32, TVariant(4))})});

#include "platform/com/ClassRegistry.h"
#include "platform/com/Variant.h"
#include "wmi/WbemScripting.h"

#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace tarnwick::fakes {

using com::HRESULT;
using com::LONG;
using com::TVariant;

struct TFakeQualifier {
    WideString Name;
    TVariant Value;
};

struct TFakeProperty {
    WideString Name;
    wmi::WbemCimtypeEnum CimType = wmi::wbemCimtypeString;
    bool IsArray = false;
    TVariant Value;
    std::vector<TFakeQualifier> Qualifiers;
};

struct TFakeObjectSpec {
    WideString ClassName;
    WideString RelPath;    // e.g. Win32_Process.Handle="1"; empty: no path
    WideString ObjectText; // empty: made from the properties in the MOF form
    std::vector<TFakeProperty> Properties;
};

// A property; each qualifier name gets the value true.
TFakeProperty Prop(WideString name, wmi::WbemCimtypeEnum cimType, TVariant value,
                   std::vector<WideString> qualifiers = {}, bool isArray = false);
TFakeObjectSpec Obj(WideString className, std::vector<TFakeProperty> properties, WideString relPath = {});

struct TConnectCall {
    WideString Server, NameSpace, User, Password, Locale, Authority;
    LONG SecurityFlags = 0;
    bool HasContext = false;
    std::vector<std::pair<WideString, TVariant>> Context; // what Add put into the named value set
};

struct TQueryCall {
    WideString Query, Language;
    LONG Flags = 0;
    bool HasContext = false;
};

struct TGetCall {
    WideString Path;
    LONG Flags = 0;
};

class TFakeWbem {
public:
    TFakeWbem();
    ~TFakeWbem();
    TFakeWbem(const TFakeWbem&) = delete;
    TFakeWbem& operator=(const TFakeWbem&) = delete;

    // Results by exact query text. With the prototype flag (2) the query answers its
    // prototype, or else the first row with null values.
    void AddQueryResult(const WideString& query, std::vector<TFakeObjectSpec> rows);
    void SetPrototype(const WideString& query, TFakeObjectSpec prototype);
    // What Get answers for a path (also updated by Put_ of an object with that path).
    void AddObject(const WideString& path, TFakeObjectSpec object);
    const TFakeObjectSpec* StoredObject(const WideString& path) const;

    // Failures on demand.
    HRESULT ConnectResult = com::S_OK;
    HRESULT ExecQueryResult = com::S_OK; // also used for unknown queries: 0x80041010 when S_OK
    int FailNextAtRow = -1;              // 0-based row whose Next fails
    HRESULT NextFailure = com::E_FAIL;
    HRESULT PutResult = com::S_OK;
    HRESULT DeleteResult = com::S_OK;
    HRESULT SetValueResult = com::S_OK;
    HRESULT CreateNamedValueSetResult = com::S_OK;
    WideString ScriptingVersion = u"1.2"; // empty: no type information

    // Call logs.
    std::vector<TConnectCall> ConnectCalls;
    std::vector<TQueryCall> QueryCalls;
    std::vector<TGetCall> GetCalls;
    std::vector<WideString> PutCalls;    // class names
    std::vector<WideString> DeleteCalls; // class names
    std::vector<std::pair<WideString, TVariant>> SetValueCalls;
    std::vector<LONG> ImpersonationLevels;
    int NextCalls = 0;

    // Fake COM objects alive now, across all worlds (leak checks).
    static int LiveObjects();

    // Internals used by the fake objects.
    struct TQuery {
        std::vector<TFakeObjectSpec> Rows;
        bool HasPrototype = false;
        TFakeObjectSpec Prototype;
    };
    std::map<WideString, TQuery> Queries;
    std::map<WideString, TFakeObjectSpec> Objects;

private:
    com::TScopedClassRegistration FLocator;
    com::TScopedClassRegistration FNamedValueSet;
};

} // namespace tarnwick::fakes
