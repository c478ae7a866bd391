#!/usr/bin/env python3
"""Misbehaving print services for the print tests, on loopback.

  print_servers.py silent PORT_FILE
      takes every connection and every request and never answers.
  print_servers.py stall-jobs UPSTREAM_PORT PORT_FILE
      passes every request to the print service at 127.0.0.1:UPSTREAM_PORT, except a job
      (IPP Print-Job, Create-Job, Send-Document): that request gets no answer, ever.

Writes the port it listens on to PORT_FILE and runs until it is killed.
"""
import socket
import sys
import threading

JOB_OPERATIONS = {0x0002, 0x0005, 0x0006}


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
            target.sendall(data)
    except OSError:
        pass


def stall_jobs(client, upstream_port):
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
                while True:
                    size_line = reader.until(b"\r\n")
                    size = int(size_line.split(b";")[0], 16)
                    if size == 0:
                        parts.append(size_line + reader.until(b"\r\n"))
                        break
                    data = reader.exactly(size + 2)
                    parts.append(size_line + data)
                    body += data[:-2]
                    if len(body) >= 4 and len(parts) == 1:
                        if int.from_bytes(body[2:4], "big") in JOB_OPERATIONS:
                            hold(client)
                            return
                        upstream.sendall(b"".join(parts))
                        parts = []
                upstream.sendall(b"".join(parts))
            elif length:
                body = reader.exactly(length)
                if length >= 4 and int.from_bytes(body[2:4], "big") in JOB_OPERATIONS:
                    hold(client)
                    return
                upstream.sendall(body)
    except (EOFError, OSError):
        pass
    finally:
        for s in (client, upstream):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


def main():
    mode = sys.argv[1]
    if mode == "silent":
        server = listen(sys.argv[2])
        handler, extra = hold, ()
    elif mode == "stall-jobs":
        server = listen(sys.argv[3])
        handler, extra = stall_jobs, (int(sys.argv[2]),)
    else:
        sys.exit("unknown mode " + mode)
    while True:
        client, _ = server.accept()
        threading.Thread(target=handler, args=(client,) + extra, daemon=True).start()


if __name__ == "__main__":
    main()
