"""A POP3 peer on 127.0.0.1 that stalls the saver where a slow or hostile server
would, and records what the saver sent and when: the end-to-end tests and the
dismiss-latency benchmark start the saver against it and move the mouse mid-wait.

Stalls (the saver's wait each one makes):
  silent  accepts and never greets (the greeting's wait; with TLS, the handshake's)
  pass    answers USER and PASS, then stays silent (the 3-second wait after PASS)
  drip    one message; its TOP reply arrives one byte every `interval` seconds

The peer serves one connection, lives at most `lifetime` seconds and closes
everything when stopped.
"""
import socket
import threading
import time

HEADER = b"Subject: a reply that arrives a byte at a time\r\n\r\n"


class StallingPeer:
    def __init__(self, stall, interval=1.0, lifetime=120):
        assert stall in ("silent", "pass", "drip")
        self.stall, self.interval, self.lifetime = stall, interval, lifetime
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.received = []  # (time.monotonic(), bytes) of everything the saver sent
        self.commands = []  # the command lines, in order
        self.closed_at = None  # when the saver's end of the connection closed
        self.stalled_at = None  # when the stall began
        self._lock = threading.Lock()
        self._stop = threading.Event()
        self._connection = None
        self._thread = threading.Thread(target=self._serve, daemon=True)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self.listener.close()
        if self._connection:
            self._connection.close()
        self._thread.join(5)

    def wait_stalled(self, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline and self.stalled_at is None:
            time.sleep(0.01)
        return self.stalled_at is not None

    def received_after(self, moment):
        with self._lock:
            return b"".join(data for at, data in self.received if at > moment)

    def wait_closed(self, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline and self.closed_at is None:
            time.sleep(0.01)
        return self.closed_at is not None

    def _serve(self):
        self.listener.settimeout(self.lifetime)
        try:
            connection, _ = self.listener.accept()
        except OSError:
            return
        self._connection = connection
        connection.settimeout(0.05)
        ends = time.monotonic() + self.lifetime
        pending = b""
        drip = None  # the TOP reply's bytes still to send, once asked for
        next_drip = 0.0
        if self.stall == "silent":
            self.stalled_at = time.monotonic()
        else:
            connection.sendall(b"+OK stalling peer ready\r\n")
        while not self._stop.is_set() and time.monotonic() < ends:
            if drip and time.monotonic() >= next_drip:
                connection.sendall(drip[:1])
                drip = drip[1:]
                next_drip = time.monotonic() + self.interval
            try:
                data = connection.recv(4096)
            except socket.timeout:
                continue
            except OSError:
                data = b""
            if not data:
                self.closed_at = time.monotonic()
                return
            with self._lock:
                self.received.append((time.monotonic(), data))
            pending += data
            while b"\r\n" in pending:
                line, pending = pending.split(b"\r\n", 1)
                self.commands.append(line)
                reply = self._answer(line)
                if reply is not None:
                    connection.sendall(reply)
                if self.stall == "drip" and line == b"TOP 1 0":
                    drip = b"+OK\r\n" + HEADER + b".\r\n"
                    next_drip = time.monotonic()
                    self.stalled_at = time.monotonic()

    def _answer(self, line):
        verb = line.split(b" ", 1)[0]
        if verb == b"PASS" and self.stall == "pass":
            self.stalled_at = time.monotonic()
            return b"+OK Logged in.\r\n"
        return {b"USER": b"+OK\r\n", b"PASS": b"+OK Logged in.\r\n", b"STAT": b"+OK 1 200\r\n",
                b"LIST": b"+OK 1 200\r\n"}.get(verb)
