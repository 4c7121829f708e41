#!/usr/bin/python3
"""A WinRM (WS-Management over HTTP/HTTPS) service for tests and demos, on loopback only.

It speaks what a default Windows WinRM listener speaks to a WMI client:
- authentication: Negotiate (NTLM through gss-ntlmssp, or Kerberos with a keytab), Kerberos,
  and Basic (only over TLS, only with --basic);
- message encryption over plain HTTP (multipart/encrypted, required unless --allow-unencrypted);
- Enumerate (WQL filter, OptimizeEnumeration, MaxElements), Pull, Release, with batches capped
  by MaxEnvelopeSize; Invoke of Win32_Service StartService/StopService/ResumeService;
- SOAP faults shaped like Windows' own, and hostile replies on demand for client tests.

Users for NTLM and Basic come from --users FILE or, with --users-stdin, from standard input
(lines DOMAIN:user:password, ending at EOF or an empty line), so that no password needs to be
on a command line or on disk. Kerberos takes its key from the keytab in KRB5_KTNAME.

On start it prints one line "listening on HOST:PORT" to standard output (PORT 0 = pick a free one).
Run with --help for every option. Needs Debian's /usr/bin/python3 with python3-gssapi.
"""

import argparse
import base64
import http.server
import os
import re
import socketserver
import ssl
import struct
import sys
import threading
import time

import gssapi
import gssapi.raw as gssraw

import demo_data
import wsman_soap as soap

NTLM_OID = gssapi.OID.from_int_seq("1.3.6.1.4.1.311.2.2.10")
KRB5_OID = gssapi.OID.from_int_seq("1.2.840.113554.1.2.2")
BOUNDARY = b"Encrypted Boundary"
HOSTILE = ("truncated", "not-xml", "bad-length", "forged-signature", "huge", "endless-chunks", "silent",
           "no-answer", "wrong-type", "wrong-relates")


