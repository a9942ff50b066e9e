"""`mirola web` answers every visitor concurrently: a statement server that hangs on some
searches holds up only those, and a print's PDF and pictures come from one fetch and one
generation."""
import json
import os
import socket
import sys
import threading
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import webfixture as fx  # noqa: E402

# The demo company whose searches the statement server in between never answers.
HUNG_COMPANY = "50005"
HUNG_SEARCHES = 4
WAIT_S = 60


class HangingProxy:
    """Stands between the front and the real statement server: a connection whose first request
    names HUNG_COMPANY is held open and never answered; the others are relayed both ways. Counts
    the searches it relayed."""

    def __init__(self, target_port):
        self.target_port = target_port
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.changed = threading.Condition()
        self.held = []
        self.searches = 0
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while True:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            threading.Thread(target=self._serve, args=(client,), daemon=True).start()

    def _serve(self, client):
        first = client.recv(65536)
        with self.changed:
            if HUNG_COMPANY.encode() in first:
                self.held.append(client)
                self.changed.notify_all()
                return
            if b"MAKECUST" in first:
                self.searches += 1
        upstream = socket.create_connection(("127.0.0.1", self.target_port))
        upstream.sendall(first)

        def pump(source, sink):
            try:
                while True:
                    data = source.recv(65536)
                    if not data:
                        break
                    sink.sendall(data)
            except OSError:
                pass
            finally:
                for s in (source, sink):
                    try:
                        s.shutdown(socket.SHUT_RDWR)
                    except OSError:
                        pass

        back = threading.Thread(target=pump, args=(upstream, client), daemon=True)
        back.start()
        pump(client, upstream)
        back.join(WAIT_S)
        client.close()
        upstream.close()

    def wait_for_held(self, count):
        with self.changed:
            return self.changed.wait_for(lambda: len(self.held) >= count, WAIT_S)

    def held_open(self):
        """How many held connections the front has not given up on yet."""
        with self.changed:
            count = 0
            for s in self.held:
                s.setblocking(False)
                try:
                    open_ = s.recv(1, socket.MSG_PEEK) != b""
                except BlockingIOError:
                    open_ = True
                except OSError:
                    open_ = False
                count += open_
            return count

    def stop(self):
        self.listener.close()
        with self.changed:
            for s in self.held:
                s.close()


class ConcurrencyTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = fx.temporary_folder()
        cls.server = fx.StatementServer(cls.folder.name)
        cls.proxy = HangingProxy(cls.server.port)
        cls.web = fx.WebServer(cls.proxy.port)
        cls.year, cls.month = fx.this_month()
        cls.query = {"company": fx.COMPANY, "password": fx.PASSWORD, "year": cls.year,
                     "from": cls.month, "to": cls.month}

    @classmethod
    def tearDownClass(cls):
        cls.web.stop()
        cls.proxy.stop()
        cls.server.stop()
        cls.folder.cleanup()

    def test_a_hanging_statement_server_holds_up_no_other_visitor(self):
        hung_answers = []

        def hung_search():
            try:
                status, _, _ = fx.post(self.web.url + "/api/search",
                                       dict(self.query, company=HUNG_COMPANY), timeout=120)
            except OSError as e:  # the front stopped at the end of the tests
                status = str(e)
            hung_answers.append(status)

        for _ in range(HUNG_SEARCHES):
            threading.Thread(target=hung_search, daemon=True).start()
        self.assertTrue(self.proxy.wait_for_held(HUNG_SEARCHES))

        # While those wait for their statement server, everyone else is answered.
        status, _, page = fx.get(self.web.url + "/")
        self.assertEqual(status, 200)
        status, _, data = fx.get(self.web.url + "/api/companies")
        self.assertEqual(status, 200, data)
        status, _, data = fx.post(self.web.url + "/api/search", self.query)
        self.assertEqual(status, 200, data)
        self.assertEqual(json.loads(data)["particulars"]["custName"], "(주)한빛유통")
        status, _, data = fx.post(self.web.url + "/api/statement", dict(self.query, date=2))
        self.assertEqual(status, 200, data)
        self.assertEqual(len(json.loads(data)["lines"]), 20)

        self.assertEqual(hung_answers, [], "a hung search was answered meanwhile")
        self.assertEqual(self.proxy.held_open(), HUNG_SEARCHES)

    def test_a_print_fetches_and_generates_once_for_its_pdf_and_pictures(self):
        query = dict(self.query, date=2)  # twenty lines: two pages
        before = self.proxy.searches
        answers = {}

        def ask(name, path, body):
            answers[name] = fx.post(self.web.url + path, body)

        asks = [threading.Thread(target=ask, args=args) for args in [
            ("pdf", "/api/statement/pdf", query),
            ("page 1", "/api/statement/png", dict(query, page=1)),
            ("page 2", "/api/statement/png", dict(query, page=2)),
            # Another statement generated alongside.
            ("other", "/api/statement/pdf", dict(self.query, date=1)),
        ]]
        for t in asks:
            t.start()
        for t in asks:
            t.join(WAIT_S)
        for name in ["pdf", "page 1", "page 2", "other"]:
            with self.subTest(name):
                status, headers, body = answers[name]
                self.assertEqual(status, 200, body[:200])
        self.assertEqual(answers["pdf"][1]["X-Page-Count"], "2")
        self.assertNotEqual(answers["page 1"][2], answers["page 2"][2])
        self.assertEqual(answers["other"][1]["X-Page-Count"], "1")
        self.assertEqual(self.proxy.searches - before, 2, "one fetch for each statement")

        # Asked again within the print, the PDF is the same bytes, fetched no more.
        status, _, again = fx.post(self.web.url + "/api/statement/pdf", query)
        self.assertEqual(status, 200)
        self.assertEqual(again, answers["pdf"][2])
        self.assertEqual(self.proxy.searches - before, 2)


if __name__ == "__main__":
    unittest.main(verbosity=2)
