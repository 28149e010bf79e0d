#!/usr/bin/env python3
"""Drives a headless Chromium for the browser-bridge end-to-end test.

Serves a folder of test pages over loopback HTTP, starts Chromium with the
extension loaded and the DevTools protocol on a pipe (fds 3 and 4), then
follows commands on stdin, one per line, answering one line each:

    open PATH            -> "target ID"   a new tab, in front
    activate ID          -> "ok"          brings a tab to the front
    navigate ID PATH     -> "ok"          loads another page in a tab
    quit                 -> "bye"         closes the browser and exits

The first line written is "ready PID PORT": the browser's process id and
the HTTP port. Failures are answered with "error TEXT". Only the standard
library is used, and nothing but 127.0.0.1 is contacted.
"""

import argparse
import ctypes
import fcntl
import functools
import http.server
import json
import os
import signal
import subprocess
import sys
import threading
import time


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(folder):
    handler = functools.partial(QuietHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class Browser:
    def __init__(self, args):
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()
        # Park the browser's ends above the low fds so that dup2 onto 3 and 4
        # cannot clobber them.
        read_end = fcntl.fcntl(to_browser_r, fcntl.F_DUPFD_CLOEXEC, 100)
        write_end = fcntl.fcntl(from_browser_w, fcntl.F_DUPFD_CLOEXEC, 100)
        os.close(to_browser_r)
        os.close(from_browser_w)
        libc = ctypes.CDLL(None, use_errno=True)

        def child_setup():
            os.dup2(read_end, 3)
            os.dup2(write_end, 4)
            libc.prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG: never outlive the driver

        command = [
            args.chromium, "--headless=new", "--no-sandbox",
            "--user-data-dir=" + args.profile, "--load-extension=" + args.extension,
            "--disable-features=DisableLoadExtensionCommandLineSwitch",
            "--disable-gpu", "--no-first-run", "--no-default-browser-check",
            "--disable-background-networking", "--disable-component-update",
            "--disable-sync", "--disable-quic", "--remote-debugging-pipe", "about:blank",
        ]
        log = open(args.log, "wb")
        self.process = subprocess.Popen(command, preexec_fn=child_setup, close_fds=False,
                                        stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        os.close(read_end)
        os.close(write_end)
        self.buffer = b""
        self.next_id = 0

    def call(self, method, params=None, session=None, timeout=15):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            while b"\0" in self.buffer:
                raw, self.buffer = self.buffer.split(b"\0", 1)
                reply = json.loads(raw)
                if reply.get("id") == self.next_id:
                    if "error" in reply:
                        raise RuntimeError(reply["error"].get("message", "protocol error"))
                    return reply.get("result", {})
            if time.monotonic() > deadline:
                raise TimeoutError(method)
            chunk = os.read(self.from_browser, 65536)
            if not chunk:
                raise RuntimeError("the browser closed the DevTools pipe")
            self.buffer += chunk

    def close(self):
        try:
            self.call("Browser.close", timeout=5)
        except Exception:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


def main():
    parser = argparse.ArgumentParser()
    for name in ("chromium", "profile", "extension", "pages", "log"):
        parser.add_argument("--" + name, required=True)
    args = parser.parse_args()

    server = serve(args.pages)
    base = "http://127.0.0.1:%d" % server.server_address[1]
    browser = Browser(args)
    print("ready %d %d" % (browser.process.pid, server.server_address[1]), flush=True)

    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        try:
            if words[0] == "open":
                result = browser.call("Target.createTarget", {"url": base + words[1]})
                answer = "target " + result["targetId"]
            elif words[0] == "activate":
                browser.call("Target.activateTarget", {"targetId": words[1]})
                answer = "ok"
            elif words[0] == "navigate":
                session = browser.call("Target.attachToTarget", {"targetId": words[1], "flatten": True})["sessionId"]
                browser.call("Page.navigate", {"url": base + words[2]}, session=session)
                answer = "ok"
            elif words[0] == "quit":
                break
            else:
                answer = "error unknown command"
        except Exception as e:  # answered, so the test can report it
            answer = "error %s" % e
        print(answer, flush=True)

    browser.close()
    server.shutdown()
    print("bye", flush=True)


if __name__ == "__main__":
    main()