class Users:
    """DOMAIN:user:password entries (NTLM_USER_FILE format). Kept in memory; for NTLM they
    are handed to gss-ntlmssp through an anonymous memory file, never a path on disk."""

    def __init__(self, lines):
        self.entries = []
        for line in lines:
            line = line.rstrip("\r\n")
            if not line or line.startswith("#"):
                continue
            domain, user, password = line.split(":", 2)
            self.entries.append((domain, user, password))

    def check_basic(self, name, password):
        domain, _, user = name.rpartition("\\")
        for d, u, p in self.entries:
            if u.lower() == user.lower() and (not domain or d.upper() == domain.upper()) and p == password:
                return True
        return False

    def publish_for_ntlm(self):
        fd = os.memfd_create("ntlm-users")
        os.write(fd, "".join("%s:%s:%s\n" % e for e in self.entries).encode())
        os.environ["NTLM_USER_FILE"] = "/proc/%d/fd/%d" % (os.getpid(), fd)
        return fd


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "Microsoft-HTTPAPI/2.0"
    sys_version = ""

    def setup(self):
        super().setup()
        self.ctx = None          # GSS context of this connection
        self.scheme = None       # "Negotiate" or "Kerberos" once authenticated, or "Basic"
        self.authenticated = False

    def log_message(self, fmt, *args):
        if self.server.opts.verbose:
            sys.stderr.write("emulator: " + (fmt % args) + "\n")

    def log(self, text):
        if self.server.opts.verbose:
            sys.stderr.write("emulator: " + text + "\n")
            sys.stderr.flush()

    # -- HTTP plumbing --------------------------------------------------------------------
    def send(self, code, body=b"", headers=(), content_type=None):
        self.send_response(code)
        if self.close_connection:
            self.send_header("Connection", "close")
        for k, v in headers:
            self.send_header(k, v)
        if content_type and body:
            self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def offered(self):
        o = self.server.opts
        h = []
        if "negotiate" in o.auth:
            h.append(("WWW-Authenticate", "Negotiate"))
        if "kerberos" in o.auth:
            h.append(("WWW-Authenticate", "Kerberos"))
        if o.basic and (self.server.tls or o.allow_unencrypted):
            h.append(("WWW-Authenticate", 'Basic realm="WSMAN"'))
        return h

    def deny(self, why):
        self.log("401: " + why)
        self.ctx = None
        self.authenticated = False
        self.send(401, headers=self.offered())

    def do_GET(self):
        self.send(405)

    def do_POST(self):
        opts = self.server.opts
        length = int(self.headers.get("Content-Length", "0") or 0)
        if length > opts.max_request:
            self.rfile.read(min(length, 64 << 20))
            self.close_connection = True
            return self.send(413)
        body = self.rfile.read(length)
        if self.path.split("?")[0].lower() != "/wsman":
            return self.send(404)
        if opts.hostile == "silent":
            return self.hang()
        if not self.authenticate(body):
            return
        if not body:
            return
        ctype = self.headers.get("Content-Type", "")
        encrypted = ctype.lower().startswith("multipart/encrypted")
        if encrypted:
            try:
                body = self.unseal(body)
            except Exception as e:  # noqa: BLE001 - any bad frame is the client's fault
                self.log("bad sealed body: %s" % e)
                return self.send(400)
        elif not self.server.tls and not opts.allow_unencrypted:
            self.log("unencrypted body refused")
            return self.send(500, headers=[("Connection", "close")])
        self.server.stats["requests"] += 1
        self.replies = getattr(self, "replies", 0) + 1
        if opts.close_every and self.replies % opts.close_every == 0:
            self.close_connection = True  # as an idle or recycled Windows connection: the context goes too
        status, reply = self.server.service.handle(body, self.user_name())
        self.log("%d %d bytes" % (status, len(reply)))
        self.answer(status, reply, encrypted)

    def user_name(self):
        if self.ctx is not None and self.ctx.complete:
            return str(self.ctx.initiator_name).rstrip("\x00")
        return getattr(self, "basic_user", "")

    def authenticate(self, body):
        opts = self.server.opts
        auth = self.headers.get("Authorization")
        if auth and auth.split(None, 1)[0].lower() == "basic":
            if not (opts.basic and (self.server.tls or opts.allow_unencrypted)):
                self.deny("Basic refused: not offered here")
                return False
            try:
                name, _, password = base64.b64decode(auth.split(None, 1)[1]).decode().partition(":")
            except Exception:  # noqa: BLE001
                self.deny("bad Basic header")
                return False
            if not self.server.users.check_basic(name, password):
                self.deny("Basic: bad credentials for %r" % name)
                return False
            self.basic_user = name
            self.scheme = "Basic"
            if not body:
                self.send(200)
            return True
        if self.authenticated and not auth:
            return True
        if not auth:
            self.deny("no Authorization header")
            return False
        scheme, _, token = auth.partition(" ")
        if scheme.lower() not in ("negotiate", "kerberos") or scheme.lower() not in opts.auth:
            self.deny("scheme %s not offered" % scheme)
            return False
        if self.ctx is None or self.ctx.complete:
            self.ctx = gssapi.SecurityContext(usage="accept")
        try:
            out = self.ctx.step(base64.b64decode(token.strip()))
        except gssapi.exceptions.GSSError as e:
            self.server.stats["auth_failures"] += 1
            self.deny("GSS: %s" % e)
            return False
        headers = [("WWW-Authenticate", "%s %s" % (scheme, base64.b64encode(out).decode()))] if out else []
        if not self.ctx.complete:
            self.send(401, headers=headers)
            return False
        if scheme.lower() == "kerberos" and self.ctx.mech != KRB5_OID:
            self.deny("Kerberos scheme with a non-Kerberos token")
            return False
        if opts.deny_user and self.user_name().lower().endswith(opts.deny_user.lower()):
            self.deny("user %r not allowed" % self.user_name())
            return False
        self.authenticated = True
        self.scheme = "Kerberos" if scheme.lower() == "kerberos" else "Negotiate"
        self.server.stats["logons"] += 1
        mech = "kerberos" if self.ctx.mech == KRB5_OID else "ntlm" if self.ctx.mech == NTLM_OID else str(self.ctx.mech)
        print("authenticated %s via %s %s" % (self.user_name(), mech, self.scheme), flush=True)
        if not body:
            self.send(200, headers=headers)
        return True

    # -- message encryption ------------------------------------------------------------------
    def protocol(self):
        if self.scheme == "Kerberos":
            return b"application/HTTP-Kerberos-session-encrypted"
        return b"application/HTTP-SPNEGO-session-encrypted"

    def unseal(self, body):
        if self.ctx is None or not self.ctx.complete:
            raise ValueError("no security context")
        parts = body.split(b"--" + BOUNDARY + b"\r\n")
        if len(parts) != 3 or parts[0] != b"":
            raise ValueError("not two MIME parts")
        head, data = parts[1], parts[2]
        length = None
        for line in head.split(b"\r\n"):
            line = line.strip()
            if line.lower().startswith(b"originalcontent:"):
                for field in line.split(b":", 1)[1].split(b";"):
                    if field.strip().lower().startswith(b"length="):
                        length = int(field.split(b"=", 1)[1])
        prefix = b"\tContent-Type: application/octet-stream\r\n"
        if not data.startswith(prefix) or not data.endswith(b"--" + BOUNDARY + b"--\r\n"):
            raise ValueError("bad data part")
        data = data[len(prefix):-len(b"--" + BOUNDARY + b"--\r\n")]
        (hl,) = struct.unpack("<I", data[:4])
        if hl > len(data) - 4:
            raise ValueError("header length past the end")
        plain = self.ctx.unwrap(data[4:]).message
        if length != len(plain):
            raise ValueError("Length %r does not match %d" % (length, len(plain)))
        return plain

    def wrap(self, plain):
        if self.ctx.mech == KRB5_OID:
            iov = gssraw.IOV((gssraw.IOVBufferType.header, True), plain, (gssraw.IOVBufferType.padding, True),
                             std_layout=False)
            gssraw.wrap_iov(self.ctx, iov, confidential=True)
            header, data, pad = iov[0].value, iov[1].value, iov[2].value or b""
            return header, data + pad
        token = self.ctx.wrap(plain, True).message
        return token[:16], token[16:]

    def seal(self, plain, hostile=None):
        header, data = self.wrap(plain)
        length = len(plain) + (7 if hostile == "bad-length" else 0)
        if hostile == "forged-signature":
            header = header[:8] + bytes([header[8] ^ 0x5A]) + header[9:]
        proto = self.protocol()
        return (b"--" + BOUNDARY + b"\r\n\tContent-Type: " + proto + b"\r\n"
                b"\tOriginalContent: type=application/soap+xml;charset=UTF-8;Length=" + str(length).encode() +
                b"\r\n--" + BOUNDARY + b"\r\n\tContent-Type: application/octet-stream\r\n" +
                struct.pack("<I", len(header)) + header + data + b"--" + BOUNDARY + b"--\r\n")

    def answer(self, status, reply, encrypted):
        hostile = self.server.take_hostile()
        if hostile in ("silent", "no-answer"):
            return self.hang()
        if hostile == "huge":
            return self.send_huge()
        if hostile == "endless-chunks":
            return self.send_endless()
        if hostile == "truncated":
            reply = reply[: len(reply) // 2]
        elif hostile == "not-xml":
            reply = b"<html><body>Service Unavailable</body></html"
        elif hostile == "wrong-relates":
            reply = re.sub(rb"<a:RelatesTo>[^<]*</a:RelatesTo>", b"<a:RelatesTo>uuid:00000000-0000-0000-0000-"
                           b"000000000000</a:RelatesTo>", reply)
        if encrypted:
            body = self.seal(reply, hostile)
            ctype = ('multipart/encrypted;protocol="%s";boundary="Encrypted Boundary"' %
                     self.protocol().decode())
        else:
            body, ctype = reply, "application/soap+xml;charset=UTF-8"
        if hostile == "wrong-type":
            ctype = "text/html"
        self.send(status, body, content_type=ctype)

    def hang(self):
        # Answer nothing until the client goes away or the server stops.
        self.close_connection = True
        while not self.server.stopping.is_set():
            try:
                self.connection.settimeout(0.2)
                if self.connection.recv(1) == b"":
                    return
            except (TimeoutError, ssl.SSLError, OSError) as e:
                if not isinstance(e, TimeoutError) and "timed out" not in str(e):
                    return

    def send_huge(self):
        size = 100 << 20
        self.send_response(200)
        self.send_header("Content-Type", "application/soap+xml;charset=UTF-8")
        self.send_header("Content-Length", str(size))
        self.end_headers()
        chunk = b"<a>" + b"x" * (1 << 16)
        sent = 0
        try:
            while sent < size:
                n = min(len(chunk), size - sent)
                self.wfile.write(chunk[:n])
                sent += n
        except OSError:
            pass
        self.close_connection = True

    def send_endless(self):
        self.send_response(200)
        self.send_header("Content-Type", "application/soap+xml;charset=UTF-8")
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        piece = b"<x>" * 4096
        try:
            while not self.server.stopping.is_set():
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
        except OSError:
            pass
        self.close_connection = True


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, opts, service, users):
        family = __import__("socket").AF_INET6 if ":" in opts.bind else __import__("socket").AF_INET
        self.address_family = family
        self.opts, self.service, self.users = opts, service, users
        self.stopping = threading.Event()
        self.stats = {"requests": 0, "logons": 0, "auth_failures": 0}
        self.hostile_left = opts.hostile_count
        self.lock = threading.Lock()
        self.tls = bool(opts.tls_cert)
        super().__init__((opts.bind, opts.port), Handler)
        if self.tls:
            ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            ctx.load_cert_chain(opts.tls_cert, opts.tls_key)
            self.socket = ctx.wrap_socket(self.socket, server_side=True)

    def take_hostile(self):
        with self.lock:
            if not self.opts.hostile or self.opts.hostile == "silent":
                return None
            if self.hostile_left == 0:
                return None
            self.hostile_left -= 1
            return self.opts.hostile


