#pragma once
// A scripted WS-Management component for the bridge's tests. It records every call
// in TFakeWSManScript::Calls as one text ("Op|arg|arg..."), replays the scripted
// items of each enumeration and the scripted answers of Invoke, and fails the
// operations a test asks it to fail (leaving the description in the thread's error
// information, as the real component does).
//
// Register it for CLSID_WSMan with TFakeWSManRegistration.

#include "platform/com/ClassRegistry.h"
#include "wsman/VelInterfacedDispatch.h"
#include "wsman/WSManAutomation.h"

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tarnwick::wsman::testing {

struct TFakeFailure {
    HRESULT Code = com::E_FAIL;
    WideString Description;
};

struct TFakeWSManScript {
    std::vector<WideString> Calls;
    // The items of each Enumerate, in call order; an Enumerate beyond them yields none.
    std::deque<std::vector<WideString>> Enumerations;
    // The output documents of each Invoke, in call order.
    std::deque<WideString> InvokeAnswers;
    // One-shot failures, by operation name ("CreateSession", "ReadItem", ...).
    std::map<std::string, TFakeFailure> Failures;
    // What Set_Password received (kept in memory only).
    WideString Password;
    int ComponentsMade = 0;
    // Fake objects alive now (components, options, sessions, enumerators).
    int LiveObjects = 0;

    void Fail(const std::string& op, HRESULT code, WideString description = WideString()) {
        Failures[op] = TFakeFailure{code, std::move(description)};
    }
    // Fails the operation when a failure was scripted for it (and removes it).
    bool TakeFailure(const std::string& op, HRESULT& code);
};

using TFakeScriptRef = std::shared_ptr<TFakeWSManScript>;

// Makes new fake components (IWSMan) that report to script.
com::TClassFactory FakeWSManFactory(TFakeScriptRef script);

class TFakeWSManRegistration {
public:
    TFakeWSManRegistration()
        : Script(std::make_shared<TFakeWSManScript>()), FRegistration(CLSID_WSMan, FakeWSManFactory(Script)) {
    }
    TFakeScriptRef Script;

private:
    com::TScopedClassRegistration FRegistration;
};

// A session of the fake on its own, for tests that need no component.
com::TComPtr<IWSManSession> MakeFakeSession(TFakeScriptRef script);
com::TComPtr<IWSManEnumerator> MakeFakeEnumerator(TFakeScriptRef script, std::vector<WideString> items);

} // namespace tarnwick::wsman::testing
