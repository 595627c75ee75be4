#!/usr/bin/env python3
"""Runs a test program under Wine with python3 peers on call: the program connects to the
port in TESSORY_PYTHON_PEERS and sends python3's arguments, each ended by a NUL and the
list by one more; this machine's python3 runs them and its output goes back, until the
program shuts its sending half or goes away, which ends the child.
The program runs in the Wine prefix of WINEPREFIX, prepared and stopped by wine_prefix;
one that has not ended after TESSORY_PEERS_TIMEOUT seconds (default 240) is stopped and
fails.
usage: python_peers.py <program> <arguments...>"""

import os, socket, subprocess, sys, threading  # noqa: E401

import wine_prefix


def serve(conn):
    request = b""
    while not request.endswith(b"\0\0") and (more := conn.recv(65536)):
        request += more
    child = subprocess.Popen(["python3", "-u", *(a.decode() for a in request[:-2].split(b"\0"))],
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    children.append(child)
    relay = threading.Thread(target=lambda: [conn.sendall(chunk) for chunk in iter(
        lambda: os.read(child.stdout.fileno(), 65536), b"")])
    relay.start()
    try:
        while conn.recv(4096):
            pass
    except OSError:
        pass
    child.terminate()
    child.wait()
    relay.join()
    conn.close()


def serve_all(listener):
    while True:
        threading.Thread(target=serve, args=(listener.accept()[0],), daemon=True).start()


children, listener = [], socket.create_server(("127.0.0.1", 0))
threading.Thread(target=serve_all, args=(listener,), daemon=True).start()
env = dict(os.environ, TESSORY_PYTHON_PEERS=str(listener.getsockname()[1]))
wine_prefix.prepare(env)
# Its output comes through here: the prefix's server and services, which inherit it, must
# not hold the test's own output open once the program has ended.
program = subprocess.Popen(sys.argv[1:], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT)
relay = threading.Thread(target=lambda: [sys.stdout.buffer.write(line) or sys.stdout.flush()
                                         for line in program.stdout], daemon=True)
relay.start()
limit = int(os.environ.get("TESSORY_PEERS_TIMEOUT", "240"))
try:
    status = program.wait(limit)
except subprocess.TimeoutExpired:
    status = None
finally:
    wine_prefix.stop(env)
relay.join(10)
if status is None:
    print("FAIL: %s was still running after %d s, and was stopped" % (" ".join(sys.argv[1:3]), limit))
    status = 1
for child in children:  # a program that crashed leaves none behind
    child.kill()
sys.exit(status)
