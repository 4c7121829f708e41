"""The SOAP side of the WinRM emulator: Enumerate/Pull/Release, Invoke and faults."""

import re
import threading
import time
import uuid
import xml.etree.ElementTree as ET
from xml.sax.saxutils import escape, quoteattr

import demo_data

NS = {
    "s": "http://www.w3.org/2003/05/soap-envelope",
    "a": "http://schemas.xmlsoap.org/ws/2004/08/addressing",
    "n": "http://schemas.xmlsoap.org/ws/2004/09/enumeration",
    "w": "http://schemas.dmtf.org/wbem/wsman/1/wsman.xsd",
    "p": "http://schemas.microsoft.com/wbem/wsman/1/wsman.xsd",
    "f": "http://schemas.microsoft.com/wbem/wsman/1/wsmanfault",
}
WMI_BASE = "http://schemas.microsoft.com/wbem/wsman/1/wmi/"
WQL = "http://schemas.microsoft.com/wbem/wsman/1/WQL"
ENUM = NS["n"]
ANON = "http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous"
XSI = "http://www.w3.org/2001/XMLSchema-instance"
CIM = "http://schemas.dmtf.org/wbem/wscim/1/common"

# kind -> (HTTP status, code value, subcode, WSManFault code, reason, inner message, WMI status or None)
FAULTS = {
    "invalid-class": ("s:Sender", "n:CannotProcessFilter", 2150858778,
                      "The data source could not process the filter. The filter might be missing or it might be "
                      "invalid. Change the filter and try the request again.  ",
                      "The specified class does not exist in the given namespace. ", 2147749904),
    "invalid-query": ("s:Sender", "n:CannotProcessFilter", 2150858778,
                      "The data source could not process the filter. The filter might be missing or it might be "
                      "invalid. Change the filter and try the request again.  ",
                      "The query is not valid. ", 2147749911),
    "invalid-namespace": ("s:Sender", "w:InvalidResourceURI", 2150858811,
                          "The WS-Management service cannot process the request. The resource URI is not valid. ",
                          "Invalid namespace ", 2147749902),
    "access-denied": ("s:Sender", "w:AccessDenied", 2150859013,
                      "Access is denied. ", "Access denied ", 2147749891),
    "timed-out": ("s:Receiver", "w:TimedOut", 2150858793,
                  "The WS-Management service cannot complete the operation within the time specified in "
                  "OperationTimeout.  ", None, None),
    "quota": ("s:Sender", "w:QuotaLimit", 2150859174,
              "The WS-Management service cannot process the request. This user is allowed a maximum number of "
              "15 concurrent operations, which has been exceeded. Close existing operations for this user, or "
              "raise the quota for this user. ", None, None),
    "invalid-context": ("s:Sender", "n:InvalidEnumerationContext", 2150858779,
                        "The enumeration context supplied in the message is not valid. ", None, None),
    "invalid-selectors": ("s:Sender", "w:InvalidSelectors", 2150859034,
                          "The WS-Management service cannot process the request because the selector values "
                          "do not match a resource. ", None, None),
    "action-not-supported": ("s:Sender", "a:ActionNotSupported", 2150858765,
                             "The action is not supported by the service. ", None, None),
}


class SoapFault(Exception):
    def __init__(self, kind, detail=None):
        super().__init__(kind)
        self.kind, self.detail = kind, detail


def fmt_value(name, value, qualified):
    tag = ("p:" if qualified else "") + name
    if value is None:
        return '<%s xsi:nil="true"/>' % tag
    if isinstance(value, list):
        return "".join(fmt_value(name, v, qualified) for v in value)
    if isinstance(value, demo_data.Datetime):
        dt = "cim:Datetime" if qualified else "Datetime"
        return "<%s><%s>%s</%s></%s>" % (tag, dt, value.text, dt, tag)
    if isinstance(value, bool):
        text = "true" if value else "false"
    else:
        text = escape(str(value))
    return "<%s>%s</%s>" % (tag, text, tag)


