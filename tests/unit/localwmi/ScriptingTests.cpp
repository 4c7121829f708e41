// The scripting objects of the local computer: ConnectServer's rules, where query
// errors surface, projections, prototypes, meta_class, object and property
// operations, paths, values as Windows delivers them.
#include "unit/localwmi/LocalWmiTestUtil.h"

#include "platform/com/ErrorInfo.h"
#include "platform/localwmi/LocalValues.h"
#include "platform/localwmi/ObjectData.h"
#include "platform/localwmi/Wql.h"

#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace tarnwick::localwmi::test {
namespace {

WideString Host() {
    char buffer[256] = {};
    gethostname(buffer, sizeof buffer - 1);
    return FromUtf8(buffer);
}

TEST(ConnectServer, FollowsWindowsRules) {
    struct TCase {
        WideString Server, Namespace, User, Password, Authority;
        HRESULT Expected;
    };
    const TCase cases[] = {
        {u"", u"root\\cimv2", u"", u"", u"", com::S_OK},
        {u".", u"root\\cimv2", u"", u"", u"", com::S_OK},
        {u"LOCALHOST", u"ROOT\\CIMV2", u"", u"", u"", com::S_OK},
        {u"127.0.0.1", u"root/cimv2", u"", u"", u"", com::S_OK},
        {u"::1", u"root", u"", u"", u"", com::S_OK},
        {AsciiUpperCase(Host()), u"", u"", u"", u"", com::S_OK}, // empty namespace: the default
        {u"", u"root\\cimv2", u"admin", u"", u"", WBEM_E_LOCAL_CREDENTIALS},
        {u".", u"root\\cimv2", u"", u"secret", u"", WBEM_E_LOCAL_CREDENTIALS},
        {u"localhost", u"root\\cimv2", u"", u"", u"ntlmdomain:CORP", WBEM_E_LOCAL_CREDENTIALS},
        {u"", u"root\\default", u"", u"", u"", WBEM_E_INVALID_NAMESPACE},
        {u"", u"root\\cimv2\\sub", u"", u"", u"", WBEM_E_INVALID_NAMESPACE},
        {u"other-host.example", u"root\\cimv2", u"", u"", u"", HRESULT_NOT_SUPPORTED},
        {u"10.1.2.3", u"root\\cimv2", u"admin", u"pw", u"", HRESULT_NOT_SUPPORTED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.Server) + " " + ToUtf8(c.Namespace) + " " + ToUtf8(c.User));
        TComPtr<ISWbemServices> services;
        HRESULT hr = Connect(services, c.Server, c.Namespace, c.User, c.Password, c.Authority);
        EXPECT_EQ(hr, c.Expected);
        EXPECT_EQ(static_cast<bool>(services), hr == com::S_OK);
        WideString info = com::TakeErrorInfo();
        if (hr == HRESULT_NOT_SUPPORTED) {
            EXPECT_EQ(info, u"The request is not supported.");
        }
    }
}

TEST(ConnectServer, SecurityAcceptsImpersonationLevel) {
    auto services = Cimv2();
    TComPtr<ISWbemSecurity> security;
    ASSERT_EQ(services->Get_Security_(security.Put()), com::S_OK);
    EXPECT_EQ(security->Set_ImpersonationLevel(wbemImpersonationLevelImpersonate), com::S_OK);
    WbemImpersonationLevelEnum level{};
    EXPECT_EQ(security->Get_ImpersonationLevel(&level), com::S_OK);
    EXPECT_EQ(level, wbemImpersonationLevelImpersonate);
    EXPECT_EQ(security->Set_ImpersonationLevel(static_cast<WbemImpersonationLevelEnum>(9)),
              WBEM_E_INVALID_PARAMETER);
}

TEST(ConnectServer, NamedValueSetIsRegistered) {
    RegisterLocalWmi();
    TComPtr<ISWbemNamedValueSet> set;
    ASSERT_EQ(com::CoCreateInstance(CLSID_SWbemNamedValueSet, com::CLSCTX_INPROC_SERVER, set), com::S_OK);
    TComPtr<ISWbemNamedValue> added;
    ASSERT_EQ(set->Add(u"a", TVariant(WideString(u"1")), 0, added.Put()), com::S_OK);
    ASSERT_EQ(set->Add(u"A", TVariant(WideString(u"2")), 0, added.Put()),
              com::S_OK); // same name, case ignored
    LONG count = 0;
    set->Get_Count(&count);
    EXPECT_EQ(count, 1);
    TComPtr<ISWbemNamedValue> item;
    ASSERT_EQ(set->Item(u"a", 0, item.Put()), com::S_OK);
    TVariant v;
    item->Get_Value(&v);
    EXPECT_EQ(v, TVariant(WideString(u"2")));
    EXPECT_EQ(set->Item(u"b", 0, item.Put()), WBEM_E_NOT_FOUND);
    EXPECT_FALSE(item);
}

