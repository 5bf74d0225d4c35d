#!/usr/bin/env python3
"""TLS servers on 127.0.0.1 whose certificates a client must refuse, for the
refusal tests (ctest fixture "tls-decoys", tests/support/CMakeLists.txt).

    tls_decoys.py start DIR   serves DIR/tls/{untrusted,wrong-name,expired}.pem
                              (made by run-dovecot start DIR) until stopped, at
                              most 30 minutes; writes DIR/decoys/endpoints
    tls_decoys.py stop DIR

DIR/decoys/endpoints holds one "NAME PORT" line per server. DIR/decoys/log
records per connection "PORT accepted", then "PORT handshake failed: ...",
or "PORT handshake done" and "PORT received BYTES" for every read: a client
that refuses the certificate leaves no "received" line.
"""
import os
import signal
import socket
import ssl
import subprocess
import sys
import threading
import time

NAMES = ("untrusted", "wrong-name", "expired")
LIFETIME = 30 * 60
CONNECTION_SECONDS = 10


def serve(folder):
    tls = os.path.join(os.path.dirname(folder), "tls")
    log = open(os.path.join(folder, "log"), "a", buffering=1)
    lock = threading.Lock()

    def note(port, text):
        with lock:
            log.write("%d %s\n" % (port, text))

    def handle(context, connection, port):
        connection.settimeout(CONNECTION_SECONDS)
        note(port, "accepted")
        try:
            with context.wrap_socket(connection, server_side=True) as secure:
                note(port, "handshake done")
                secure.sendall(b"+OK decoy ready\r\n")
                while True:
                    data = secure.recv(4096)
                    if not data:
                        break
                    note(port, "received %r" % data)
        except (OSError, ssl.SSLError) as error:
            note(port, "handshake failed: %s" % error)
        finally:
            connection.close()

    listeners = []
    for name in NAMES:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.path.join(tls, name + ".pem"), os.path.join(tls, "server.key"))
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.bind(("127.0.0.1", 0))
        listener.listen(8)
        listener.settimeout(0.5)
        listeners.append((name, context, listener))
    with open(os.path.join(folder, "endpoints.new"), "w") as out:
        for name, _, listener in listeners:
            out.write("%s %d\n" % (name, listener.getsockname()[1]))
    os.rename(os.path.join(folder, "endpoints.new"), os.path.join(folder, "endpoints"))

    def accept_loop(context, listener):
        port = listener.getsockname()[1]
        while True:
            try:
                connection, _ = listener.accept()
            except socket.timeout:
                continue
            threading.Thread(target=handle, args=(context, connection, port), daemon=True).start()

    for _, context, listener in listeners:
        threading.Thread(target=accept_loop, args=(context, listener), daemon=True).start()
    time.sleep(LIFETIME)


def start(folder):
    stop(folder)
    os.makedirs(folder, exist_ok=True)
    for name in ("endpoints", "log"):
        if os.path.exists(os.path.join(folder, name)):
            os.remove(os.path.join(folder, name))
    # Detached, and not holding ctest's output open.
    with open(os.path.join(folder, "server.log"), "w") as errors:
        process = subprocess.Popen([sys.executable, __file__, "serve", os.path.dirname(folder)],
                                   stdin=subprocess.DEVNULL, stdout=errors, stderr=errors,
                                   start_new_session=True)
    with open(os.path.join(folder, "pid"), "w") as out:
        out.write("%d\n" % process.pid)
    for _ in range(100):
        if os.path.exists(os.path.join(folder, "endpoints")):
            print("TLS decoys on 127.0.0.1, folder %s" % folder)
            return 0
        if process.poll() is not None:
            break
        time.sleep(0.05)
    sys.stderr.write(open(os.path.join(folder, "server.log")).read())
    sys.stderr.write("the TLS decoys did not start\n")
    stop(folder)
    return 1


def stop(folder):
    try:
        pid = int(open(os.path.join(folder, "pid")).read())
    except (OSError, ValueError):
        return 0
    os.remove(os.path.join(folder, "pid"))
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        return 0
    for _ in range(50):
        if not running(pid):
            return 0
        time.sleep(0.1)
    sys.stderr.write("the TLS decoys (pid %d) did not stop\n" % pid)
    return 1


def running(pid):
    """Alive and not a zombie waiting for its parent."""
    try:
        with open("/proc/%d/stat" % pid) as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop", "serve"):
        sys.stderr.write("usage: %s start|stop DIR\n" % sys.argv[0])
        return 2
    folder = os.path.join(os.path.abspath(sys.argv[2]), "decoys")
    if sys.argv[1] == "serve":
        serve(folder)
        return 0
    return start(folder) if sys.argv[1] == "start" else stop(folder)


if __name__ == "__main__":
    sys.exit(main())