def format_item(cls, row, props):
    if props is None:
        uri = WMI_BASE + "root/cimv2/" + cls
        body = "".join(fmt_value(k, row[k], True) for k in sorted(row, key=str.lower))
        return ('<p:%s xmlns:xsi="%s" xmlns:p="%s" xmlns:cim="%s" xsi:type="p:%s_Type">%s</p:%s>'
                % (cls, XSI, uri, CIM, cls, body, cls))
    body = "".join(fmt_value(k, row[k], False) for k in props)
    return '<w:XmlFragment xmlns:xsi="%s" xmlns:w="%s">%s</w:XmlFragment>' % (XSI, NS["w"], body)


WQL_RE = re.compile(r"^\s*select\s+(?P<props>.+?)\s+from\s+(?P<cls>\w+)(?:\s+where\s+(?P<where>.+?))?\s*$",
                    re.I | re.S)
COND_RE = re.compile(r"^\s*(\w+)\s*(=|<>|!=)\s*(?:'((?:[^']|'')*)'|\"([^\"]*)\"|(\S+))\s*$", re.S)


def run_wql(data, text):
    m = WQL_RE.match(text or "")
    if not m:
        raise SoapFault("invalid-query")
    cls = next((c for c in data if c.lower() == m.group("cls").lower()), None)
    if cls is None:
        raise SoapFault("invalid-class", text)
    rows = data[cls]
    props = None
    if m.group("props").strip() != "*":
        want = [p.strip() for p in m.group("props").split(",")]
        names = {k.lower(): k for k in (rows[0] if rows else {})}
        props = []
        for w in want:
            if w.lower() not in names and rows:
                raise SoapFault("invalid-query", text)
            props.append(names.get(w.lower(), w))
    if m.group("where"):
        conds = []
        for part in re.split(r"\s+and\s+", m.group("where"), flags=re.I):
            c = COND_RE.match(part)
            if not c:
                raise SoapFault("invalid-query", text)
            value = c.group(3).replace("''", "'") if c.group(3) is not None else (c.group(4) or c.group(5))
            conds.append((c.group(1), c.group(2) == "=", value))

        def keep(row):
            for name, equal, value in conds:
                key = next((k for k in row if k.lower() == name.lower()), None)
                if key is None:
                    raise SoapFault("invalid-query", text)
                v = row[key]
                text_v = ("true" if v else "false") if isinstance(v, bool) else ("" if v is None else str(v))
                if (text_v.lower() == value.lower()) != equal:
                    return False
            return True
        rows = [r for r in rows if keep(r)]
    return cls, [format_item(cls, r, props) for r in rows]


