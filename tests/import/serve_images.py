# SPDX-License-Identifier: MIT
"""A local web server for the download tests.

Writes its port to the file named by its first argument, serves the answers below on the address
given second and stops at /quit or after 60 seconds. /untrusted leads to a second server there
whose certificate nobody signed.
"""
import http.server
import ssl
import subprocess
import sys
import tempfile
import threading

BODY = bytes(i % 251 for i in range(10000))
ANSWERS = {
    "/image.png": (200, "image/png", BODY[:3000]),
    "/page.html": (200, "text/html", b"<html></html>"),
    "/imagefoo.png": (200, "imagefoo/png", BODY[:100]),
    "/bare.png": (200, "image/", BODY[:100]),
    "/missing.png": (404, "text/html", b"not here"),
    "/big.png": (200, "image/png", BODY),
    "/empty.png": (200, "image/png", b""),
    "/": (200, "image/png", BODY[:100]),
}


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if self.path == "/quit":
            self.send_response(200)
            self.end_headers()
            threading.Thread(target=self.server.shutdown).start()
            return
        if self.path == "/cut.png":
            self.send_response(200)
            self.send_header("Content-Type", "image/png")
            self.send_header("Content-Length", "3000")
            self.end_headers()
            self.wfile.write(BODY[:1000])
            self.close_connection = True
            return
        if self.path in ("/drip.png", "/trickle.png"):
            # 2 bytes a second, or 2000 bytes every half second for 2.5 seconds.
            piece, pause = (2, 1.0) if self.path == "/drip.png" else (2000, 0.5)
            self.send_response(200)
            self.send_header("Content-Type", "image/png")
            self.send_header("Content-Length", "10000")
            self.end_headers()
            for start in range(0, 10000, piece):
                self.wfile.write(BODY[start:start + piece])
                self.wfile.flush()
                threading.Event().wait(pause)
            return
        if self.path == "/silent.png":
            threading.Event().wait(10)
            return
        if self.path in REDIRECTS:
            self.send_response(302)
            host = self.connection.getsockname()[0]
            self.send_header("Location", REDIRECTS[self.path].format(host=host))
            self.end_headers()
            return
        status, kind, body = ANSWERS.get(self.path, (404, "text/plain", b""))
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer((sys.argv[2], 0), Handler)
untrusted = http.server.ThreadingHTTPServer((sys.argv[2], 0), Handler)
with tempfile.TemporaryDirectory() as folder:
    subprocess.run(["/usr/bin/openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                    "ec_paramgen_curve:prime256v1", "-nodes", "-subj", "/CN=127.0.0.1",
                    "-keyout", f"{folder}/key", "-out", f"{folder}/cert"],
                   check=True, capture_output=True)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(f"{folder}/cert", f"{folder}/key")
untrusted.socket = context.wrap_socket(untrusted.socket, server_side=True)
threading.Thread(target=untrusted.serve_forever, daemon=True).start()
REDIRECTS = {"/moved": "/image.png", "/loop": "/loop",
             "/private": f"http://127.0.0.1:{server.server_address[1]}/image.png",
             "/untrusted": f"https://{{host}}:{untrusted.server_address[1]}/image.png"}
with open(sys.argv[1], "w") as f:
    f.write(str(server.server_address[1]))
timer = threading.Timer(60, server.shutdown)
timer.daemon = True
timer.start()
server.serve_forever()