// Every query error comes back from ExecQuery, with or without flag 16.
TEST(ExecQuery, ErrorsSurfaceFromExecQueryWhateverTheFlags) {
    struct TCase {
        const char16_t* Query;
        const char16_t* Language;
        HRESULT Expected;
    };
    const TCase cases[] = {
        {u"SELECT * FROM Win32_Process", u"SQL", WBEM_E_INVALID_QUERY_TYPE},
        {u"SELECT * FROM Win32_Process", u"wql", com::S_OK},
        {u"SELEKT * FROM Win32_Process", u"WQL", WBEM_E_INVALID_QUERY},
        {u"SELECT * FROM Win32_NoSuchClass", u"WQL", WBEM_E_INVALID_CLASS},
        {u"SELECT NoSuchProperty FROM Win32_Process", u"WQL", WBEM_E_INVALID_QUERY},
        {u"SELECT * FROM Win32_Process WHERE NoSuchProperty = 1", u"WQL", WBEM_E_INVALID_QUERY},
        {u"SELECT * FROM Win32_Process WHERE Name = 'unterminated", u"WQL", WBEM_E_INVALID_QUERY},
        {u"SELECT __CLASS, Name FROM Win32_Process WHERE __CLASS = 'Win32_Process'", u"WQL", com::S_OK},
        {u"SELECT Name FROM meta_class", u"WQL", WBEM_E_INVALID_QUERY},
    };
    auto services = Cimv2();
    for (LONG flags : {0, 16, 48}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(ToUtf8(c.Query) + " flags " + std::to_string(flags));
            TComPtr<ISWbemObjectSet> set;
            EXPECT_EQ(services->ExecQuery(c.Query, c.Language, flags, nullptr, set.Put()), c.Expected);
            EXPECT_EQ(static_cast<bool>(set), c.Expected == com::S_OK);
        }
    }
}

TEST(ExecQuery, FlagSixteenChangesNoRows) {
    auto services = Cimv2();
    auto a = Rows(services.Get(), u"SELECT Name FROM Win32_ComputerSystem", 0);
    auto b = Rows(services.Get(), u"SELECT Name FROM Win32_ComputerSystem", 16);
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(Value(a[0].Get(), u"Name"), Value(b[0].Get(), u"Name"));
}

TEST(ExecQuery, ProjectionKeepsNamedPropertiesAndThePath) {
    auto services = Cimv2();
    auto rows = Rows(services.Get(), u"SELECT name, ProcessId FROM Win32_Process WHERE ProcessId = 1");
    ASSERT_EQ(rows.size(), 1u);
    // Schema order, the schema's spelling.
    EXPECT_EQ(Names(rows[0].Get()), (std::vector<WideString>{u"Name", u"ProcessId"}));
    TComPtr<ISWbemPropertySet> props;
    rows[0]->Get_Properties_(props.Put());
    TComPtr<ISWbemProperty> prop;
    EXPECT_EQ(props->Item(u"Handle", 0, prop.Put()), WBEM_E_NOT_FOUND);
    TComPtr<ISWbemObjectPath> path;
    ASSERT_EQ(rows[0]->Get_Path_(path.Put()), com::S_OK);
    WideString rel;
    path->Get_RelPath(&rel);
    EXPECT_EQ(rel, u"Win32_Process.Handle=\"1\"");
}