def parse_args(argv):
    p = argparse.ArgumentParser(
        prog="winrm-emulator",
        description="A WinRM service on loopback for tests and demos (WS-Management over HTTP/HTTPS).",
        epilog="Example: printf 'CORP:alice:Secret1\\n' | winrm_emulator.py --users-stdin --port 5985")
    p.add_argument("--bind", default="127.0.0.1", help="loopback address: 127.0.0.1 (default) or ::1")
    p.add_argument("--port", type=int, default=0, help="TCP port; 0 picks a free one (default)")
    p.add_argument("--users", metavar="FILE", help="user file, lines DOMAIN:user:password")
    p.add_argument("--users-stdin", action="store_true", help="read the user lines from standard input")
    p.add_argument("--auth", default="negotiate,kerberos",
                   help="schemes offered over 401, comma-separated: negotiate, kerberos (default both)")
    p.add_argument("--basic", action="store_true",
                   help="also offer Basic (over TLS; over HTTP only with --allow-unencrypted)")
    p.add_argument("--tls-cert", metavar="PEM", help="serve HTTPS with this certificate")
    p.add_argument("--tls-key", metavar="PEM", help="private key of --tls-cert")
    p.add_argument("--allow-unencrypted", action="store_true",
                   help="accept plain SOAP over HTTP (Windows default: refused)")
    p.add_argument("--services", type=int, default=300, help="rows of Win32_Service (default 300)")
    p.add_argument("--processes", type=int, default=120, help="rows of Win32_Process (default 120)")
    p.add_argument("--max-envelope", type=int, default=512000,
                   help="server MaxEnvelopeSize in bytes; batches are capped at half of the smaller of "
                        "this and the client's (default 512000)")
    p.add_argument("--max-batch", type=int, default=32000, help="server MaxBatchItems (default 32000)")
    p.add_argument("--first-batch", type=int, default=1,
                   help="items in the EnumerateResponse itself, as Windows sends (default 1)")
    p.add_argument("--fault", choices=sorted(soap.FAULTS), help="answer every Enumerate/Pull/Invoke with this fault")
    p.add_argument("--timeouts", type=int, default=0,
                   help="answer this many Pulls with w:TimedOut before the data")
    p.add_argument("--delay", type=float, default=0.0, help="seconds to wait before each SOAP answer")
    p.add_argument("--hostile", choices=HOSTILE,
                   help="misbehave: the first --hostile-count SOAP replies are broken this way "
                        "(silent: never answer anything)")
    p.add_argument("--hostile-count", type=int, default=-1, help="how many replies to break (-1 = all)")
    p.add_argument("--close-every", type=int, default=0,
                   help="close the connection (and drop its security context) after this many SOAP replies")
    p.add_argument("--deny-user", help="authenticate but refuse this user (401), as WinRM's RootSDDL does")
    p.add_argument("--max-request", type=int, default=512000, help="largest request body (HTTP 413 above)")
    p.add_argument("--demo", action="store_true",
                   help="add the user CORP\\demo with a fresh random password, and print it with the "
                        "tarnwick-cli line that queries this emulator")
    p.add_argument("--verbose", action="store_true", help="log each request to standard error")
    opts = p.parse_args(argv)
    opts.auth = [a.strip().lower() for a in opts.auth.split(",") if a.strip()]
    if opts.bind not in ("127.0.0.1", "::1", "localhost"):
        p.error("--bind must be a loopback address (127.0.0.1 or ::1)")
    if bool(opts.tls_cert) != bool(opts.tls_key):
        p.error("--tls-cert and --tls-key go together")
    return opts


