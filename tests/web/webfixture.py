"""The real statement server on a demo database and `mirola web` in front of it, on 127.0.0.1.

Paths come from the environment ctest sets: MIROLA_PROGRAM, MIROLA_SERVER_PROGRAM.
"""
import datetime
import json
import os
import re
import socket
import subprocess
import tempfile
import threading
import unittest
import urllib.error
import urllib.request

COMPANY = "50001"
PASSWORD = "1234"
START_TIMEOUT_S = 60


class Process:
    """A program whose stderr is collected while it runs, stopped with the object."""

    def __init__(self, args, env=None):
        full_env = dict(os.environ)
        full_env.update(env or {})
        self.proc = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.PIPE, env=full_env)
        self._lines = []
        self._ended = False
        self._changed = threading.Condition()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        for raw in self.proc.stderr:
            with self._changed:
                self._lines.append(raw.decode("utf-8", "replace"))
                self._changed.notify_all()
        with self._changed:
            self._ended = True
            self._changed.notify_all()

    def output(self):
        with self._changed:
            return "".join(self._lines)

    def wait_for(self, pattern, timeout=START_TIMEOUT_S):
        found = None

        def seen():
            nonlocal found
            found = re.search(pattern, "".join(self._lines))
            return found is not None or self._ended

        with self._changed:
            self._changed.wait_for(seen, timeout)
        if found:
            return found
        raise RuntimeError("no %r from %s:\n%s" % (pattern, self.proc.args[0], self.output()))

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self._reader.join(5)
        self.proc.stderr.close()


def free_port():
    """A port nobody listens on: bound once, then closed."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class StatementServer:
    """The server, with the web front on 127.0.0.1 named as its trusted front unless told not."""

    def __init__(self, folder, trusted_front=True, port=0):
        self.process = Process([os.environ["MIROLA_SERVER_PROGRAM"], "--listen", "127.0.0.1:%d" % port,
                                "--db", "sqlite:" + os.path.join(folder, "demo.sqlite")] +
                               (["--trusted-front", "127.0.0.1"] if trusted_front else []))
        self.port = int(self.process.wait_for(r"listening on 127\.0\.0\.1:(\d+)").group(1))

    def stop(self):
        self.process.stop()


# The PDF writer orders its font objects by Qt's hash, which is seeded per process; a fixed
# seed makes two processes write the same bytes.
WEB_ENV = {"QT_QPA_PLATFORM": "offscreen", "QT_HASH_SEED": "0"}


class WebServer:
    def __init__(self, server_port, extra=()):
        self.process = Process([os.environ["MIROLA_PROGRAM"], "web", "--listen", "127.0.0.1:0",
                                "--server", "127.0.0.1:%d" % server_port] + list(extra),
                               env=WEB_ENV)
        m = self.process.wait_for(r"listening on (https?)://127\.0\.0\.1:(\d+)/")
        self.url = "%s://127.0.0.1:%s" % (m.group(1), m.group(2))
        self.port = int(m.group(2))

    def stop(self):
        self.process.stop()


class Demo:
    """A temporary folder, the statement server on its demo database and `mirola web` before it."""

    def __init__(self):
        self.folder = temporary_folder()
        self.server = StatementServer(self.folder.name)
        self.web = WebServer(self.server.port)
        self.year, self.month = this_month()

    def stop(self):
        self.web.stop()
        self.server.stop()
        self.folder.cleanup()


class DemoTestCase(unittest.TestCase):
    """Tests sharing one demo: self.folder, self.server, self.web, self.year, self.month."""

    @classmethod
    def setUpClass(cls):
        cls.demo = Demo()
        cls.folder, cls.server, cls.web = cls.demo.folder, cls.demo.server, cls.demo.web
        cls.year, cls.month = cls.demo.year, cls.demo.month

    @classmethod
    def tearDownClass(cls):
        cls.demo.stop()


def export_pdf(server_port, path, year, from_month, to_month, date):
    """The statement as `mirola export` writes it."""
    subprocess.run([os.environ["MIROLA_PROGRAM"], "export", "--server", "127.0.0.1:%d" % server_port,
                    "--company", COMPANY, "--password", PASSWORD, "--year", str(year),
                    "--from", str(from_month), "--to", str(to_month), "--date", str(date),
                    "--out", path], check=True, env=dict(os.environ, **WEB_ENV),
                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=120)
    with open(path, "rb") as f:
        return f.read()


def without_creation_date(pdf):
    return re.sub(rb"/CreationDate \(D:[^)]*\)", b"/CreationDate ()", pdf)


def this_month():
    today = datetime.date.today()
    return today.year, today.month


def post(url, body, content_type="application/json", timeout=60):
    """Status, headers and body of a POST; error answers are returned, not raised."""
    data = body if isinstance(body, bytes) else json.dumps(body).encode()
    request = urllib.request.Request(url, data=data, method="POST",
                                     headers={"Content-Type": content_type})
    return _open(request, timeout)


def get(url, timeout=60, context=None):
    return _open(urllib.request.Request(url), timeout, context)


def _open(request, timeout, context=None):
    try:
        with urllib.request.urlopen(request, timeout=timeout, context=context) as r:
            return r.status, r.headers, r.read()
    except urllib.error.HTTPError as e:
        return e.code, e.headers, e.read()


def temporary_folder():
    return tempfile.TemporaryDirectory(prefix="mirola-web-")


def pdf_tool(tool, path, *args):
    return subprocess.run([tool] + list(args) + [path] + (["-"] if tool == "pdftotext" else []),
                          check=True, capture_output=True, timeout=60).stdout.decode("utf-8")


def pdf_pages(path):
    return int(re.search(r"Pages:\s+(\d+)", pdf_tool("pdfinfo", path)).group(1))


def pdf_page_text(path, page):
    """The page's text without spacing: the page spreads captions out with spacing characters."""
    text = pdf_tool("pdftotext", path, "-f", str(page), "-l", str(page))
    return re.sub(r"[\s\x01]", "", text)


def compact(text):
    return re.sub(r"\s", "", text)