TEST(ExecQuery, PrototypeDescribesTheResult) {
    auto services = Cimv2();
    for (LONG flags : {2, 18}) {
        auto rows =
            Rows(services.Get(), u"SELECT Handle, WorkingSetSize, CreationDate FROM Win32_Process", flags);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(Names(rows[0].Get()),
                  (std::vector<WideString>{u"CreationDate", u"Handle", u"WorkingSetSize"}));
        auto handle = Prop(rows[0].Get(), u"Handle");
        WbemCimtypeEnum type{};
        handle->Get_CIMType(&type);
        EXPECT_EQ(type, wbemCimtypeString);
        TVariant v;
        handle->Get_Value(&v);
        EXPECT_TRUE(v.IsNull());
        Prop(rows[0].Get(), u"WorkingSetSize")->Get_CIMType(&type);
        EXPECT_EQ(type, wbemCimtypeUint64);
        TComPtr<ISWbemObjectPath> path;
        rows[0]->Get_Path_(path.Put());
        VARIANT_BOOL isClass = 0;
        path->Get_IsClass(&isClass);
        EXPECT_EQ(isClass, com::VARIANT_TRUE);
    }
}

TEST(ExecQuery, MetaClassAndNamespaces) {
    auto services = Cimv2();
    auto classes = Rows(services.Get(), u"SELECT * FROM meta_class");
    bool process = false;
    for (const auto& c : classes) {
        TComPtr<ISWbemObjectPath> p;
        c->Get_Path_(p.Put());
        WideString name;
        p->Get_Class_(&name);
        process = process || name == u"Win32_Process";
    }
    EXPECT_TRUE(process);
    EXPECT_GE(classes.size(), 14u);
    auto one = Rows(services.Get(), u"SELECT * FROM meta_class WHERE __CLASS = 'win32_process'");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(Names(one[0].Get()).size(), 45u);
    EXPECT_EQ(Rows(services.Get(), u"SELECT * FROM meta_class WHERE __CLASS LIKE 'Win32_Perf%'").size(), 4u);

    TComPtr<ISWbemServices> root;
    ASSERT_EQ(Connect(root, {}, u"root"), com::S_OK);
    auto ns = Rows(root.Get(), u"SELECT * FROM __NAMESPACE");
    ASSERT_EQ(ns.size(), 1u);
    EXPECT_EQ(Value(ns[0].Get(), u"Name"), TVariant(WideString(u"cimv2")));
    EXPECT_EQ(QueryResult(root.Get(), u"SELECT * FROM Win32_Process"), WBEM_E_INVALID_CLASS);
    EXPECT_TRUE(Rows(services.Get(), u"SELECT * FROM __NAMESPACE").empty());
}

TEST(Objects, PropertiesQualifiersAndValues) {
    auto services = Cimv2();
    auto rows = Rows(services.Get(), u"SELECT * FROM Win32_Process WHERE Handle = '1'");
    ASSERT_EQ(rows.size(), 1u);
    auto* object = rows[0].Get();
    auto names = Names(object);
    ASSERT_EQ(names.size(), 45u);
    EXPECT_EQ(names.front(), u"CreationClassName");
    EXPECT_EQ(names.back(), u"WriteTransferCount");

    auto handle = Prop(object, u"HANDLE"); // case ignored
    WideString name;
    handle->Get_Name(&name);
    EXPECT_EQ(name, u"Handle");
    TComPtr<ISWbemQualifierSet> qualifiers;
    ASSERT_EQ(handle->Get_Qualifiers_(qualifiers.Put()), com::S_OK);
    TComPtr<ISWbemQualifier> key;
    ASSERT_EQ(qualifiers->Item(u"KEY", 0, key.Put()), com::S_OK);
    TVariant keyValue;
    key->Get_Value(&keyValue);
    EXPECT_EQ(keyValue, TVariant(true));
    TComPtr<ISWbemQualifier> cimtype;
    ASSERT_EQ(qualifiers->Item(u"CIMTYPE", 0, cimtype.Put()), com::S_OK);
    TVariant typeText;
    cimtype->Get_Value(&typeText);
    EXPECT_EQ(typeText, TVariant(WideString(u"string")));

    TComPtr<ISWbemQualifierSet> pidQualifiers;
    Prop(object, u"ProcessId")->Get_Qualifiers_(pidQualifiers.Put());
    EXPECT_EQ(pidQualifiers->Item(u"key", 0, key.Put()), WBEM_E_NOT_FOUND);

    TComPtr<ISWbemPropertySet> props;
    object->Get_Properties_(props.Put());
    TComPtr<ISWbemProperty> missing;
    EXPECT_EQ(props->Item(u"NoSuchProperty", 0, missing.Put()), WBEM_E_NOT_FOUND);
    EXPECT_FALSE(missing);

    // Set_Value changes the object in memory only.
    ASSERT_EQ(Prop(object, u"Name")->Set_Value(TVariant(WideString(u"renamed"))), com::S_OK);
    EXPECT_EQ(Value(object, u"Name"), TVariant(WideString(u"renamed")));
    auto fresh = Rows(services.Get(), u"SELECT Name FROM Win32_Process WHERE Handle = '1'");
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_NE(Value(fresh[0].Get(), u"Name"), TVariant(WideString(u"renamed")));

    EXPECT_EQ(object->Put_(0, nullptr, nullptr), WBEM_E_PROVIDER_NOT_CAPABLE);
    EXPECT_EQ(object->Delete_(0, nullptr), WBEM_E_PROVIDER_NOT_CAPABLE);
    WideString text;
    ASSERT_EQ(object->GetObjectText_(0, &text), com::S_OK);
    EXPECT_EQ(text.rfind(u"\ninstance of Win32_Process\n{\n", 0), 0u);
    EXPECT_NE(text.find(u"\tHandle = \"1\";\n"), WideString::npos);
    EXPECT_NE(text.find(u"\tProcessId = 1;\n"), WideString::npos);
    EXPECT_NE(text.find(u"\tName = \"renamed\";\n"), WideString::npos);
    EXPECT_EQ(text.find(u"InstallDate"), WideString::npos); // null properties are left out
    EXPECT_EQ(text.substr(text.size() - 3), u"};\n");
}

