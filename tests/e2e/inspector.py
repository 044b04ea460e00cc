"""Talks to Brimble's page through WebKit's remote inspector.

WebKit serves the inspector on the address in WEBKIT_INSPECTOR_HTTP_SERVER for web views whose
developer extras are on (Brimble's "devtools" setting). The protocol runs over a WebSocket; the
few frames needed here are spoken with the standard library alone.
"""

import base64
import hashlib
import json
import os
import re
import socket
import struct
import time
import urllib.request

_WEBSOCKET_GUID = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11"


class WebSocket:
    """A minimal client side of RFC 6455: text frames, masking, ping and close."""

    def __init__(self, host, port, path, timeout=10.0):
        self._sock = socket.create_connection((host, port), timeout=timeout)
        key = base64.b64encode(os.urandom(16)).decode()
        request = (
            f"GET {path} HTTP/1.1\r\nHost: {host}:{port}\r\nUpgrade: websocket\r\n"
            f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\n\r\n"
        )
        self._sock.sendall(request.encode())
        header = b""
        while b"\r\n\r\n" not in header:
            chunk = self._sock.recv(1)
            if not chunk:
                raise ConnectionError("inspector closed the handshake")
            header += chunk
        accept = base64.b64encode(hashlib.sha1((key + _WEBSOCKET_GUID).encode()).digest()).decode()
        if b" 101 " not in header.split(b"\r\n")[0] or accept.encode() not in header:
            raise ConnectionError("inspector refused the WebSocket: " + header.decode(errors="replace"))

    def close(self):
        try:
            self._send_frame(0x8, b"")
        except OSError:
            pass
        self._sock.close()

    def send_text(self, text):
        self._send_frame(0x1, text.encode())

    def recv_text(self, timeout):
        self._sock.settimeout(timeout)
        message = b""
        while True:
            opcode, fin, payload = self._recv_frame()
            if opcode == 0x9:
                self._send_frame(0xA, payload)
                continue
            if opcode == 0x8:
                raise ConnectionError("inspector closed the WebSocket")
            if opcode in (0x1, 0x0):
                message += payload
                if fin:
                    return message.decode()

    def _send_frame(self, opcode, payload):
        header = bytes([0x80 | opcode])
        length = len(payload)
        if length < 126:
            header += bytes([0x80 | length])
        elif length < 65536:
            header += bytes([0x80 | 126]) + struct.pack(">H", length)
        else:
            header += bytes([0x80 | 127]) + struct.pack(">Q", length)
        mask = os.urandom(4)
        masked = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
        self._sock.sendall(header + mask + masked)

    def _recv_exact(self, count):
        data = b""
        while len(data) < count:
            chunk = self._sock.recv(count - len(data))
            if not chunk:
                raise ConnectionError("inspector connection ended")
            data += chunk
        return data

    def _recv_frame(self):
        first, second = self._recv_exact(2)
        length = second & 0x7F
        if length == 126:
            length = struct.unpack(">H", self._recv_exact(2))[0]
        elif length == 127:
            length = struct.unpack(">Q", self._recv_exact(8))[0]
        mask = self._recv_exact(4) if second & 0x80 else None
        payload = self._recv_exact(length)
        if mask:
            payload = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
        return first & 0x0F, bool(first & 0x80), payload


class PageInspector:
    """Evaluates scripts in the page of the first inspectable web view."""

    def __init__(self, port, timeout=20.0):
        self._port = port
        self._next_id = 0
        path = self._find_target_path(timeout)
        self._socket = WebSocket("127.0.0.1", port, path)
        self._target = None
        self._pending = []
        deadline = time.monotonic() + timeout
        while self._target is None:
            self._dispatch(self._read(deadline))

    def close(self):
        self._socket.close()

    def evaluate(self, expression, timeout=15.0):
        """The JSON value of `expression`; a promise is awaited and its value returned."""
        deadline = time.monotonic() + timeout
        result = self._call("Runtime.evaluate", {"expression": expression}, deadline)
        if result.get("type") != "object" or "objectId" not in result:
            return result.get("value")
        if result.get("subtype") == "promise" or result.get("className") == "Promise":
            # WebKit's evaluate does not await; its own command does.
            return self._call("Runtime.awaitPromise",
                              {"promiseObjectId": result["objectId"], "returnByValue": True}, deadline).get("value")
        return self._call("Runtime.callFunctionOn", {
            "objectId": result["objectId"], "functionDeclaration": "function() { return this; }",
            "returnByValue": True}, deadline).get("value")

    def _call(self, method, params, deadline):
        reply = self._reply_from_target(self._send_to_target(method, params), deadline)
        if "error" in reply:
            raise RuntimeError(f"{method} failed: {reply['error']}")
        if reply["result"].get("wasThrown"):
            raise RuntimeError(f"script threw: {reply['result']['result']}")
        return reply["result"]["result"]

    def wait_for_document(self, url, timeout=30.0):
        """Waits until the page shown is `url`, following WebKit as it swaps the page's process
        (and so its inspector target) while loading."""
        deadline = time.monotonic() + timeout
        while True:
            try:
                if self.evaluate("location.href", timeout=2.0) == url:
                    return
            except (TimeoutError, RuntimeError):
                pass
            if time.monotonic() > deadline:
                raise TimeoutError(f"the page never showed {url}")
            time.sleep(0.1)

    def evaluate_in_background(self, expression):
        """Starts an evaluation and returns its id; its answer is read with `wait_for`."""
        return self._send_to_target("Runtime.evaluate", {"expression": expression, "returnByValue": True})

    def wait_for(self, inner_id, timeout=15.0):
        reply = self._reply_from_target(inner_id, time.monotonic() + timeout)
        return reply["result"]["result"].get("value")

    def _find_target_path(self, timeout):
        deadline = time.monotonic() + timeout
        while True:
            try:
                with urllib.request.urlopen(f"http://127.0.0.1:{self._port}/", timeout=2) as page:
                    html = page.read().decode()
                match = re.search(r"/socket/\d+/\d+/WebPage", html)
                if match:
                    return match.group(0)
            except OSError:
                pass
            if time.monotonic() > deadline:
                raise TimeoutError("no inspectable page appeared")
            time.sleep(0.2)

    def _read(self, deadline):
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            raise TimeoutError("the inspector did not answer in time")
        return json.loads(self._socket.recv_text(remaining))

    def _dispatch(self, message):
        if message.get("method") == "Target.targetCreated":
            info = message["params"]["targetInfo"]
            if info.get("type") == "page":
                self._target = info["targetId"]
        elif message.get("method") == "Target.didCommitProvisionalTarget":
            self._target = message["params"]["newTargetId"]
        elif message.get("method") == "Target.dispatchMessageFromTarget":
            self._pending.append(json.loads(message["params"]["message"]))

    def _send_to_target(self, method, params):
        self._next_id += 1
        inner_id = self._next_id
        inner = json.dumps({"id": inner_id, "method": method, "params": params})
        self._next_id += 1
        self._socket.send_text(json.dumps({
            "id": self._next_id, "method": "Target.sendMessageToTarget",
            "params": {"targetId": self._target, "message": inner}}))
        return inner_id

    def _reply_from_target(self, inner_id, deadline):
        while True:
            for reply in self._pending:
                if reply.get("id") == inner_id:
                    self._pending.remove(reply)
                    return reply
            self._dispatch(self._read(deadline))
