#!/usr/bin/env python3
"""tls_decoys.py start|stop DIR: TLS servers on 127.0.0.1, for at most 30 minutes,
with the certificates in DIR/tls that a client must refuse. DIR/decoys/endpoints
lists "NAME PORT"; DIR/decoys/log gets "PORT accepted" per connection and
"PORT received" for data after a handshake, which a refusing client never sends.
"""
import os, shutil, signal, socket, ssl, subprocess, sys, threading, time

def serve(folder):
    tls = os.path.join(folder, "..", "tls")
    log = os.open(os.path.join(folder, "log"), os.O_WRONLY | os.O_CREAT | os.O_APPEND)

    def loop(context, listener):
        port = listener.getsockname()[1]
        while True:
            connection = listener.accept()[0]
            os.write(log, b"%d accepted\n" % port)
            connection.settimeout(10)
            try:
                with context.wrap_socket(connection, server_side=True) as secure:
                    secure.sendall(b"+OK decoy ready\r\n")
                    while secure.recv(4096):
                        os.write(log, b"%d received\n" % port)
            except OSError:
                connection.close()

    lines = ""
    for name in ("untrusted", "wrong-name", "expired"):
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.path.join(tls, name + ".pem"), os.path.join(tls, "server.key"))
        listener = socket.create_server(("127.0.0.1", 0))
        lines += "%s %d\n" % (name, listener.getsockname()[1])
        threading.Thread(target=loop, args=(context, listener), daemon=True).start()
    with open(os.path.join(folder, "endpoints.new"), "w") as out:
        out.write(lines)
    os.rename(os.path.join(folder, "endpoints.new"), os.path.join(folder, "endpoints"))
    time.sleep(30 * 60)


def start(folder):
    stop(folder)
    os.makedirs(folder)
    # Detached, and not holding ctest's output open.
    with open(os.path.join(folder, "server.log"), "w") as errors:
        process = subprocess.Popen([sys.executable, __file__, "serve", os.path.dirname(folder)],
                                   stdin=subprocess.DEVNULL, stdout=errors, stderr=errors,
                                   start_new_session=True)
    with open(os.path.join(folder, "pid"), "w") as out:
        out.write("%d\n" % process.pid)
    for _ in range(100):
        if os.path.exists(os.path.join(folder, "endpoints")):
            return 0
        time.sleep(0.05)
    sys.stderr.write(open(os.path.join(folder, "server.log")).read() + "no TLS decoys\n")
    stop(folder)
    return 1


# Removing the folder too, so no later stop signals a reused process id.
def stop(folder):
    try:
        os.kill(int(open(os.path.join(folder, "pid")).read()), signal.SIGTERM)
    except (OSError, ValueError):
        pass
    shutil.rmtree(folder, ignore_errors=True)
    return 0


if __name__ == "__main__":
    run = {"serve": serve, "start": start, "stop": stop}[sys.argv[1]]
    sys.exit(run(os.path.join(os.path.abspath(sys.argv[2]), "decoys")))