def main(argv):
    opts = parse_args(argv)
    lines = []
    if opts.users:
        with open(opts.users, encoding="utf-8") as f:
            lines += f.readlines()
    if opts.users_stdin:
        for line in sys.stdin:
            if not line.strip():
                break
            lines.append(line)
    demo_password = None
    if opts.demo:
        import secrets
        demo_password = secrets.token_urlsafe(9)
        lines.append("CORP:demo:%s\n" % demo_password)
    users = Users(lines)
    keep = users.publish_for_ntlm()  # noqa: F841 - the memory file must stay open
    data = demo_data.build(opts.services, opts.processes)
    service = soap.Service(data, opts)
    server = Server(opts, service, users)
    host, port = server.server_address[:2]
    print("listening on %s:%d" % (("[%s]" % host) if ":" in host else host, port), flush=True)
    if demo_password:
        shown = "[%s]" % host if ":" in host else host
        if shown in ("127.0.0.1", "localhost"):
            shown = "ip6-localhost"  # the tool treats 127.0.0.1/localhost as the local computer
        print("demo user CORP\\demo, password %s (valid while this emulator runs)" % demo_password)
        print("query it with:\n  tarnwick-cli --wsman --host '%s' --port %d --user demo --domain CORP "
              "--password-stdin \"SELECT * FROM Win32_Service\"%s" %
              (shown, port, "  --ssl" if server.tls else ""), flush=True)
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    finally:
        server.stopping.set()
        server.server_close()


if __name__ == "__main__":
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    time.tzset()
    main(sys.argv[1:])
