#pragma once
// The WS-Management automation component on Linux: a WinRM client over HTTP/HTTPS
// (libcurl), GSS-API (Kerberos, NTLM through gss-ntlmssp) and pugixml.
//
// RegisterWinRmClient puts it in the class registry under wsman::CLSID_WSMan, so
// CoCreateInstance(CLSID_WSMan) yields an IWSMan whose sessions talk to real hosts.
// Every operation honours the guarantees of src/wsman/WSManAutomation.h; the
// time-outs and TLS switches are described in docs/winrm-client.md.

namespace tarnwick::wsmanhttp {

void RegisterWinRmClient();

} // namespace tarnwick::wsmanhttp
