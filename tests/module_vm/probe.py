#!/usr/bin/env python3
"""Records what a virtual module's console sends, byte for byte and with
times, for the steps the service console takes on it: the login screen,
the password prompt, the shell, Ctrl-C, the network file, logging out, a
Ctrl-C at the password prompt and a second login. What the built-in module
models answer is checked against this.
Usage: probe.py SOCKET HOST PASSWORD   (start it with the VM: boot time)"""
import socket
import sys
import time

path, host, password = sys.argv[1], sys.argv[2].encode(), sys.argv[3].encode()
start = time.monotonic()
while True:  # QEMU makes the socket a moment after it starts
    try:
        line = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        line.connect(path)
        break
    except OSError:
        if time.monotonic() - start > 30:
            raise
        time.sleep(0.05)


def step(title, send, until, timeout=60.0, quiet=1.0):
    """Sends SEND, reads until UNTIL has come and then QUIET seconds of
    silence; prints each burst with its time after the send."""
    print(f"== {title}: sent {send!r}")
    t0 = time.monotonic()
    line.sendall(send)
    got, seen, burst, burst_at, last = b"", None, b"", 0.0, 0.0
    while True:
        now = time.monotonic()
        wait = quiet if seen else timeout - (now - t0)
        if seen is None and wait <= 0:
            break
        line.settimeout(max(wait, 0.01))
        try:
            data = line.recv(4096)
        except socket.timeout:
            break
        if not data:
            print("   the VM closed the console")
            break
        now = time.monotonic() - t0
        # The emulated UART hands over a few bytes at a time: bytes less
        # than 20 ms apart are shown as one burst.
        if burst and now - last > 0.02:
            print(f"  +{burst_at:7.3f}s {burst!r}")
            burst = b""
        if not burst:
            burst_at = now
        burst, last, got = burst + data, now, got + data
        if seen is None and until in got:
            seen = now
    if burst:
        print(f"  +{burst_at:7.3f}s {burst!r}")
    print(f"   all: {got!r}")
    print(f"   {until!r} after {seen:.3f}s" if seen is not None else f"   no {until!r} in {timeout}s")
    return got


prompt = b"root@" + host + b":~# "
print(f"connected {time.monotonic() - start:.3f}s after the probe started")
step("boot", b"", b"login: ", timeout=600, quiet=2.0)
step("(a) Enter at the login screen", b"\r", b"login: ")
step("(b) user name", b"root\r", b"Password: ")
step("(c) password", password + b"\r", prompt, quiet=2.0)
step("(d) Ctrl-C at the prompt", b"\x03", prompt)
step("(e) the network file", b"cat /etc/network/interfaces \r", prompt)
step("(f) log out", b"exit\r", host + b" login: ", quiet=2.0)
step("(g) user name again", b"root\r", b"Password: ")
step("(g) Ctrl-C at the password prompt", b"\x03", host + b" login: ", quiet=2.0)
step("(h) user name, third time", b"root\r", b"Password: ")
step("(h) password: the last login shows", password + b"\r", prompt, quiet=2.0)
step("(h) log out", b"exit\r", host + b" login: ", quiet=2.0)
