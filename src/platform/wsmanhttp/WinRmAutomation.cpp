#include "platform/wsmanhttp/WinRmAutomation.h"

#include "platform/com/ClassRegistry.h"
#include "platform/com/ErrorInfo.h"
#include "platform/wsmanhttp/WinRmClient.h"
#include "platform/wsmanhttp/WinRmError.h"

namespace tarnwick::wsmanhttp {

namespace {

constexpr int MaxTimedOutPulls = 3; // a Pull that times out (w:TimedOut) is repeated this often
constexpr int MaxEmptyPulls = 1000; // batches without items before the enumeration is given up

// Runs body, turning every exception into the thread's error text and a code.
template <class F> HRESULT Protect(WideString& lastError, F&& body) {
    try {
        body();
        lastError.clear();
        return com::S_OK;
    } catch (const TWinRmError& e) {
        lastError = e.Message();
        com::SetErrorInfo(e.Message());
        return e.ErrorCode();
    } catch (const std::bad_alloc&) {
        lastError = u"Out of memory";
        com::SetErrorInfo(lastError);
        return com::E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        lastError = FromUtf8(e.what());
        com::SetErrorInfo(lastError);
        return com::E_FAIL;
    }
}

[[noreturn]] void RaiseFault(const TWsmanFault& fault) {
    RaiseWinRm(fault.ErrorCode(), fault.Text());
}

std::string ResourceText(const com::TVariant& uri) {
    std::string text = ToUtf8(uri.AsText());
    if (text.empty()) RaiseWinRm(codes::InvalidArgument, "The resource URI is empty");
    return text;
}

} // namespace

// -- connection options ---------------------------------------------------------------------

HRESULT TWinRmConnectionOptions::Get_UserName(WideString* name) {
    if (!name) return com::E_POINTER;
    *name = FromUtf8(FUserName);
    return com::S_OK;
}

HRESULT TWinRmConnectionOptions::Set_UserName(const WideString& name) {
    FUserName = ToUtf8(name);
    return com::S_OK;
}

HRESULT TWinRmConnectionOptions::Set_Password(const WideString& password) {
    std::string utf8 = ToUtf8(password);
    FPassword.Assign(utf8);
    WipeBytes(utf8.data(), utf8.size());
    return com::S_OK;
}

// -- session ----------------------------------------------------------------------------------

TWinRmSession::TWinRmSession(std::shared_ptr<TWinRmChannel> channel) : FChannel(std::move(channel)) {}

template <class F> HRESULT TWinRmSession::Guard(F&& body) {
    return Protect(FError, std::forward<F>(body));
}

TRequestHeader TWinRmSession::NewHeader(const std::string& resourceUri) const {
    TRequestHeader h;
    TResourceUri split = SplitResourceUri(resourceUri);
    h.To = FChannel->Endpoint().Url;
    h.ResourceUri = split.Uri;
    h.Selectors = std::move(split.Selectors);
    h.OperationTimeoutMs = FChannel->OperationTimeoutMs();
    h.MessageId = NewMessageId();
    return h;
}

TWsmanReply TWinRmSession::Exchange(const TRequestHeader& header, const std::string& soap) {
    TWsmanReply reply = FChannel->Send(soap);
    // A reply that answers another request means the conversation is out of step.
    if (!reply.RelatesTo().empty() && reply.RelatesTo() != header.MessageId)
        RaiseWinRm(codes::BadReply, "The WinRM service answered another request (RelatesTo " +
                                        reply.RelatesTo() + ", expected " + header.MessageId + ")");
    return reply;
}

HRESULT TWinRmSession::Get(const com::TVariant&, LONG, WideString* resource) {
    if (resource) resource->clear();
    com::SetErrorInfo(u"Get not implemented");
    return com::E_NOTIMPL;
}

HRESULT TWinRmSession::Put(const com::TVariant&, const WideString&, LONG, WideString* resultResource) {
    if (resultResource) resultResource->clear();
    com::SetErrorInfo(u"Put not implemented");
    return com::E_NOTIMPL;
}

HRESULT TWinRmSession::Create(const com::TVariant&, const WideString&, LONG, WideString* newUri) {
    if (newUri) newUri->clear();
    com::SetErrorInfo(u"Create not implemented");
    return com::E_NOTIMPL;
}

HRESULT TWinRmSession::Delete(const com::TVariant&, LONG) {
    com::SetErrorInfo(u"Delete not implemented");
    return com::E_NOTIMPL;
}

HRESULT TWinRmSession::Identify(LONG, WideString* result) {
    if (result) result->clear();
    com::SetErrorInfo(u"Identify not implemented");
    return com::E_NOTIMPL;
}

HRESULT TWinRmSession::Invoke(const WideString& actionUri, const com::TVariant& resourceUri,
                              const WideString& parameters, LONG, WideString* result) {
    if (result) result->clear();
    if (!result) return com::E_POINTER;
    return Guard([&] {
        TRequestHeader h = NewHeader(ResourceText(resourceUri));
        std::string method = ToUtf8(actionUri);
        if (method.empty()) RaiseWinRm(codes::InvalidArgument, "Invoke needs a method name");
        h.Action = method.find("://") != std::string::npos ? method : h.ResourceUri + "/" + method;
        std::string body = ToUtf8(parameters);
        if (body.empty())
            body = "<p:" + XmlEscape(method) + "_INPUT xmlns:p=\"" + XmlEscape(h.ResourceUri) + "\"/>";
        TWsmanReply reply = Exchange(h, BuildInvoke(h, body));
        if (reply.IsFault()) RaiseFault(reply.Fault());
        *result = FromUtf8(reply.BodyText());
    });
}

HRESULT TWinRmSession::Enumerate(const com::TVariant& resourceUri, const WideString& filter,
                                 const WideString& dialect, LONG, IDispatch** resultSet) {
    if (resultSet) *resultSet = nullptr;
    if (!resultSet) return com::E_POINTER;
    return Guard([&] {
        std::string uri = ResourceText(resourceUri);
        TRequestHeader h = NewHeader(uri);
        TWsmanReply reply = Exchange(h, BuildEnumerate(h, ToUtf8(filter), ToUtf8(dialect), FBatchItems));
        if (reply.IsFault()) RaiseFault(reply.Fault());
        TEnumerationReply first = reply.Enumeration();
        com::TComPtr<TWinRmEnumerator> e = com::MakeCom<TWinRmEnumerator>(com::TComPtr<TWinRmSession>(this),
                                                                          std::move(uri), std::move(first));
        *resultSet = static_cast<IDispatch*>(e.Detach());
    });
}

HRESULT TWinRmSession::Get_Error(WideString* value) {
    if (!value) return com::E_POINTER;
    *value = FError;
    return com::S_OK;
}

HRESULT TWinRmSession::Get_BatchItems(LONG* value) {
    if (!value) return com::E_POINTER;
    *value = LONG(FBatchItems);
    return com::S_OK;
}

HRESULT TWinRmSession::Set_BatchItems(LONG value) {
    if (value < 1) {
        com::SetErrorInfo(u"BatchItems must be at least 1");
        return com::E_INVALIDARG;
    }
    FBatchItems = unsigned(value);
    return com::S_OK;
}

HRESULT TWinRmSession::Get_Timeout(LONG* value) {
    if (!value) return com::E_POINTER;
    *value = LONG(FChannel->OperationTimeoutMs());
    return com::S_OK;
}

HRESULT TWinRmSession::Set_Timeout(LONG value) {
    if (value < 1) {
        com::SetErrorInfo(u"Timeout must be at least 1 ms");
        return com::E_INVALIDARG;
    }
    FChannel->SetOperationTimeoutMs(unsigned(value));
    return com::S_OK;
}

// -- enumerator -------------------------------------------------------------------------------

TWinRmEnumerator::TWinRmEnumerator(com::TComPtr<TWinRmSession> session, std::string resourceUri,
                                   TEnumerationReply first)
    : FSession(std::move(session)), FResourceUri(std::move(resourceUri)), FContext(std::move(first.Context)),
      FEnd(first.EndOfSequence) {
    for (auto& item : first.Items)
        FItems.push_back(std::move(item));
}

TWinRmEnumerator::~TWinRmEnumerator() {
    if (FEnd || FContext.empty()) return;
    // Dropped before its end ("Stop Query"): tell the service to free the enumeration.
    try {
        TRequestHeader h = FSession->NewHeader(FResourceUri);
        FSession->Exchange(h, BuildRelease(h, FContext));
    } catch (const std::exception&) {
        // Nothing to report to: the service frees it after its idle time-out.
    }
}

template <class F> HRESULT TWinRmEnumerator::Guard(F&& body) {
    return Protect(FError, std::forward<F>(body));
}

bool TWinRmEnumerator::FetchUntilItem() {
    int timedOut = 0, empty = 0;
    while (FItems.empty() && !FEnd) {
        TRequestHeader h = FSession->NewHeader(FResourceUri);
        TWsmanReply reply = FSession->Exchange(h, BuildPull(h, FContext, FSession->FBatchItems));
        ++FPulls;
        if (reply.IsFault()) {
            if (reply.Fault().IsTimedOut() && ++timedOut <= MaxTimedOutPulls) continue;
            FContext.clear(); // a failed Pull ends the enumeration on the service's side
            FEnd = true;
            RaiseFault(reply.Fault());
        }
        const TEnumerationReply& e = reply.Enumeration();
        for (const auto& item : e.Items)
            FItems.push_back(item);
        FEnd = e.EndOfSequence;
        if (!FEnd) FContext = e.Context;
        if (e.Items.empty() && !FEnd && ++empty > MaxEmptyPulls)
            RaiseWinRm(codes::BadReply,
                       "The WinRM service keeps sending empty batches; the enumeration was given up");
    }
    return !FItems.empty();
}

HRESULT TWinRmEnumerator::Get_AtEndOfStream(com::VARIANT_BOOL* eos) {
    if (!eos) return com::E_POINTER;
    com::VARIANT_BOOL value = 0;
    HRESULT hr = Guard([&] { value = FetchUntilItem() ? com::VARIANT_BOOL(0) : com::VARIANT_BOOL(-1); });
    if (com::Succeeded(hr)) *eos = value;
    return hr;
}

HRESULT TWinRmEnumerator::ReadItem(WideString* resource) {
    if (resource) resource->clear();
    if (!resource) return com::E_POINTER;
    return Guard([&] {
        if (!FetchUntilItem()) RaiseWinRm(com::E_UNEXPECTED, "ReadItem was called after the last item");
        *resource = FromUtf8(FItems.front());
        FItems.pop_front();
    });
}

HRESULT TWinRmEnumerator::Get_Error(WideString* value) {
    if (!value) return com::E_POINTER;
    *value = FError;
    return com::S_OK;
}

// -- component --------------------------------------------------------------------------------

HRESULT TWinRmComponent::CreateConnectionOptions(IDispatch** connectionOptions) {
    if (connectionOptions) *connectionOptions = nullptr;
    if (!connectionOptions) return com::E_POINTER;
    com::TComPtr<TWinRmConnectionOptions> options = com::MakeCom<TWinRmConnectionOptions>();
    *connectionOptions = static_cast<IDispatch*>(options.Detach());
    return com::S_OK;
}

HRESULT TWinRmComponent::CreateSession(const WideString& connection, LONG flags, IDispatch* connectionOptions,
                                       IDispatch** session) {
    if (session) *session = nullptr;
    if (!session) return com::E_POINTER;
    return Protect(FError, [&] {
        TChannelOptions o;
        o.Endpoint = ParseConnection(ToUtf8(connection), (flags & wsman::WSManFlagUseSsl) != 0);
        o.Scheme = (flags & wsman::WSManFlagUseKerberos) ? TAuthScheme::Kerberos : TAuthScheme::Negotiate;
        if ((flags & wsman::WSManFlagUseKerberos) && (flags & wsman::WSManFlagUseNegotiate))
            RaiseWinRm(codes::InvalidArgument,
                       "Choose either Negotiate or Kerberos authentication, not both");
        if (connectionOptions) {
            com::TComPtr<wsman::IWSManConnectionOptions> options;
            if (com::Failed(connectionOptions->QueryInterface(wsman::IWSManConnectionOptions::iid,
                                                              options.PutVoid())))
                RaiseWinRm(codes::InvalidArgument, "The connection options are not IWSManConnectionOptions");
            // Only our own options object can hand over the password.
            auto* own = dynamic_cast<TWinRmConnectionOptions*>(options.Get());
            if (!own)
                RaiseWinRm(codes::InvalidArgument, "The connection options come from another component");
            if (flags & wsman::WSManFlagCredUsernamePassword) {
                o.User = own->UserName();
                o.Password = own->Password();
            }
        }
        ApplyEnvironment(o);
        auto channel = std::make_shared<TWinRmChannel>(std::move(o));
        com::TComPtr<TWinRmSession> s = com::MakeCom<TWinRmSession>(std::move(channel));
        *session = static_cast<IDispatch*>(s.Detach());
    });
}

HRESULT TWinRmComponent::Get_CommandLine(WideString* value) {
    if (!value) return com::E_POINTER;
    value->clear();
    return com::S_OK;
}

HRESULT TWinRmComponent::Get_Error(WideString* value) {
    if (!value) return com::E_POINTER;
    *value = FError;
    return com::S_OK;
}

void RegisterWinRmClient() {
    com::TClassRegistry::Instance().Register(wsman::CLSID_WSMan, com::FactoryOf<TWinRmComponent>());
}

} // namespace tarnwick::wsmanhttp