TEST(Objects, GetByPath) {
    auto services = Cimv2();
    struct TCase {
        WideString Path;
        HRESULT Expected;
    };
    const TCase cases[] = {
        {u"Win32_Process.Handle=\"1\"", com::S_OK},
        {u"Win32_Process.Handle='1'", com::S_OK},
        {u"Win32_Process=\"1\"", com::S_OK},
        {u"\\\\.\\root\\cimv2:Win32_Process.Handle=\"1\"", com::S_OK},
        {u"Win32_Process", com::S_OK},
        {u"Win32_OperatingSystem=@", com::S_OK},
        {u"Win32_ComputerSystem.Name=\"" + LocalComputerName() + u"\"", com::S_OK},
        {u"Win32_Process.Handle=\"999999999\"", WBEM_E_NOT_FOUND},
        {u"Win32_Process.Nope=\"1\"", WBEM_E_NOT_FOUND},
        {u"Win32_NoSuchClass", WBEM_E_NOT_FOUND},
        {u"Win32_Process.Handle=\"1", WBEM_E_INVALID_OBJECT_PATH},
        {u"", WBEM_E_INVALID_OBJECT_PATH},
        {u"root\\default:Win32_Process", WBEM_E_INVALID_NAMESPACE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.Path));
        TComPtr<ISWbemObject> object;
        EXPECT_EQ(services->Get(c.Path, 0, nullptr, object.Put()), c.Expected);
        EXPECT_EQ(static_cast<bool>(object), c.Expected == com::S_OK);
    }
    TComPtr<ISWbemObject> cls;
    ASSERT_EQ(services->Get(u"Win32_Process", 0x20000, nullptr, cls.Put()), com::S_OK);
    WideString text;
    cls->GetObjectText_(0, &text);
    EXPECT_EQ(text.rfind(u"\nclass Win32_Process : CIM_Process\n{\n", 0), 0u);
    EXPECT_NE(text.find(u"\t[key] string Handle;\n"), WideString::npos);
}

TEST(Values, DeliveredAsWindowsDoes) {
    using namespace wmi;
    struct TCase {
        WbemCimtypeEnum Type;
        std::uint64_t Native;
        TVariant Expected;
    };
    const TCase cases[] = {
        {wbemCimtypeUint32, 4294967295u, TVariant(std::int32_t(-1))},
        {wbemCimtypeUint32, 7, TVariant(std::int32_t(7))},
        {wbemCimtypeUint64, 18446744073709551615u, TVariant(WideString(u"18446744073709551615"))},
        {wbemCimtypeSint64, static_cast<std::uint64_t>(-3), TVariant(WideString(u"-3"))},
        {wbemCimtypeUint16, 65535, TVariant(std::int32_t(65535))},
        {wbemCimtypeSint16, static_cast<std::uint64_t>(-2), TVariant::FromI2(-2)},
        {wbemCimtypeUint8, 255, TVariant::FromUI1(255)},
        {wbemCimtypeSint8, static_cast<std::uint64_t>(-1), TVariant::FromI2(-1)},
        {wbemCimtypeReal32, 2, TVariant::FromR4(2.0f)},
        {wbemCimtypeReal64, 2, TVariant(2.0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Type) + " " + std::to_string(c.Native));
        TVariant v = DeliverUnsigned(c.Type, c.Native);
        EXPECT_EQ(v.Type(), c.Expected.Type());
        EXPECT_EQ(v, c.Expected);
    }
}

