#include "unit/wsman/FakeWSMan.h"

#include "platform/com/ErrorInfo.h"

namespace tarnwick::wsman::testing {

bool TFakeWSManScript::TakeFailure(const std::string& op, HRESULT& code) {
    auto it = Failures.find(op);
    if (it == Failures.end()) return false;
    code = it->second.Code;
    if (!it->second.Description.empty()) com::SetErrorInfo(it->second.Description);
    Failures.erase(it);
    return true;
}

namespace {

WideString Hex(LONG flags) {
    return u"0x" + IntToHex(static_cast<std::uint32_t>(flags), 1);
}

#define FAKE_FAIL(op)                                                                                        \
    do {                                                                                                     \
        HRESULT failed_ = 0;                                                                                 \
        if (FScript->TakeFailure(op, failed_)) return failed_;                                               \
    } while (false)

class TFakeEnumerator : public TInterfacedDispatch<IWSManEnumerator> {
public:
    TFakeEnumerator(TFakeScriptRef script, std::vector<WideString> items)
        : FScript(std::move(script)), FItems(std::move(items)) {
        ++FScript->LiveObjects;
    }
    ~TFakeEnumerator() { --FScript->LiveObjects; }

    HRESULT ReadItem(WideString* resource) override {
        resource->clear();
        FScript->Calls.push_back(u"ReadItem");
        FAKE_FAIL("ReadItem");
        if (FNext >= FItems.size()) {
            com::SetErrorInfo(u"No item left.");
            return com::E_UNEXPECTED;
        }
        *resource = FItems[FNext++];
        return com::S_OK;
    }
    HRESULT Get_AtEndOfStream(VARIANT_BOOL* eos) override {
        FScript->Calls.push_back(u"AtEndOfStream");
        FAKE_FAIL("AtEndOfStream");
        // Any non-zero value means the end; 1 checks that the bridge does not expect -1.
        *eos = FNext >= FItems.size() ? 1 : 0;
        return com::S_OK;
    }
    HRESULT Get_Error(WideString* value) override {
        value->clear();
        return com::S_OK;
    }

private:
    TFakeScriptRef FScript;
    std::vector<WideString> FItems;
    std::size_t FNext = 0;
};

class TFakeSession : public TInterfacedDispatch<IWSManSession> {
public:
    explicit TFakeSession(TFakeScriptRef script) : FScript(std::move(script)) { ++FScript->LiveObjects; }
    ~TFakeSession() { --FScript->LiveObjects; }

