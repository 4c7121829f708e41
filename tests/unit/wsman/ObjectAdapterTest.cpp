// An item as a WMI object: properties, path, placeholders and the service methods.

#include "platform/xml/XmlDocument.h"
#include "unit/wsman/BridgeTestUtil.h"
#include "unit/wsman/FakeWSMan.h"
#include "wsman/WSManError.h"

#include <gmock/gmock.h>

#include <functional>

namespace tarnwick::wsman::testing {
namespace {

using ::testing::ElementsAre;
using wmi::ISWbemObject;

constexpr HRESULT WBEM_E_FAILED = com::Hr(0x80041001);

const WideString Output10 = u"<p:StartService_OUTPUT xmlns:p=\"" + ServiceNs +
                            u"\"><p:ReturnValue>10</p:ReturnValue></p:StartService_OUTPUT>";

// The refused operations that both object classes share, with their messages.
void ExpectCommonRefusals(ISWbemObject* o) {
    com::TComPtr<wmi::ISWbemObjectPath> path;
    com::TComPtr<wmi::ISWbemObjectSet> set;
    com::TComPtr<ISWbemObject> other;
    com::TComPtr<wmi::ISWbemQualifierSet> qualifiers;
    com::TComPtr<wmi::ISWbemSecurity> security;
    WideString text = u"stale";
    com::VARIANT_BOOL same = 0;
    com::TVariant derivation(u"stale");
    ExpectNotImplemented([&] { o->Put_(0, nullptr, path.Put()); }, u"Put_ not implemented");
    ExpectNotImplemented([&] { o->PutAsync_(nullptr, 0, nullptr, nullptr); }, u"PutAsync_ not implemented");
    ExpectNotImplemented([&] { o->Delete_(0, nullptr); }, u"Delete_ not implemented");
    ExpectNotImplemented([&] { o->DeleteAsync_(nullptr, 0, nullptr, nullptr); },
                         u"DeleteAsync_ not implemented");
    ExpectNotImplemented([&] { o->Instances_(0, nullptr, set.Put()); }, u"Instances_ not implemented");
    ExpectNotImplemented([&] { o->InstancesAsync_(nullptr, 0, nullptr, nullptr); },
                         u"InstancesAsync_ not implemented");
    ExpectNotImplemented([&] { o->Subclasses_(0, nullptr, set.Put()); }, u"Subclasses_ not implemented");
    ExpectNotImplemented([&] { o->SubclassesAsync_(nullptr, 0, nullptr, nullptr); },
                         u"SubclassesAsync_ not implemented");
    ExpectNotImplemented([&] { o->Associators_(u"", u"", u"", u"", 0, 0, u"", u"", 0, nullptr, set.Put()); },
                         u"Associators_ not implemented");
    ExpectNotImplemented(
        [&] { o->AssociatorsAsync_(nullptr, u"", u"", u"", u"", 0, 0, u"", u"", 0, nullptr, nullptr); },
        u"AssociatorsAsync_ not implemented");
    ExpectNotImplemented([&] { o->References_(u"", u"", 0, 0, u"", 0, nullptr, set.Put()); },
                         u"References_ not implemented");
    ExpectNotImplemented([&] { o->ReferencesAsync_(nullptr, u"", u"", 0, 0, u"", 0, nullptr, nullptr); },
                         u"ReferencesAsync_ not implemented");
    ExpectNotImplemented([&] { o->ExecMethodAsync_(nullptr, u"StartService", nullptr, 0, nullptr, nullptr); },
                         u"ExecMethodAsync_ not implemented");
    ExpectNotImplemented([&] { o->Clone_(other.Put()); }, u"Clone_ not implemented");
    ExpectNotImplemented([&] { o->GetObjectText_(0, &text); }, u"GetObjectText_ not implemented");
    EXPECT_EQ(text, u"");
    ExpectNotImplemented([&] { o->SpawnDerivedClass_(0, other.Put()); },
                         u"SpawnDerivedClass_ not implemented");
    ExpectNotImplemented([&] { o->SpawnInstance_(0, other.Put()); }, u"SpawnInstance_ not implemented");
    ExpectNotImplemented([&] { o->CompareTo_(nullptr, 0, &same); }, u"CompareTo_ not implemented");
    ExpectNotImplemented([&] { o->Get_Qualifiers_(qualifiers.Put()); }, u"Get_Qualifiers_ not implemented");
    ExpectNotImplemented([&] { o->Get_Derivation_(&derivation); }, u"Get_Derivation_ not implemented");
    EXPECT_TRUE(derivation.IsEmpty());
    ExpectNotImplemented([&] { o->Get_Security_(security.Put()); }, u"Get_Security_ not implemented");

    com::TComPtr<wmi::ISWbemMethodSet> methods;
    ASSERT_EQ(o->Get_Methods_(methods.Put()), com::S_OK);
    com::TComPtr<wmi::ISWbemMethod> method;
    EXPECT_EQ(methods->Item(u"ResumeService", 0, method.Put()), com::S_OK);
}

TEST(XmlObject, RefusesWhatItDoesNotOffer) {
    ExpectCommonRefusals(MakeObject(ServiceItem(u"")).Get());
}

TEST(PlaceholderObject, RefusesEverythingButItsMethods) {
    auto placeholder = com::MakeCom<TVelWbemObjectAdapter>();
    ExpectCommonRefusals(placeholder.Get());
    com::TComPtr<wmi::ISWbemPropertySet> properties;
    com::TComPtr<wmi::ISWbemObjectPath> path;
    com::TComPtr<ISWbemObject> out;
    ExpectNotImplemented([&] { placeholder->Get_Properties_(properties.Put()); },
                         u"Get_Properties_ not implemented");
    ExpectNotImplemented([&] { placeholder->Get_Path_(path.Put()); }, u"Get_Path_ not implemented");
    ExpectNotImplemented([&] { placeholder->ExecMethod_(u"StartService", nullptr, 0, nullptr, out.Put()); },
                         u"ExecMethod_ not implemented");
}

TEST(XmlObject, EveryPropertyRequestIsANewSetOverOneDocument) {
    auto object = MakeObject(ServiceItem(u"<p:Name>Spooler</p:Name>"));
    auto first = PropertiesOf(object);
    auto second = PropertiesOf(object);
    EXPECT_NE(first.Get(), second.Get());
    EXPECT_EQ(ItemValue(object, u"Name").RawText(), u"Spooler");
}

TEST(ObjectPath, ClassIsNotUsedAndTheRestIsRefused) {
    auto object = MakeObject(ServiceItem(u"<p:Name>Spooler</p:Name>"));
    com::TComPtr<wmi::ISWbemObjectPath> p;
    ASSERT_EQ(object->Get_Path_(p.Put()), com::S_OK);
    WideString text = u"stale";
    ASSERT_EQ(p->Get_Class_(&text), com::S_OK);
    EXPECT_EQ(text, u"NotUsed");
    com::VARIANT_BOOL flag = 0;
    com::TComPtr<wmi::ISWbemNamedValueSet> keys;
    com::TComPtr<wmi::ISWbemSecurity> security;
    std::pair<std::function<void()>, const char16_t*> refused[] = {
        {[&] { p->Get_Path(&text); }, u"Get_Path not implemented"},
        {[&] { p->Set_Path(u"x"); }, u"Set_Path not implemented"},
        {[&] { p->Get_RelPath(&text); }, u"Get_RelPath not implemented"},
        {[&] { p->Set_RelPath(u"x"); }, u"Set_RelPath not implemented"},
        {[&] { p->Get_Server(&text); }, u"Get_Server not implemented"},
        {[&] { p->Set_Server(u"x"); }, u"Set_Server not implemented"},
        {[&] { p->Get_Namespace(&text); }, u"Get_Namespace not implemented"},
        {[&] { p->Set_Namespace(u"x"); }, u"Set_Namespace not implemented"},
        {[&] { p->Get_ParentNamespace(&text); }, u"Get_ParentNamespace not implemented"},
        {[&] { p->Get_DisplayName(&text); }, u"Get_DisplayName not implemented"},
        {[&] { p->Set_DisplayName(u"x"); }, u"Set_DisplayName not implemented"},
        {[&] { p->Set_Class_(u"x"); }, u"Set_Class_ not implemented"},
        {[&] { p->Get_IsClass(&flag); }, u"Get_IsClass not implemented"},
        {[&] { p->SetAsClass(); }, u"SetAsClass not implemented"},
        {[&] { p->Get_IsSingleton(&flag); }, u"Get_IsSingleton not implemented"},
        {[&] { p->SetAsSingleton(); }, u"SetAsSingleton not implemented"},
        {[&] { p->Get_Keys(keys.Put()); }, u"Get_Keys not implemented"},
        {[&] { p->Get_Security_(security.Put()); }, u"Get_Security_ not implemented"},
        {[&] { p->Get_Locale(&text); }, u"Get_Locale not implemented"},
        {[&] { p->Set_Locale(u"x"); }, u"Set_Locale not implemented"},
        {[&] { p->Get_Authority(&text); }, u"Get_Authority not implemented"},
        {[&] { p->Set_Authority(u"x"); }, u"Set_Authority not implemented"},
    };
    for (auto& [call, message] : refused) {
        SCOPED_TRACE(U8(message));
        text = u"stale";
        ExpectNotImplemented(call, message);
    }
}

class ServiceMethod : public ::testing::Test {
protected:
    TFakeScriptRef Script = std::make_shared<TFakeWSManScript>();
    com::TComPtr<ISWbemObject> Object(const WideString& children) {
        return MakeObject(ServiceItem(children), MakeFakeSession(Script));
    }
    HRESULT Exec(const com::TComPtr<ISWbemObject>& object, const WideString& method) {
        com::TComPtr<ISWbemObject> out;
        HRESULT hr = object->ExecMethod_(method, nullptr, 0, nullptr, out.Put());
        EXPECT_FALSE(out);
        return hr;
    }
};

TEST_F(ServiceMethod, InvokesTheActionOnTheServiceInstance) {
    Script->InvokeAnswers = {Output10, Output10};
    auto object = Object(u"<p:DisplayName>Print Spooler</p:DisplayName><p:Name>Print Spooler</p:Name>");
    EXPECT_EQ(Exec(object, u"StartService"), 10);
    EXPECT_EQ(Exec(object, u"ResumeService"), 10);
    const WideString base = u"http://schemas.microsoft.com/wbem/wsman/1/wmi/root/cimv2/Win32_Service";
    EXPECT_THAT(Script->Calls,
                ElementsAre(u"Invoke|StartService|" + base +
                                u"?Name=Print Spooler|<p:StartService_INPUT xmlns:p=\"" + base + u"\"/>|0x0",
                            u"Invoke|ResumeService|" + base +
                                u"?Name=Print Spooler|<p:ResumeService_INPUT xmlns:p=\"" + base +
                                u"\"/>|0x0"));
}

TEST_F(ServiceMethod, ReturnValueBecomesTheResultCode) {
    struct {
        const char16_t* Output;
        HRESULT Expected;
    } cases[] = {
        {u"<p:O xmlns:p=\"urn:p\"><p:ReturnValue>0</p:ReturnValue></p:O>", 0},
        {u"<p:O xmlns:p=\"urn:p\"><p:ReturnValue>10</p:ReturnValue><p:X>3</p:X></p:O>", 10},
        {u"<p:O xmlns:p=\"urn:p\"><p:ReturnValue>abc</p:ReturnValue></p:O>", WBEM_E_FAILED},
        {u"<p:O xmlns:p=\"urn:p\"><p:ReturnValue/></p:O>", WBEM_E_FAILED},
        {u"<p:O xmlns:p=\"urn:p\"/>", WBEM_E_FAILED}, // no child: nothing to read
        {u"<p:O xmlns:p=\"urn:p\"><p:ReturnValue>-1</p:ReturnValue></p:O>", -1},
        {u"<p:O xmlns:p=\"urn:p\"><p:ReturnValue>4294967298</p:ReturnValue></p:O>", 2}, // the low 32 bits
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.Output));
        Script->InvokeAnswers = {c.Output};
        EXPECT_EQ(Exec(Object(u"<p:Name>Spooler</p:Name>"), u"StartService"), c.Expected);
    }
}

