#include "platform/wsmanhttp/GssAuth.h"

#include "platform/wsmanhttp/WinRmError.h"

#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
#include <gssapi/gssapi_krb5.h>
#include <krb5.h>
#include <profile.h>

#include <cstring>
#include <vector>

namespace tarnwick::wsmanhttp {

namespace {

gss_OID_desc NtlmOid = {10, const_cast<char*>("\x2b\x06\x01\x04\x01\x82\x37\x02\x02\x0a")};
gss_OID_desc Krb5Oid = {9, const_cast<char*>("\x2a\x86\x48\x86\xf7\x12\x01\x02\x02")};

// RAII holders for the GSS-API handles.
struct TGssName {
    gss_name_t Name = GSS_C_NO_NAME;
    ~TGssName() {
        OM_uint32 minor;
        if (Name != GSS_C_NO_NAME) gss_release_name(&minor, &Name);
    }
};
struct TGssCred {
    gss_cred_id_t Cred = GSS_C_NO_CREDENTIAL;
    ~TGssCred() { Release(); }
    void Release() {
        OM_uint32 minor;
        if (Cred != GSS_C_NO_CREDENTIAL) gss_release_cred(&minor, &Cred);
        Cred = GSS_C_NO_CREDENTIAL;
    }
};
struct TGssBuffer {
    gss_buffer_desc Buffer = GSS_C_EMPTY_BUFFER;
    ~TGssBuffer() {
        OM_uint32 minor;
        if (Buffer.value) gss_release_buffer(&minor, &Buffer);
    }
    std::string Text() const { return std::string(static_cast<const char*>(Buffer.value), Buffer.length); }
};

std::string StatusText(OM_uint32 status, int type, gss_OID mech) {
    std::string text;
    OM_uint32 minor, context = 0;
    do {
        TGssBuffer b;
        if (GSS_ERROR(gss_display_status(&minor, status, type, mech, &context, &b.Buffer))) break;
        if (!text.empty()) text += "; ";
        text += b.Text();
    } while (context != 0);
    return text;
}

std::string GssText(OM_uint32 major, OM_uint32 minor, gss_OID mech) {
    std::string text = StatusText(major, GSS_C_GSS_CODE, mech);
    if (minor) {
        std::string m = StatusText(minor, GSS_C_MECH_CODE, mech);
        if (!m.empty() && m != text) text += ": " + m;
    }
    return text;
}

std::string Upper(std::string s) {
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Splits "DOMAIN\\user" / "user@realm" / "user".
void SplitUser(const std::string& user, std::string& domain, std::string& name, bool& upn) {
    upn = false;
    if (auto bs = user.find('\\'); bs != std::string::npos) {
        domain = user.substr(0, bs);
        name = user.substr(bs + 1);
    } else if (auto at = user.rfind('@'); at != std::string::npos) {
        name = user.substr(0, at);
        domain = user.substr(at + 1);
        upn = true;
    } else {
        domain.clear();
        name = user;
    }
}

// True when the Kerberos configuration names a KDC for the realm (no DNS look-up).
bool RealmHasKdc(std::string& realm) {
    krb5_context kctx = nullptr;
    if (krb5_init_context(&kctx) != 0) return false;
    bool found = false;
    if (realm.empty()) {
        char* def = nullptr;
        if (krb5_get_default_realm(kctx, &def) == 0 && def) {
            realm = def;
            krb5_free_default_realm(kctx, def);
        }
    }
    profile_t profile = nullptr;
    if (!realm.empty() && krb5_get_profile(kctx, &profile) == 0) {
        const char* path[] = {"realms", realm.c_str(), "kdc", nullptr};
        char** values = nullptr;
        if (profile_get_values(profile, path, &values) == 0 && values && values[0]) found = true;
        if (values) profile_free_list(values);
        profile_release(profile);
    }
    krb5_free_context(kctx);
    return found;
}

} // namespace

struct TGssAuth::TState {
    TGssCred Cred;
    TGssName Target;
    gss_ctx_id_t Context = GSS_C_NO_CONTEXT;
    gss_OID Mech = &NtlmOid;
    ~TState() { DropContext(); }
    void DropContext() {
        OM_uint32 minor;
        if (Context != GSS_C_NO_CONTEXT) gss_delete_sec_context(&minor, &Context, GSS_C_NO_BUFFER);
        Context = GSS_C_NO_CONTEXT;
    }
};

namespace {

OM_uint32 AcquireWithPassword(const std::string& user, gss_OID nameType, const TSecret& password,
                              gss_OID mech, TGssCred& cred, OM_uint32& minor) {
    TGssName name;
    gss_buffer_desc nb{user.size(), const_cast<char*>(user.data())};
    OM_uint32 major = gss_import_name(&minor, &nb, nameType, &name.Name);
    if (GSS_ERROR(major)) return major;
    // The buffer points into the wiped secret; GSS-API copies what it needs.
    gss_buffer_desc pb{password.Reveal().size(), const_cast<char*>(password.Reveal().data())};
    gss_OID_set_desc mechs{1, mech};
    return gss_acquire_cred_with_password(&minor, name.Name, &pb, GSS_C_INDEFINITE, &mechs, GSS_C_INITIATE,
                                          &cred.Cred, nullptr, nullptr);
}

} // namespace

TGssAuth::TGssAuth(const TGssRequest& request) : FState(std::make_unique<TState>()) {
    OM_uint32 major = 0, minor = 0;
    std::string domain, name;
    bool upn = false;
    SplitUser(request.User, domain, name, upn);
    std::string realm = Upper(domain);

    if (request.Password.Empty()) {
        // The current ticket cache (kinit); NTLM has no cache to fall back on.
        gss_OID_set_desc mechs{1, &Krb5Oid};
        major = gss_acquire_cred(&minor, GSS_C_NO_NAME, GSS_C_INDEFINITE, &mechs, GSS_C_INITIATE,
                                 &FState->Cred.Cred, nullptr, nullptr);
        if (GSS_ERROR(major))
            RaiseWinRm(codes::NoLogonServers, "No password was given and no Kerberos ticket is available (" +
                                                  GssText(major, minor, &Krb5Oid) +
                                                  "). Give a user name and password, or run kinit first");
        FMech = TAuthMech::Kerberos;
        FState->Mech = &Krb5Oid;
    } else {
        bool tryKerberos = request.KerberosOnly;
        if (!tryKerberos) {
            tryKerberos = RealmHasKdc(realm);
            if (!tryKerberos)
                FKerberosSkipped = realm.empty()
                                       ? "no default Kerberos realm is configured"
                                       : "the Kerberos configuration names no KDC for realm " + realm;
        } else if (realm.empty()) {
            RealmHasKdc(realm);
        }
        if (tryKerberos) {
            std::string principal = realm.empty() ? name : name + "@" + realm;
            major = AcquireWithPassword(principal, const_cast<gss_OID>(GSS_KRB5_NT_PRINCIPAL_NAME),
                                        request.Password, &Krb5Oid, FState->Cred, minor);
            if (!GSS_ERROR(major)) {
                FMech = TAuthMech::Kerberos;
                FState->Mech = &Krb5Oid;
            } else {
                std::string why = GssText(major, minor, &Krb5Oid);
                if (request.KerberosOnly) {
                    bool badPassword = why.find("ntegrity") != std::string::npos ||
                                       why.find("reauthentication") != std::string::npos ||
                                       why.find("not found") != std::string::npos;
                    RaiseWinRm(badPassword ? codes::LogonFailure : codes::NoLogonServers,
                               "Kerberos logon of " + principal + " failed: " + why +
                                   (badPassword ? ". Check the user name, realm and password"
                                                : ". Check that a KDC of realm " + realm + " is reachable"));
                }
                FKerberosSkipped = "Kerberos logon of " + principal + " failed: " + why;
                FState->Cred.Release();
            }
        }
        if (FState->Cred.Cred == GSS_C_NO_CREDENTIAL) {
            std::string ntlmUser = upn ? request.User : domain.empty() ? name : domain + "\\" + name;
            major = AcquireWithPassword(ntlmUser, GSS_C_NT_USER_NAME, request.Password, &NtlmOid,
                                        FState->Cred, minor);
            if (GSS_ERROR(major))
                RaiseWinRm(codes::NoLogonServers, "Cannot prepare NTLM credentials for " + ntlmUser + ": " +
                                                      GssText(major, minor, &NtlmOid) +
                                                      ". Is the gss-ntlmssp package installed?");
            FMech = TAuthMech::Ntlm;
            FState->Mech = &NtlmOid;
        }
    }

    std::string service = "HTTP@" + request.SpnHost;
    gss_buffer_desc sb{service.size(), service.data()};
    major = gss_import_name(&minor, &sb, GSS_C_NT_HOSTBASED_SERVICE, &FState->Target.Name);
    if (GSS_ERROR(major))
        RaiseWinRm(codes::InvalidArgument,
                   "Bad service name " + service + ": " + GssText(major, minor, FState->Mech));
}

TGssAuth::~TGssAuth() = default;

void TGssAuth::Restart() {
    FState->DropContext();
    FComplete = false;
}

std::string TGssAuth::Step(const std::string& serverToken) {
    OM_uint32 minor = 0;
    gss_buffer_desc in{serverToken.size(), const_cast<char*>(serverToken.data())};
    TGssBuffer out;
    OM_uint32 flags =
        GSS_C_MUTUAL_FLAG | GSS_C_CONF_FLAG | GSS_C_INTEG_FLAG | GSS_C_SEQUENCE_FLAG | GSS_C_REPLAY_FLAG;
    OM_uint32 major =
        gss_init_sec_context(&minor, FState->Cred.Cred, &FState->Context, FState->Target.Name, FState->Mech,
                             flags, 0, GSS_C_NO_CHANNEL_BINDINGS, serverToken.empty() ? GSS_C_NO_BUFFER : &in,
                             nullptr, &out.Buffer, nullptr, nullptr);
    if (GSS_ERROR(major)) {
        std::string why = GssText(major, minor, FState->Mech);
        bool noService = why.find("not found in Kerberos database") != std::string::npos ||
                         why.find("Server not found") != std::string::npos;
        RaiseWinRm(FMech == TAuthMech::Kerberos && !noService ? codes::LogonFailure : codes::NoLogonServers,
                   std::string(MechName()) + " authentication failed: " + why +
                       (noService ? ". The service principal HTTP/<host> is unknown to the KDC: use the "
                                    "computer's DNS name (not an IP address), or set TARNWICK_WINRM_SPN_HOST"
                                  : ""));
    }
    FComplete = major == GSS_S_COMPLETE;
    return out.Text();
}

void TGssAuth::Wrap(const std::string& plain, std::string& header, std::string& data) {
    OM_uint32 minor = 0;
    int conf = 0;
    if (FMech == TAuthMech::Kerberos) {
        // Kerberos: the token header (with the trailer rotated into it) apart from the data.
        data = plain;
        gss_iov_buffer_desc iov[3] = {};
        iov[0].type = GSS_IOV_BUFFER_TYPE_HEADER | GSS_IOV_BUFFER_FLAG_ALLOCATE;
        iov[1].type = GSS_IOV_BUFFER_TYPE_DATA;
        iov[1].buffer = {data.size(), data.data()};
        iov[2].type = GSS_IOV_BUFFER_TYPE_PADDING | GSS_IOV_BUFFER_FLAG_ALLOCATE;
        OM_uint32 major = gss_wrap_iov(&minor, FState->Context, 1, GSS_C_QOP_DEFAULT, &conf, iov, 3);
        if (!GSS_ERROR(major)) {
            header.assign(static_cast<const char*>(iov[0].buffer.value), iov[0].buffer.length);
            data.append(static_cast<const char*>(iov[2].buffer.value), iov[2].buffer.length);
            gss_release_iov_buffer(&minor, iov, 3);
            return;
        }
        gss_release_iov_buffer(&minor, iov, 3);
        RaiseWinRm(codes::InvalidToken, "Cannot encrypt the message: " + GssText(major, minor, FState->Mech));
    }
    // NTLM: gss_wrap gives the 16-byte signature first, then the sealed bytes.
    gss_buffer_desc in{plain.size(), const_cast<char*>(plain.data())};
    TGssBuffer out;
    OM_uint32 major = gss_wrap(&minor, FState->Context, 1, GSS_C_QOP_DEFAULT, &in, &conf, &out.Buffer);
    if (GSS_ERROR(major) || out.Buffer.length < 16)
        RaiseWinRm(codes::InvalidToken, "Cannot encrypt the message: " + GssText(major, minor, FState->Mech));
    const char* p = static_cast<const char*>(out.Buffer.value);
    header.assign(p, 16);
    data.assign(p + 16, out.Buffer.length - 16);
}

std::string TGssAuth::Unwrap(const std::string& header, const std::string& data) {
    std::string token = header + data;
    OM_uint32 minor = 0;
    int conf = 0;
    gss_buffer_desc in{token.size(), token.data()};
    TGssBuffer out;
    OM_uint32 major = gss_unwrap(&minor, FState->Context, &in, &out.Buffer, &conf, nullptr);
    if (GSS_ERROR(major))
        RaiseWinRm(codes::MessageAltered, "The encrypted reply does not verify (" +
                                              GssText(major, minor, FState->Mech) +
                                              "): it was altered on the way or the session keys differ");
    return out.Text();
}

namespace {
constexpr char B64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

std::string Base64Encode(const std::string& bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t v = p[i] << 16;
        if (i + 1 < bytes.size()) v |= p[i + 1] << 8;
        if (i + 2 < bytes.size()) v |= p[i + 2];
        out += B64[v >> 18];
        out += B64[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? B64[(v >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? B64[v & 63] : '=';
    }
    return out;
}

bool Base64Decode(std::string_view text, std::string& bytes) {
    bytes.clear();
    std::uint32_t v = 0;
    int bits = 0;
    std::size_t pad = 0;
    for (char c : text) {
        if (c == '=') {
            ++pad;
            continue;
        }
        if (c == ' ' || c == '\r' || c == '\n' || c == '\t') continue;
        const char* at = std::strchr(B64, c);
        if (!at || !c || pad) return false;
        v = (v << 6) | std::uint32_t(at - B64);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += char((v >> bits) & 0xFF);
        }
    }
    return pad <= 2;
}

} // namespace tarnwick::wsmanhttp
