#!/usr/bin/env python3
"""Misbehaving print services for the print tests, on loopback.

  print_servers.py silent PORT_FILE
      takes every connection and every request and never answers.
  print_servers.py stall-jobs UPSTREAM_PORT PORT_FILE
      passes every request to the print service at 127.0.0.1:UPSTREAM_PORT, except a job
      (IPP Print-Job, Create-Job, Send-Document): that request gets no answer, ever.
  print_servers.py stall-attributes UPSTREAM_PORT PORT_FILE
      half-answering: lists the printers (CUPS-Get-Printers, CUPS-Get-Default) but never
      answers Get-Printer-Attributes.
  print_servers.py stall-documents UPSTREAM_PORT PORT_FILE
      passes everything on, a new job (Create-Job) and its withdrawal (Cancel-Job) too, but
      gives no answer, ever, to the job's document (Send-Document).
  print_servers.py stall-after-two-jobs UPSTREAM_PORT PORT_FILE
      passes everything on, the first two jobs too (IPP Print-Job, Create-Job), but gives no
      answer, ever, to a later job.
  print_servers.py freeze-after-job UPSTREAM_PORT PORT_FILE
      a spooler that freezes once it has taken a job: passes everything on until the first
      document (Print-Job or Send-Document) has gone upstream, then answers nothing more.

Each held request is written to standard error ("held 0x0005"), so that a test can wait for it.

Writes the port it listens on to PORT_FILE and runs until it is killed.
"""
import socket
import sys
import threading

JOB_OPERATIONS = {0x0002, 0x0005, 0x0006}
GET_PRINTER_ATTRIBUTES = {0x000B}
DOCUMENT_OPERATIONS = {0x0002, 0x0006}
SEND_DOCUMENT = {0x0006}
NEW_JOB_OPERATIONS = {0x0002, 0x0005}
frozen = threading.Event()
# Jobs passed on so far, by every connection (each copy comes on a connection of its own).
jobs_passed = 0
jobs_lock = threading.Lock()


def listen(port_file):
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(64)
    with open(port_file + ".tmp", "w") as f:
        f.write(str(server.getsockname()[1]))
    import os
    os.replace(port_file + ".tmp", port_file)
    return server


def hold(connection):
    """Reads whatever comes and never answers."""
    try:
        while connection.recv(65536):
            pass
    except OSError:
        pass


class Reader:
    def __init__(self, connection):
        self.connection = connection
        self.buffer = b""

    def fill(self):
        data = self.connection.recv(65536)
        if not data:
            raise EOFError
        self.buffer += data

    def until(self, marker):
        while marker not in self.buffer:
            self.fill()
        end = self.buffer.index(marker) + len(marker)
        taken, self.buffer = self.buffer[:end], self.buffer[end:]
        return taken

    def exactly(self, count):
        while len(self.buffer) < count:
            self.fill()
        taken, self.buffer = self.buffer[:count], self.buffer[count:]
        return taken


def pipe(source, target):
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            if frozen.is_set():
                continue
            target.sendall(data)
    except OSError:
        pass


def held(client, operation):
    sys.stderr.write("held 0x%04x\n" % operation)
    sys.stderr.flush()
    hold(client)


def holds(operation, held_operations, jobs_to_pass):
    """Whether the request is held: one of held_operations, anything once frozen, or a new job
    beyond the first jobs_to_pass (when that is not None)."""
    global jobs_passed
    if operation in held_operations or frozen.is_set():
        return True
    if jobs_to_pass is None or operation not in NEW_JOB_OPERATIONS:
        return False
    with jobs_lock:
        if jobs_passed >= jobs_to_pass:
            return True
        jobs_passed += 1
        return False


def proxy(client, upstream_port, held_operations, freezing_operations, jobs_to_pass):
    """Passes requests on, except those of held_operations and new jobs beyond the first
    jobs_to_pass; after one of freezing_operations has gone on, nothing is answered any more."""
    upstream = socket.create_connection(("127.0.0.1", upstream_port))
    threading.Thread(target=pipe, args=(upstream, client), daemon=True).start()
    reader = Reader(client)
    try:
        while True:
            head = reader.until(b"\r\n\r\n")
            headers = head.decode("latin-1").lower()
            chunked = "transfer-encoding: chunked" in headers
            length = 0
            for line in headers.split("\r\n"):
                if line.startswith("content-length:"):
                    length = int(line.split(":", 1)[1])
            # The headers go on at once: the service may have to answer "100 Continue" first.
            upstream.sendall(head)
            if chunked:
                parts = []
                body = b""
                checked = False
                while True:
                    size_line = reader.until(b"\r\n")
                    size = int(size_line.split(b";")[0], 16)
                    if size == 0:
                        parts.append(size_line + reader.until(b"\r\n"))
                        break
                    data = reader.exactly(size + 2)
                    parts.append(size_line + data)
                    body += data[:-2]
                    if len(body) >= 4 and not checked:
                        checked = True
                        operation = int.from_bytes(body[2:4], "big")
                        if holds(operation, held_operations, jobs_to_pass):
                            held(client, operation)
                            return
                        if operation in freezing_operations:
                            frozen.set()
                        upstream.sendall(b"".join(parts))
                        parts = []
                upstream.sendall(b"".join(parts))
            elif length:
                body = reader.exactly(length)
                operation = int.from_bytes(body[2:4], "big") if length >= 4 else 0
                if holds(operation, held_operations, jobs_to_pass):
                    held(client, operation)
                    return
                if operation in freezing_operations:
                    frozen.set()
                upstream.sendall(body)
    except (EOFError, OSError):
        pass
    finally:
        for s in (client, upstream):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


PROXIES = {
    "stall-jobs": (JOB_OPERATIONS, set(), None),
    "stall-attributes": (GET_PRINTER_ATTRIBUTES, set(), None),
    "stall-documents": (SEND_DOCUMENT, set(), None),
    "stall-after-two-jobs": (set(), set(), 2),
    "freeze-after-job": (set(), DOCUMENT_OPERATIONS, None),
}


def main():
    mode = sys.argv[1]
    if mode == "silent":
        server = listen(sys.argv[2])
        handler, extra = hold, ()
    elif mode in PROXIES:
        server = listen(sys.argv[3])
        handler, extra = proxy, (int(sys.argv[2]),) + PROXIES[mode]
    else:
        sys.exit("unknown mode " + mode)
    while True:
        client, _ = server.accept()
        threading.Thread(target=handler, args=(client,) + extra, daemon=True).start()


if __name__ == "__main__":
    main()
