#pragma once
// The COM objects of the WinRM client: component, connection options, session and
// enumerator, implementing the interfaces of wsman/WSManAutomation.h.

#include "platform/com/ComObject.h"
#include "platform/wsmanhttp/Secret.h"
#include "platform/wsmanhttp/WinRmChannel.h"
#include "platform/wsmanhttp/WsmanEnvelope.h"
#include "wsman/WSManAutomation.h"

#include <deque>
#include <memory>

namespace tarnwick::wsmanhttp {

using com::HRESULT;
using com::LONG;
using wsman::IDispatch;

template <class I> class TDispatchOnly : public com::TComObject<I> {
public:
    HRESULT GetTypeInfoCount(com::UINT*) override { return com::E_NOTIMPL; }
    HRESULT GetTypeInfo(com::UINT, com::LCID, com::ITypeInfo**) override { return com::E_NOTIMPL; }
    HRESULT GetIDsOfNames(const com::IID&, const WideString*, com::UINT, com::LCID, com::DISPID*) override {
        return com::E_NOTIMPL;
    }
    HRESULT Invoke(com::DISPID, const com::IID&, com::LCID, com::WORD, com::DISPPARAMS*, com::TVariant*,
                   com::EXCEPINFO*, com::UINT*) override {
        return com::E_NOTIMPL;
    }
};

class TWinRmConnectionOptions : public TDispatchOnly<wsman::IWSManConnectionOptions> {
public:
    HRESULT Get_UserName(WideString* name) override;
    HRESULT Set_UserName(const WideString& name) override;
    HRESULT Set_Password(const WideString& password) override;

    const std::string& UserName() const { return FUserName; }
    const TSecret& Password() const { return FPassword; }

private:
    std::string FUserName;
    TSecret FPassword;
};

class TWinRmSession : public TDispatchOnly<wsman::IWSManSession> {
public:
    explicit TWinRmSession(std::shared_ptr<TWinRmChannel> channel);

    HRESULT Get(const com::TVariant& resourceUri, LONG flags, WideString* resource) override;
    HRESULT Put(const com::TVariant& resourceUri, const WideString& resource, LONG flags,
                WideString* resultResource) override;
    HRESULT Create(const com::TVariant& resourceUri, const WideString& resource, LONG flags,
                   WideString* newUri) override;
    HRESULT Delete(const com::TVariant& resourceUri, LONG flags) override;
    HRESULT Invoke(const WideString& actionUri, const com::TVariant& resourceUri,
                   const WideString& parameters, LONG flags, WideString* result) override;
    HRESULT Enumerate(const com::TVariant& resourceUri, const WideString& filter, const WideString& dialect,
                      LONG flags, IDispatch** resultSet) override;
    HRESULT Identify(LONG flags, WideString* result) override;
    HRESULT Get_Error(WideString* value) override;
    HRESULT Get_BatchItems(LONG* value) override;
    HRESULT Set_BatchItems(LONG value) override;
    HRESULT Get_Timeout(LONG* value) override;
    HRESULT Set_Timeout(LONG value) override;

    TWinRmChannel& Channel() { return *FChannel; }

private:
    friend class TWinRmEnumerator;
    template <class F> HRESULT Guard(F&& body);
    TRequestHeader NewHeader(const std::string& resourceUri) const;
    // Sends and checks that the reply answers this request.
    TWsmanReply Exchange(const TRequestHeader& header, const std::string& soap);

    std::shared_ptr<TWinRmChannel> FChannel;
    unsigned FBatchItems = 32000;
    WideString FError;
};

class TWinRmEnumerator : public TDispatchOnly<wsman::IWSManEnumerator> {
public:
    TWinRmEnumerator(com::TComPtr<TWinRmSession> session, std::string resourceUri, TEnumerationReply first);
    ~TWinRmEnumerator() override;

    HRESULT ReadItem(WideString* resource) override;
    HRESULT Get_AtEndOfStream(com::VARIANT_BOOL* eos) override;
    HRESULT Get_Error(WideString* value) override;

    // Pulls sent so far (tests and benchmarks read it).
    unsigned Pulls() const { return FPulls; }

private:
    bool FetchUntilItem(); // false at the end of the sequence
    template <class F> HRESULT Guard(F&& body);

    com::TComPtr<TWinRmSession> FSession;
    std::string FResourceUri;
    std::deque<std::string> FItems;
    std::string FContext;
    bool FEnd = false;
    unsigned FPulls = 0;
    WideString FError;
};

class TWinRmComponent : public TDispatchOnly<wsman::IWSMan> {
public:
    HRESULT CreateSession(const WideString& connection, LONG flags, IDispatch* connectionOptions,
                          IDispatch** session) override;
    HRESULT CreateConnectionOptions(IDispatch** connectionOptions) override;
    HRESULT Get_CommandLine(WideString* value) override;
    HRESULT Get_Error(WideString* value) override;

private:
    WideString FError;
};

} // namespace tarnwick::wsmanhttp
