"""An independent WinRM peer for the emulator: Debian's python3-winrm (its own NTLM
and message encryption) runs one WQL enumeration to its end and prints
"items N pulls M". The password comes on standard input, never the command line.

Usage: pywinrm_peer.py URL USER WQL [--bench]   (--bench: also time xmltodict parsing)
"""
import sys
import time
import uuid

import winrm.protocol
import xmltodict

NS = ('xmlns:s="http://www.w3.org/2003/05/soap-envelope" '
      'xmlns:a="http://schemas.xmlsoap.org/ws/2004/08/addressing" '
      'xmlns:n="http://schemas.xmlsoap.org/ws/2004/09/enumeration" '
      'xmlns:w="http://schemas.dmtf.org/wbem/wsman/1/wsman.xsd"')
RESOURCE = "http://schemas.microsoft.com/wbem/wsman/1/wmi/root/cimv2/*"
ENUM = "http://schemas.xmlsoap.org/ws/2004/09/enumeration/"


def envelope(url, action, body):
    return ('<s:Envelope %s><s:Header><a:To>%s</a:To><w:ResourceURI s:mustUnderstand="true">%s</w:ResourceURI>'
            '<a:ReplyTo><a:Address s:mustUnderstand="true">http://schemas.xmlsoap.org/ws/2004/08/addressing/role/'
            'anonymous</a:Address></a:ReplyTo><a:Action s:mustUnderstand="true">%s</a:Action>'
            '<w:MaxEnvelopeSize s:mustUnderstand="true">512000</w:MaxEnvelopeSize>'
            '<a:MessageID>uuid:%s</a:MessageID><w:OperationTimeout>PT60S</w:OperationTimeout></s:Header>'
            '<s:Body>%s</s:Body></s:Envelope>' % (NS, url, RESOURCE, ENUM + action, uuid.uuid4(), body))


def main():
    url, user, wql = sys.argv[1:4]
    bench = "--bench" in sys.argv
    password = sys.stdin.readline().rstrip("\n")
    p = winrm.protocol.Protocol(url, transport="ntlm", username=user, password=password,
                                message_encryption="always")
    items, pulls, parse_s = 0, 0, 0.0
    t0 = time.process_time()
    reply = p.send_message(envelope(url, "Enumerate",
                                    '<n:Enumerate><w:OptimizeEnumeration/><w:MaxElements>32000</w:MaxElements>'
                                    '<w:Filter Dialect="http://schemas.microsoft.com/wbem/wsman/1/WQL">%s</w:Filter>'
                                    '</n:Enumerate>' % wql.replace("&", "&amp;").replace("<", "&lt;")))
    key = "n:EnumerateResponse"
    while True:
        p0 = time.process_time()
        doc = xmltodict.parse(reply, process_namespaces=False)
        body = doc["s:Envelope"]["s:Body"][key]
        got = body.get("w:Items") or body.get("n:Items") or {}
        for name, value in got.items():
            items += len(value) if isinstance(value, list) else 1
        parse_s += time.process_time() - p0
        if "w:EndOfSequence" in body or "n:EndOfSequence" in body:
            break
        context = body["n:EnumerationContext"]
        pulls += 1
        reply = p.send_message(envelope(url, "Pull", "<n:Pull><n:EnumerationContext>%s</n:EnumerationContext>"
                                        "<n:MaxElements>32000</n:MaxElements></n:Pull>" % context))
        key = "n:PullResponse"
    total = time.process_time() - t0
    print("items %d pulls %d" % (items, pulls))
    if bench:
        print("cpu_s %.4f parse_s %.4f" % (total, parse_s))


if __name__ == "__main__":
    main()