class Service:
    def __init__(self, data, opts):
        self.data, self.opts = data, opts
        self.enums = {}  # context -> [items, position, pull timeouts left]
        self.lock = threading.Lock()
        self.released = 0

    # -- helpers ---------------------------------------------------------------------
    def envelope(self, action, relates, body):
        return ('<s:Envelope xml:lang="en-US" xmlns:s="%s" xmlns:a="%s" xmlns:n="%s" xmlns:w="%s" xmlns:p="%s">'
                "<s:Header><a:Action>%s</a:Action><a:MessageID>uuid:%s</a:MessageID><a:To>%s</a:To>"
                "<a:RelatesTo>%s</a:RelatesTo></s:Header><s:Body>%s</s:Body></s:Envelope>"
                % (NS["s"], NS["a"], NS["n"], NS["w"], NS["p"], action, str(uuid.uuid4()).upper(), ANON,
                   escape(relates), body)).encode("utf-8")

    def fault(self, kind, relates, detail=None):
        code, sub, wcode, reason, inner, wmi = FAULTS[kind]
        action = ("http://schemas.xmlsoap.org/ws/2004/09/enumeration/fault" if sub.startswith("n:")
                  else "http://schemas.dmtf.org/wbem/wsman/1/wsman/fault")
        if inner:
            ext = ""
            if wmi is not None:
                ext = ('<f:ExtendedError><p:__ExtendedStatus xmlns:p="%sroot/cimv2/__ExtendedStatus" '
                       'xmlns:xsi="%s" xsi:type="p:__ExtendedStatus_Type"><p:Description xsi:nil="true"/>'
                       "<p:Operation>ExecQuery</p:Operation><p:ParameterInfo>%s</p:ParameterInfo>"
                       "<p:ProviderName>WinMgmt</p:ProviderName><p:StatusCode>%d</p:StatusCode>"
                       "</p:__ExtendedStatus></f:ExtendedError>" % (WMI_BASE, XSI, escape(detail or ""), wmi))
            message = ('<f:ProviderFault provider="WMI Provider" path="%%systemroot%%\\system32\\WsmWmiPl.dll">'
                       '<f:WSManFault Code="%d" Machine="DEMO-SRV01"><f:Message>%s</f:Message></f:WSManFault>%s'
                       "</f:ProviderFault>" % (wcode, escape(inner), ext))
        else:
            message = escape(reason)
        body = ('<s:Fault><s:Code><s:Value>%s</s:Value><s:Subcode><s:Value>%s</s:Value></s:Subcode></s:Code>'
                '<s:Reason><s:Text xml:lang="en-US">%s</s:Text></s:Reason><s:Detail>'
                '<f:WSManFault xmlns:f="%s" Code="%d" Machine="127.0.0.1"><f:Message>%s</f:Message>'
                "</f:WSManFault></s:Detail></s:Fault>" % (code, sub, escape(reason), NS["f"], wcode, message))
        return 500, self.envelope(action, relates, body)

    def batch(self, items, start, limit, envelope_cap):
        # Windows fills a batch up to about half the envelope size (counted in UTF-16).
        out, size = [], 0
        i = start
        while i < len(items) and len(out) < limit:
            n = len(items[i])
            if out and size + n > envelope_cap:
                break
            out.append(items[i])
            size += n
            i += 1
        return out, i

    # -- dispatch --------------------------------------------------------------------
    def handle(self, body, user):
        relates = ""
        try:
            root = ET.fromstring(body)
        except ET.ParseError:
            return 400, b""
        header = root.find("s:Header", NS)
        sbody = root.find("s:Body", NS)
        if header is None or sbody is None:
            return 400, b""
        relates = header.findtext("a:MessageID", "", NS)
        action = header.findtext("a:Action", "", NS).strip()
        resource = header.findtext("w:ResourceURI", "", NS).strip()
        try:
            max_env = int(header.findtext("w:MaxEnvelopeSize", "153600", NS))
        except ValueError:
            max_env = 153600
        if self.opts.delay:
            time.sleep(self.opts.delay)
        try:
            if self.opts.fault and action != ENUM + "/Release":
                raise SoapFault(self.opts.fault)
            cap = min(max_env, self.opts.max_envelope) // 2
            if action == ENUM + "/Enumerate":
                return self.enumerate(sbody, resource, relates, cap)
            if action == ENUM + "/Pull":
                return self.pull(sbody, relates, cap)
            if action == ENUM + "/Release":
                return self.release(sbody, relates)
            if resource.startswith(WMI_BASE) and action.startswith(resource.split("?")[0] + "/"):
                return self.invoke(header, sbody, action, resource, relates)
            raise SoapFault("action-not-supported")
        except SoapFault as f:
            return self.fault(f.kind, relates, f.detail)

    def enumerate(self, sbody, resource, relates, cap):
        # WMI namespaces are case-insensitive ("ROOT\\CIMV2" arrives as ROOT/CIMV2).
        if not resource.startswith(WMI_BASE) or resource[len(WMI_BASE):].rstrip("/").lower() != "root/cimv2/*":
            raise SoapFault("invalid-namespace")
        enum = sbody.find("n:Enumerate", NS)
        filt = enum.find("w:Filter", NS) if enum is not None else None
        if filt is None or filt.get("Dialect", WQL) != WQL:
            raise SoapFault("invalid-query")
        _, items = run_wql(self.data, filt.text)
        optimize = enum.find("w:OptimizeEnumeration", NS) is not None
        limit = int(enum.findtext("w:MaxElements", "1", NS) or 1) if optimize else 0
        limit = min(limit, self.opts.first_batch, self.opts.max_batch)
        first, pos = self.batch(items, 0, limit, cap) if limit else ([], 0)
        if pos >= len(items):
            body = ("<n:EnumerateResponse><n:EnumerationContext></n:EnumerationContext>%s<w:EndOfSequence/>"
                    "</n:EnumerateResponse>" % ("<w:Items>%s</w:Items>" % "".join(first) if optimize else ""))
        else:
            ctx = "uuid:" + str(uuid.uuid4()).upper()
            with self.lock:
                self.enums[ctx] = [items, pos, self.opts.timeouts]
            body = ("<n:EnumerateResponse><n:EnumerationContext>%s</n:EnumerationContext>%s"
                    "</n:EnumerateResponse>" % (ctx, "<w:Items>%s</w:Items>" % "".join(first) if first else ""))
        return 200, self.envelope(ENUM + "/EnumerateResponse", relates, body)

    def pull(self, sbody, relates, cap):
        pull = sbody.find("n:Pull", NS)
        ctx = (pull.findtext("n:EnumerationContext", "", NS) if pull is not None else "").strip()
        limit = int(pull.findtext("n:MaxElements", "1", NS) or 1) if pull is not None else 1
        with self.lock:
            state = self.enums.pop(ctx, None)
            if state is None:
                raise SoapFault("invalid-context")
            if state[2] > 0:
                state[2] -= 1
                self.enums[ctx] = state
                raise SoapFault("timed-out")
        items, pos, timeouts = state
        out, pos = self.batch(items, pos, min(limit, self.opts.max_batch), cap)
        if pos >= len(items):
            body = "<n:PullResponse><n:Items>%s</n:Items><n:EndOfSequence/></n:PullResponse>" % "".join(out)
        else:
            new = "uuid:" + str(uuid.uuid4()).upper()
            with self.lock:
                self.enums[new] = [items, pos, timeouts]
            body = ("<n:PullResponse><n:EnumerationContext>%s</n:EnumerationContext><n:Items>%s</n:Items>"
                    "</n:PullResponse>" % (new, "".join(out)))
        return 200, self.envelope(ENUM + "/PullResponse", relates, body)

    def release(self, sbody, relates):
        rel = sbody.find("n:Release", NS)
        ctx = (rel.findtext("n:EnumerationContext", "", NS) if rel is not None else "").strip()
        with self.lock:
            if self.enums.pop(ctx, None) is None:
                raise SoapFault("invalid-context")
            self.released += 1
        print("released %s" % ctx, flush=True)
        return 200, self.envelope(ENUM + "/ReleaseResponse", relates, "")

    def invoke(self, header, sbody, action, resource, relates):
        cls_uri = resource.split("?")[0]
        cls, method = cls_uri[len(WMI_BASE):].split("/")[-1], action[len(cls_uri) + 1:]
        if cls != "Win32_Service" or method not in ("StartService", "StopService", "ResumeService",
                                                    "PauseService"):
            raise SoapFault("action-not-supported")
        sel = {s.get("Name", ""): (s.text or "") for s in header.iterfind("w:SelectorSet/w:Selector", NS)}
        if list(sel) != ["Name"]:
            raise SoapFault("invalid-selectors")
        row = next((r for r in self.data["Win32_Service"] if r["Name"].lower() == sel["Name"].lower()), None)
        if row is None:
            raise SoapFault("invalid-selectors")
        if sbody.find("{%s}%s_INPUT" % (cls_uri, method)) is None:
            raise SoapFault("invalid-query")
        with self.lock:
            if method == "StartService":
                rc = 10 if row["State"] == "Running" else (14 if row["StartMode"] == "Disabled" else 0)
                if rc == 0:
                    row["State"], row["Started"] = "Running", True
            elif method == "StopService":
                rc = 5 if row["State"] != "Running" else 0
                if rc == 0:
                    row["State"], row["Started"] = "Stopped", False
            else:
                rc = 6 if row["State"] != "Paused" and method == "ResumeService" else 0
        body = ('<p:%s_OUTPUT xmlns:p=%s><p:ReturnValue>%d</p:ReturnValue></p:%s_OUTPUT>'
                % (method, quoteattr(cls_uri), rc, method))
        return 200, self.envelope(cls_uri + "/" + method + "Response", relates, body)