TEST_F(ServiceMethod, OtherMethodsAreRefusedAndNothingIsSent) {
    auto object = Object(u"<p:Name>Spooler</p:Name>");
    for (const char16_t* name : {u"StopService", u"startservice", u"StartService "}) {
        SCOPED_TRACE(U8(name));
        ExpectNotImplemented([&] { Exec(object, name); },
                             u"ExecMethod_ " + WideString(name) + u" not implemented");
    }
    EXPECT_TRUE(Script->Calls.empty());
}

TEST_F(ServiceMethod, NameIsLookedUpInTheInstanceNamespace) {
    Script->InvokeAnswers = {Output10, Output10};
    // An unprefixed Name in the default namespace of the instance counts.
    EXPECT_EQ(Exec(MakeObject(u"<Win32_Service xmlns=\"" + ServiceNs + u"\"><Name>A b</Name></Win32_Service>",
                              MakeFakeSession(Script)),
                   u"StartService"),
              10);
    // The namespace is compared without regard to ASCII case.
    EXPECT_EQ(Exec(MakeObject(u"<p:S xmlns:p=\"urn:Svc\"><q:Name xmlns:q=\"URN:SVC\">B</q:Name></p:S>",
                              MakeFakeSession(Script)),
                   u"StartService"),
              10);
    ASSERT_EQ(Script->Calls.size(), 2u);
    EXPECT_NE(Script->Calls[0].find(u"?Name=A b|"), WideString::npos);
    EXPECT_NE(Script->Calls[1].find(u"?Name=B|"), WideString::npos);
}