TEST(Values, DmtfCarriesTheLocalOffset) {
    const char* old = std::getenv("TZ");
    std::string saved = old ? old : "";
    setenv("TZ", "EST5", 1);
    tzset();
    EXPECT_EQ(UnixTimeToDmtf(1709622489, 123456), u"20240305020809.123456-300");
    setenv("TZ", "UTC0", 1);
    tzset();
    EXPECT_EQ(UnixTimeToDmtf(1709622489), u"20240305070809.000000+000");
    setenv("TZ", "CET-1", 1);
    tzset();
    EXPECT_EQ(UnixTimeToDmtf(1709622489), u"20240305080809.000000+060");
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(Values, ArraysAreZeroBasedVariantArrays) {
    auto services = Cimv2();
    TComPtr<ISWbemObject> cls;
    ASSERT_EQ(services->Get(u"Win32_NetworkAdapterConfiguration", 0, nullptr, cls.Put()), com::S_OK);
    VARIANT_BOOL isArray = 0;
    Prop(cls.Get(), u"IPAddress")->Get_IsArray(&isArray);
    EXPECT_EQ(isArray, com::VARIANT_TRUE);
    Prop(cls.Get(), u"Index")->Get_IsArray(&isArray);
    EXPECT_EQ(isArray, com::VARIANT_FALSE);

    const TClassDef* def = FindClass(TNamespace::Cimv2, u"Win32_ComputerSystem");
    ASSERT_TRUE(def);
    TInstanceBuilder b(*def);
    b.IntArray(u"BootStatus", {1, 65535}).TextArray(u"Roles", {u"a", u"b"});
    TInstance instance = b.Take();
    const TVariant& roles = instance.Values[static_cast<std::size_t>(def->IndexOf(u"Roles"))];
    EXPECT_EQ(roles.Type(), com::VT_ARRAY | com::VT_VARIANT);
    EXPECT_EQ(roles.LowBound(), 0);
    EXPECT_EQ(roles.HighBound(), 1);
    const TVariant& boot = instance.Values[static_cast<std::size_t>(def->IndexOf(u"BootStatus"))];
    EXPECT_EQ(boot.Element(1), TVariant(std::int32_t(65535)));
    EXPECT_TRUE(instance.Values[static_cast<std::size_t>(def->IndexOf(u"Model"))].IsNull());
}

TEST(Objects, UnsupportedSlotsAnswerCodes) {
    auto services = Cimv2();
    TComPtr<ISWbemObject> object;
    EXPECT_EQ(services->ExecMethod(u"Win32_Process", u"Create", nullptr, 0, nullptr, object.Put()),
              WBEM_E_PROVIDER_NOT_CAPABLE);
    EXPECT_EQ(services->Delete(u"Win32_Process.Handle=\"1\"", 0, nullptr), WBEM_E_PROVIDER_NOT_CAPABLE);
    com::IDispatch* source = nullptr;
    EXPECT_EQ(services->ExecNotificationQuery(u"SELECT * FROM __InstanceCreationEvent", u"WQL", 0, nullptr,
                                              &source),
              WBEM_E_NOT_SUPPORTED);
    EXPECT_EQ(source, nullptr);
    EXPECT_EQ(services->ExecQueryAsync(nullptr, u"SELECT * FROM Win32_Process", u"WQL", 0, nullptr, nullptr),
              WBEM_E_NOT_SUPPORTED);
    com::UINT count = 9;
    EXPECT_EQ(services->GetTypeInfoCount(&count), com::S_OK);
    EXPECT_EQ(count, 0u);
    TComPtr<ISWbemObjectSet> set;
    ASSERT_EQ(services->InstancesOf(u"Win32_ComputerSystem", 0, nullptr, set.Put()), com::S_OK);
    LONG n = 0;
    set->Get_Count(&n);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(services->InstancesOf(u"Win32_Process WHERE x", 0, nullptr, set.Put()), WBEM_E_INVALID_CLASS);
}

} // namespace
} // namespace tarnwick::localwmi::test
