"""A small Language Server Protocol client for the tests of poliz-lsp: starts the server, sends
framed JSON-RPC messages (or raw bytes) and collects what comes back on a reader thread."""
import json
import queue
import subprocess
import threading
import time

TIMEOUT = 20.0


class LspClient:
    def __init__(self, server, args=()):
        self.proc = subprocess.Popen([server, *args], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE)
        self.messages = queue.Queue()
        self.pending = []  # messages read but not yet claimed
        self.next_id = 1
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        out = self.proc.stdout
        while True:
            length = None
            while True:
                line = out.readline()
                if not line:
                    self.messages.put(None)
                    return
                line = line.strip()
                if not line:
                    break
                name, _, value = line.partition(b":")
                if name.lower() == b"content-length":
                    length = int(value)
            body = out.read(length)
            self.messages.put(json.loads(body))

    def send_raw(self, data):
        self.proc.stdin.write(data)
        self.proc.stdin.flush()

    def send(self, message):
        body = json.dumps(message).encode("utf-8")
        self.send_raw(b"Content-Length: %d\r\n\r\n" % len(body) + body)

    def notify(self, method, params=None):
        message = {"jsonrpc": "2.0", "method": method}
        if params is not None:
            message["params"] = params
        self.send(message)

    def send_request(self, method, params=None):
        rid = self.next_id
        self.next_id += 1
        message = {"jsonrpc": "2.0", "id": rid, "method": method}
        if params is not None:
            message["params"] = params
        self.send(message)
        return rid

    def wait_for(self, matches, timeout=TIMEOUT):
        """The first message, read or still to come, for which matches(message) holds."""
        for k, message in enumerate(self.pending):
            if matches(message):
                return self.pending.pop(k)
        deadline = time.monotonic() + timeout
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                raise AssertionError("no matching message within %.0f s" % timeout)
            try:
                message = self.messages.get(timeout=left)
            except queue.Empty:
                continue
            if message is None:
                raise AssertionError("the server closed its output")
            if matches(message):
                return message
            self.pending.append(message)

    def response(self, rid, timeout=TIMEOUT):
        return self.wait_for(lambda m: m.get("id") == rid and "method" not in m, timeout)

    def request(self, method, params=None, timeout=TIMEOUT):
        """The whole response message (with "result" or "error")."""
        return self.response(self.send_request(method, params), timeout)

    def result(self, method, params=None, timeout=TIMEOUT):
        answer = self.request(method, params, timeout)
        if "error" in answer:
            raise AssertionError(f"{method} failed: {answer['error']}")
        return answer["result"]

    def diagnostics(self, uri, version=None, timeout=TIMEOUT):
        def matches(m):
            if m.get("method") != "textDocument/publishDiagnostics" or m["params"]["uri"] != uri:
                return False
            return version is None or m["params"].get("version") == version
        return self.wait_for(matches, timeout)["params"]["diagnostics"]

    def initialize(self, encodings=None):
        capabilities = {}
        if encodings:
            capabilities["general"] = {"positionEncodings": encodings}
        result = self.result("initialize", {"processId": None, "rootUri": None, "capabilities": capabilities})
        self.notify("initialized", {})
        return result

    def open(self, uri, text, version=1):
        self.notify("textDocument/didOpen",
                    {"textDocument": {"uri": uri, "languageId": "ppp", "version": version, "text": text}})

    def change(self, uri, text, version):
        self.notify("textDocument/didChange",
                    {"textDocument": {"uri": uri, "version": version}, "contentChanges": [{"text": text}]})

    def stop(self, timeout=TIMEOUT):
        """Shutdown then exit, as an editor ends a session; returns the exit status."""
        self.result("shutdown")
        self.notify("exit")
        return self.wait_exit(timeout)

    def wait_exit(self, timeout=TIMEOUT):
        try:
            return self.proc.wait(timeout)
        finally:
            self.kill()

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        for stream in (self.proc.stdin, self.proc.stdout, self.proc.stderr):
            try:
                stream.close()
            except OSError:
                pass


def at(line, character):
    return {"line": line, "character": character}


def doc_position(uri, line, character):
    return {"textDocument": {"uri": uri}, "position": at(line, character)}
