#!/usr/bin/env python3
"""The update check against an https:// server whose certificate no authority vouches for.

usage: tls_update_check.py WINE_RUN CHECK_DRIVER_EXE

Serves an update offer over TLS on 127.0.0.1 with a fresh self-signed certificate and runs
update_check_driver.exe against it. The check must treat it as no update: the driver returns to
its caller (status 7), and the server sees the TLS handshake finish (TLS itself works) but never
an HTTP request (the client refused the certificate before asking anything).
"""
import os
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import threading

CHECK_RETURNED = 7
OFFER_BODY = b"0000020\nhttps://downloads.example.org/Tavoline-9-win32.zip\n"
OFFER = b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n%s" % (len(OFFER_BODY), OFFER_BODY)


def make_certificate(folder):
    key, cert = os.path.join(folder, "key.pem"), os.path.join(folder, "cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                    "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


class Server:
    def __init__(self, cert, key):
        self.context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        self.context.load_cert_chain(cert, key)
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(4)
        self.listener.settimeout(0.5)
        self.port = self.listener.getsockname()[1]
        self.events = []  # "handshake", "request: ...", "handshake failed: ..."
        self.stopping = False
        self.thread = threading.Thread(target=self.serve)
        self.thread.start()

    def serve(self):
        while not self.stopping:
            try:
                connection, _ = self.listener.accept()
            except socket.timeout:
                continue
            connection.settimeout(10)
            try:
                with self.context.wrap_socket(connection, server_side=True) as tls:
                    self.events.append("handshake")
                    request = tls.recv(4096)
                    if request:
                        self.events.append("request: " + request.split(b"\r\n")[0].decode("latin-1"))
                        tls.sendall(OFFER)
            except (ssl.SSLError, OSError) as error:
                self.events.append("handshake failed: %s" % error)

    def stop(self):
        self.stopping = True
        self.thread.join(10)
        self.listener.close()


def main():
    wine_run, driver = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as folder:
        server = Server(*make_certificate(folder))
        url = "https://127.0.0.1:%d/software/updates/tavo.txt" % server.port
        # An accepted offer would show a message box that nobody answers: the time limit ends the
        # driver with everything wine-run.sh started for it (a session of their own).
        child = subprocess.Popen([wine_run, driver, url], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL, start_new_session=True)
        try:
            status = child.wait(timeout=30)
        except subprocess.TimeoutExpired:
            os.killpg(child.pid, signal.SIGKILL)
            child.wait()
            status = "timed out (a message box waits: the offer was taken)"
        server.stop()
    print("check against %s: status %s; server saw %s" % (url, status, server.events))
    failures = []
    if status != CHECK_RETURNED:
        failures.append("the check did not return as with no update (status %s, expected %d)" % (status, CHECK_RETURNED))
    if "handshake" not in server.events:
        failures.append("no TLS handshake finished: the test shows nothing about certificates")
    if any(event.startswith("request") for event in server.events):
        failures.append("the client sent its request over a connection it should not trust")
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