TEST_F(ServiceMethod, WithoutAUsableNameNothingIsSent) {
    for (const char16_t* children :
         {u"", u"<p:Name/>", u"<p:name>x</p:name>", u"<q:Name xmlns:q=\"urn:q\">x</q:Name>"}) {
        SCOPED_TRACE(U8(children));
        auto object = Object(children);
        EXPECT_THROW(Exec(object, u"StartService"), TConversionError);
    }
    EXPECT_TRUE(Script->Calls.empty());
}

TEST_F(ServiceMethod, FailuresOfTheSessionAndBadAnswersPassOn) {
    auto object = Object(u"<p:Name>Spooler</p:Name>");
    Script->Fail("Invoke", com::E_ACCESSDENIED, u"Access is denied.  \r\n");
    try {
        Exec(object, u"StartService");
        FAIL() << "no exception";
    } catch (const TWSManException& e) {
        EXPECT_EQ(e.ErrorCode(), com::E_ACCESSDENIED);
        EXPECT_EQ(e.Message(), u"Access is denied");
    }
    Script->InvokeAnswers = {u"<p:O xmlns:p=\"urn:p\"><p:ReturnValue>10</p:O>"};
    EXPECT_THROW(Exec(object, u"StartService"), xml::TXmlError);
}

TEST(XmlObject, TextThatIsNotAnItemMakesNoObject) {
    EXPECT_THROW(MakeObject(u"<p:Win32_Service><p:Name>x</p:Name>"), xml::TXmlError);
    EXPECT_THROW(MakeObject(u""), xml::TXmlError);
}

} // namespace
} // namespace tarnwick::wsman::testing