    HRESULT Get(const TVariant&, LONG, WideString*) override { return com::E_NOTIMPL; }
    HRESULT Put(const TVariant&, const WideString&, LONG, WideString*) override { return com::E_NOTIMPL; }
    HRESULT Create(const TVariant&, const WideString&, LONG, WideString*) override { return com::E_NOTIMPL; }
    HRESULT Delete(const TVariant&, LONG) override { return com::E_NOTIMPL; }
    HRESULT Invoke(const WideString& actionUri, const TVariant& resourceUri, const WideString& parameters,
                   LONG flags, WideString* result) override {
        result->clear();
        FScript->Calls.push_back(u"Invoke|" + actionUri + u"|" + resourceUri.AsText() + u"|" + parameters +
                                 u"|" + Hex(flags));
        FAKE_FAIL("Invoke");
        if (FScript->InvokeAnswers.empty()) return com::E_UNEXPECTED;
        *result = FScript->InvokeAnswers.front();
        FScript->InvokeAnswers.pop_front();
        return com::S_OK;
    }
    HRESULT Enumerate(const TVariant& resourceUri, const WideString& filter, const WideString& dialect,
                      LONG flags, IDispatch** resultSet) override {
        *resultSet = nullptr;
        FScript->Calls.push_back(WideString(u"Enumerate|") +
                                 (resourceUri.Type() == com::VT_BSTR ? u"" : u"(not text)") +
                                 resourceUri.AsText() + u"|" + filter + u"|" + dialect + u"|" + Hex(flags));
        FAKE_FAIL("Enumerate");
        std::vector<WideString> items;
        if (!FScript->Enumerations.empty()) {
            items = std::move(FScript->Enumerations.front());
            FScript->Enumerations.pop_front();
        }
        return HandOut<IDispatch>(com::MakeCom<TFakeEnumerator>(FScript, std::move(items)), resultSet);
    }
    HRESULT Identify(LONG, WideString*) override { return com::E_NOTIMPL; }
    HRESULT Get_Error(WideString* value) override {
        value->clear();
        return com::S_OK;
    }
    HRESULT Get_BatchItems(LONG*) override { return com::E_NOTIMPL; }
    HRESULT Set_BatchItems(LONG) override { return com::E_NOTIMPL; }
    HRESULT Get_Timeout(LONG*) override { return com::E_NOTIMPL; }
    HRESULT Set_Timeout(LONG) override { return com::E_NOTIMPL; }

private:
    TFakeScriptRef FScript;
};

class TFakeOptions : public TInterfacedDispatch<IWSManConnectionOptions> {
public:
    explicit TFakeOptions(TFakeScriptRef script) : FScript(std::move(script)) { ++FScript->LiveObjects; }
    ~TFakeOptions() { --FScript->LiveObjects; }
    HRESULT Get_UserName(WideString* name) override {
        *name = FUserName;
        return com::S_OK;
    }
    HRESULT Set_UserName(const WideString& name) override {
        FScript->Calls.push_back(u"Set_UserName|" + name);
        FAKE_FAIL("Set_UserName");
        FUserName = name;
        return com::S_OK;
    }
    HRESULT Set_Password(const WideString& password) override {
        FScript->Calls.push_back(u"Set_Password"); // the text itself is never logged
        FAKE_FAIL("Set_Password");
        FScript->Password = password;
        return com::S_OK;
    }

private:
    TFakeScriptRef FScript;
    WideString FUserName;
};

class TFakeWSMan : public TInterfacedDispatch<IWSMan> {
public:
    explicit TFakeWSMan(TFakeScriptRef script) : FScript(std::move(script)) {
        ++FScript->ComponentsMade;
        ++FScript->LiveObjects;
    }
    ~TFakeWSMan() { --FScript->LiveObjects; }

    HRESULT CreateSession(const WideString& connection, LONG flags, IDispatch* connectionOptions,
                          IDispatch** session) override {
        *session = nullptr;
        FScript->Calls.push_back(u"CreateSession|" + connection + u"|" + Hex(flags) + u"|" +
                                 (connectionOptions ? u"options" : u"no options"));
        FAKE_FAIL("CreateSession");
        return HandOut<IDispatch>(com::MakeCom<TFakeSession>(FScript), session);
    }
    HRESULT CreateConnectionOptions(IDispatch** connectionOptions) override {
        *connectionOptions = nullptr;
        FScript->Calls.push_back(u"CreateConnectionOptions");
        FAKE_FAIL("CreateConnectionOptions");
        return HandOut<IDispatch>(com::MakeCom<TFakeOptions>(FScript), connectionOptions);
    }
    HRESULT Get_CommandLine(WideString* value) override {
        value->clear();
        return com::S_OK;
    }
    HRESULT Get_Error(WideString* value) override {
        value->clear();
        return com::S_OK;
    }

private:
    TFakeScriptRef FScript;
};

} // namespace

com::TClassFactory FakeWSManFactory(TFakeScriptRef script) {
    return [script](const com::IID& riid, void** ppv) -> HRESULT {
        com::TComPtr<TFakeWSMan> object = com::MakeCom<TFakeWSMan>(script);
        return object->QueryInterface(riid, ppv);
    };
}

com::TComPtr<IWSManSession> MakeFakeSession(TFakeScriptRef script) {
    return com::MakeCom<TFakeSession>(std::move(script));
}

com::TComPtr<IWSManEnumerator> MakeFakeEnumerator(TFakeScriptRef script, std::vector<WideString> items) {
    return com::MakeCom<TFakeEnumerator>(std::move(script), std::move(items));
}

} // namespace tarnwick::wsman::testing
