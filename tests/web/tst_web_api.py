"""The JSON interface of `mirola web` against the real statement server: answers, status codes
and error bodies, the printed statement beside the export's, and what the server refuses."""
import http.client
import json
import os
import re
import shutil
import socket
import ssl
import struct
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import webfixture as fx  # noqa: E402

# A security number nobody else uses, to look for in the log.
SECRET = "8642097531"


def raw_answer(port, request):
    """One answer, read to the end of its body, to a request sent byte for byte as given."""
    with socket.create_connection(("127.0.0.1", port), timeout=30) as s:
        s.sendall(request.encode())
        answer = b""
        while b"\r\n\r\n" not in answer:
            chunk = s.recv(65536)
            if not chunk:
                return answer
            answer += chunk
        head, _, body = answer.partition(b"\r\n\r\n")
        length = int(re.search(rb"Content-Length: (\d+)", head).group(1))
        while len(body) < length:
            chunk = s.recv(65536)
            if not chunk:
                break
            body += chunk
        return head + b"\r\n\r\n" + body


def until_closed(port, data, source="127.0.0.1", timeout=30):
    """Everything the server sends after `data`, up to its closing the connection; None when it
    keeps the connection open past `timeout`."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout,
                                  source_address=(source, 0)) as s:
        s.sendall(data)
        answer = b""
        try:
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    return answer
                answer += chunk
        except ConnectionResetError:
            return answer
        except socket.timeout:
            return None


def post_from(source, port, path, body, headers=None):
    """A JSON POST from the local address `source`: another visitor on this machine."""
    data = json.dumps(body).encode()
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=60,
                                            source_address=(source, 0))
    try:
        connection.request("POST", path, data, dict({"Content-Type": "application/json"},
                                                    **(headers or {})))
        response = connection.getresponse()
        return response.status, response.headers, response.read()
    finally:
        connection.close()


class WebApiTest(fx.DemoTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.query = {"company": fx.COMPANY, "password": fx.PASSWORD, "year": cls.year,
                     "from": cls.month, "to": cls.month}

    def api(self, path, body):
        status, headers, data = fx.post(self.web.url + path, body)
        return status, headers, data

    def test_companies_list_the_servers_companies(self):
        status, headers, data = fx.get(self.web.url + "/api/companies")
        self.assertEqual(status, 200)
        self.assertEqual(headers["Content-Type"], "application/json; charset=utf-8")
        companies = json.loads(data)["companies"]
        self.assertEqual([c["code"] for c in companies], ["50001", "50002", "50003", "50004", "50005"])
        self.assertEqual(companies[0]["name"], "(주)한빛유통")

    def test_search_brings_particulars_dates_lines_and_totals(self):
        status, _, data = self.api("/api/search", self.query)
        self.assertEqual(status, 200, data)
        answer = json.loads(data)
        self.assertEqual(answer["particulars"]["custName"], "(주)한빛유통")
        self.assertEqual(answer["particulars"]["address"], "서울특별시 강남구 테헤란로 152, 7층")
        # This month: a statement of one line and one of twenty.
        self.assertEqual(len(answer["dates"]), 2)
        self.assertEqual(answer["selected"], 1)
        self.assertEqual(len(answer["lines"]), 1)
        amount = int(answer["lines"][0][5])
        tax = int(answer["lines"][0][6])
        self.assertEqual(answer["totals"], {"amount": str(amount), "tax": str(tax),
                                            "amountWithTax": str(amount + tax), "count": "1"})

        status, _, data = self.api("/api/statement", dict(self.query, date=2))
        self.assertEqual(status, 200, data)
        second = json.loads(data)
        self.assertEqual(second["selected"], 2)
        self.assertEqual(len(second["lines"]), 20)
        self.assertEqual(second["pages"], 2)
        self.assertEqual(int(second["totals"]["amount"]), sum(int(l[5]) for l in second["lines"]))
        self.assertEqual(second["totals"]["count"], "20")

    def test_failures_answer_with_status_and_message(self):
        good = self.query
        cases = [
            ("a search asked with GET", "GET", "/api/search", None, None, 405, "method"),
            ("a body that is not JSON", "POST", "/api/search", b"{company", None, 400, "bad-json"),
            ("a form post instead of JSON", "POST", "/api/search", b"company=50001",
             "application/x-www-form-urlencoded", 415, "content-type"),
            ("no company", "POST", "/api/search", dict(good, company=""), None, 400, "no-company"),
            ("no security number", "POST", "/api/search", {"company": "50001"}, None, 400,
             "no-password"),
            ("a wrong security number", "POST", "/api/search", dict(good, password=SECRET), None,
             403, "no-particulars"),
            ("month 13", "POST", "/api/search", dict(good, to=13, **{"from": 13}), None, 400,
             "refused"),
            ("a trading date beyond the list", "POST", "/api/statement", dict(good, date=3), None,
             404, "no-such-date"),
            ("a statement without its date", "POST", "/api/statement", good, None, 400, "bad-date"),
            ("a page beyond the statement", "POST", "/api/statement/png",
             dict(good, date=1, page=2), None, 404, "no-such-page"),
            ("a body over the bound", "POST", "/api/search", dict(good, password="9" * 20000),
             None, 413, "too-large"),
            ("an address that is not ours", "GET", "/api/nothing", None, None, 404, "not-found"),
        ]
        for name, method, path, body, content_type, want_status, want_code in cases:
            with self.subTest(name):
                if method == "GET":
                    status, headers, data = fx.get(self.web.url + path)
                else:
                    status, headers, data = fx.post(self.web.url + path, body,
                                                    content_type or "application/json")
                self.assertEqual(status, want_status, data)
                self.assertTrue(headers["Content-Type"].startswith("application/json"))
                error = json.loads(data)
                self.assertEqual(error["code"], want_code)
                self.assertTrue(error["error"])
        status, _, data = self.api("/api/search", dict(good, company=""))
        self.assertEqual(json.loads(data)["error"], "업체를 선택해 주세요!!!")
        status, _, data = self.api("/api/search", dict(good, to=13, **{"from": 13}))
        self.assertEqual(json.loads(data)["error"], "Invalid argument to date encode")

    def test_no_file_is_served_but_the_page(self):
        status, headers, page = fx.get(self.web.url + "/")
        self.assertEqual(status, 200)
        self.assertIn("거래명세서", page.decode())
        self.assertIn("default-src 'none'", headers["Content-Security-Policy"])
        # No other site may show the page in a frame of its own.
        self.assertIn("frame-ancestors 'none'", headers["Content-Security-Policy"])
        self.assertEqual(headers["X-Frame-Options"], "DENY")
        for path in ["/../../../../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd", "/index.html/../../etc/hosts",
                     "/web/index.html", "/:/web/index.html", "/page/index.html",
                     "/api/companies/../../../etc/passwd", "/CMakeLists.txt", "/etc/passwd"]:
            with self.subTest(path):
                # Sent as written: a client that does not tidy the path first.
                answer = raw_answer(self.web.port, "GET %s HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n" % path)
                self.assertTrue(answer.startswith(b"HTTP/1.1 404"), answer[:200])
                self.assertNotIn(b"root:", answer)
                self.assertNotIn(b"<html", answer)

    def test_printed_statement_is_the_exports_pdf(self):
        status, headers, pdf = self.api("/api/statement/pdf", dict(self.query, date=2))
        self.assertEqual(status, 200, pdf[:200])
        self.assertEqual(headers["Content-Type"], "application/pdf")
        self.assertEqual(headers["X-Page-Count"], "2")
        exported = fx.export_pdf(self.server.port, os.path.join(self.folder.name, "export.pdf"),
                                 self.year, self.month, self.month, 2)
        self.assertEqual(len(pdf), len(exported))
        self.assertEqual(fx.without_creation_date(pdf), fx.without_creation_date(exported))

        status, headers, png = self.api("/api/statement/png", dict(self.query, date=2, page=2))
        self.assertEqual(status, 200)
        self.assertEqual(headers["Content-Type"], "image/png")
        self.assertEqual(png[:8], b"\x89PNG\r\n\x1a\n")
        width, height = struct.unpack(">II", png[16:24])
        self.assertEqual((width, height), (794, 1123))  # A4 at 96 dots per inch

    def test_security_number_never_reaches_the_log(self):
        self.api("/api/search", dict(self.query, password=SECRET))
        self.api("/api/statement/pdf", dict(self.query, password=SECRET, date=1))
        fx.get(self.web.url + "/api/search?password=" + SECRET)
        log = self.web.process.output()
        self.assertIn("POST /api/search 403", log)
        self.assertIn("GET /api/search 405", log)
        self.assertNotIn(SECRET, log)

    def test_framing_that_could_hide_a_request_is_refused_before_the_body(self):
        smuggled = b"GET /api/companies HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"
        head = b"POST /api/search HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
        cases = [
            # Nothing of the body is sent: the answer comes from the declared length alone.
            ("a declared length of 100 MB", head + b"Content-Length: 100000000\r\n\r\n",
             b"HTTP/1.1 413"),
            ("a length and chunked encoding, a request behind them",
             head + b"Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n" +
             smuggled, b"HTTP/1.1 400"),
            ("a chunked body, a request behind it",
             head + b"Transfer-Encoding: chunked\r\n\r\n2\r\n{}\r\n0\r\n\r\n" + smuggled,
             b"HTTP/1.1 411"),
            ("two lengths", head + b"Content-Length: 2\r\nContent-Length: 30\r\n\r\n{}",
             b"HTTP/1.1 400"),
        ]
        for name, request, status in cases:
            with self.subTest(name):
                answer = until_closed(self.web.port, request)
                self.assertIsNotNone(answer, "the connection stayed open")
                self.assertTrue(answer.startswith(status), answer[:200])
                self.assertEqual(answer.count(b"HTTP/1.1 "), 1, "a second request was answered")
        status, _, _ = fx.get(self.web.url + "/api/companies")
        self.assertEqual(status, 200)

    def test_connection_close_is_honoured(self):
        answer = until_closed(self.web.port, b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                             b"Connection: close\r\n\r\n")
        self.assertIsNotNone(answer, "the connection stayed open")
        self.assertTrue(answer.startswith(b"HTTP/1.1 200"))
        self.assertTrue(answer.endswith(b"</html>\n"), answer[-100:])

    def test_a_trickling_body_is_bounded_and_its_connection_closed_when_it_stalls(self):
        web = fx.WebServer(self.server.port, ["--idle-timeout", "1"])
        try:
            with socket.create_connection(("127.0.0.1", web.port), timeout=30) as s:
                s.sendall(b"POST /api/search HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                          b"Content-Type: application/json\r\nContent-Length: 16384\r\n\r\n")
                for _ in range(4):
                    s.sendall(b" " * 1024)
                # Then silence: the server closes the connection without an answer.
                self.assertEqual(s.recv(4096), b"")
            # Sending more than the declared length only starts a next request, which is not one.
            body = json.dumps(self.query).encode()
            answer = until_closed(web.port, b"POST /api/search HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                            b"Content-Type: application/json\r\nContent-Length: "
                                  + str(len(body)).encode() + b"\r\n\r\n" + body + b"9" * 20000)
            self.assertTrue(answer.startswith(b"HTTP/1.1 200"), answer[:200])
            self.assertLessEqual(answer.count(b"HTTP/1.1 "), 2)
        finally:
            web.stop()

    def test_only_our_host_names_and_our_own_origin_are_answered(self):
        web = fx.WebServer(self.server.port, ["--host-name", "statements.test"])
        try:
            origin = "http://127.0.0.1:%d" % web.port
            cases = [
                ("the address", {"Host": "127.0.0.1:%d" % web.port}, 200, None),
                ("a configured name", {"Host": "statements.test:%d" % web.port}, 200, None),
                ("localhost on loopback", {"Host": "localhost:%d" % web.port}, 200, None),
                ("a name pointed at us by someone else", {"Host": "rebound.example:%d" % web.port},
                 421, "host"),
                ("our own page", {"Host": "127.0.0.1:%d" % web.port, "Origin": origin}, 200, None),
                ("a page of another site",
                 {"Host": "127.0.0.1:%d" % web.port, "Origin": "http://rebound.example"}, 403,
                 "origin"),
                ("a page of no site", {"Host": "127.0.0.1:%d" % web.port, "Origin": "null"}, 403,
                 "origin"),
            ]
            for name, headers, want, code in cases:
                with self.subTest(name):
                    connection = http.client.HTTPConnection("127.0.0.1", web.port, timeout=60)
                    try:
                        connection.putrequest("POST", "/api/search", skip_host=True)
                        body = json.dumps(self.query).encode()
                        for key, value in dict(headers, **{
                                "Content-Type": "application/json",
                                "Content-Length": str(len(body))}).items():
                            connection.putheader(key, value)
                        connection.endheaders(body)
                        response = connection.getresponse()
                        data = response.read()
                    finally:
                        connection.close()
                    self.assertEqual(response.status, want, data[:200])
                    if code:
                        self.assertEqual(json.loads(data)["code"], code)
        finally:
            web.stop()

    def test_wrong_numbers_pause_only_the_visitor_who_sent_them(self):
        # A front of its own, so that no other test's guesses count; its statement server trusts
        # it, as the manual pairs them.
        web = fx.WebServer(self.server.port)
        try:
            wrong = dict(self.query, password="0000")
            for _ in range(10):
                status, _, data = post_from("127.0.0.2", web.port, "/api/search", wrong)
                self.assertEqual(status, 403, data)
            status, headers, data = post_from("127.0.0.2", web.port, "/api/search", self.query)
            self.assertEqual(status, 429, data)
            answer = json.loads(data)
            self.assertEqual(answer["code"], "paused")
            self.assertIn("잠시 후 다시", answer["error"])
            self.assertRegex(answer["error"], r"\d+분 \d+초 남음")
            self.assertTrue(0 < int(headers["Retry-After"]) <= 600)
            self.assertEqual(answer["retryAfter"], int(headers["Retry-After"]))
            # The printed statement is paused as well.
            status, _, _ = post_from("127.0.0.2", web.port, "/api/statement/pdf",
                                     dict(self.query, date=1))
            self.assertEqual(status, 429)
            # Another visitor's right number is right, through the same front.
            status, _, data = post_from("127.0.0.3", web.port, "/api/search", self.query)
            self.assertEqual(status, 200, data)
            self.assertEqual(json.loads(data)["particulars"]["custName"], "(주)한빛유통")
        finally:
            web.stop()

    def test_connections_from_one_address_are_bounded(self):
        web = fx.WebServer(self.server.port, ["--max-connections", "3"])
        try:
            held = [socket.create_connection(("127.0.0.1", web.port), timeout=30) for _ in range(3)]
            # Each held connection is taken in before the next one comes.
            for s in held:
                s.sendall(b"GET /api/nothing HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
                self.assertTrue(s.recv(4096).startswith(b"HTTP/1.1 404"))
            with socket.create_connection(("127.0.0.1", web.port), timeout=30) as extra:
                extra.sendall(b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
                try:
                    refused = extra.recv(4096) == b""
                except ConnectionResetError:
                    refused = True
                self.assertTrue(refused, "a fourth connection was served")
            for s in held:
                # The server closes its side once it has seen ours end, giving the slot back.
                s.shutdown(socket.SHUT_WR)
                self.assertEqual(s.recv(4096), b"")
                s.close()
            status, _, _ = fx.get(web.url + "/api/companies")
            self.assertEqual(status, 200)
        finally:
            web.stop()

    def test_unreachable_statement_server(self):
        web = fx.WebServer(fx.free_port())
        try:
            status, _, data = fx.get(web.url + "/api/companies")
            self.assertEqual(status, 502)
            self.assertEqual(json.loads(data)["code"], "unreachable")
            status, _, data = fx.post(web.url + "/api/search", self.query)
            self.assertEqual(status, 502)
            self.assertIn("연결할 수 없습니다", json.loads(data)["error"])
        finally:
            web.stop()

    def certificate(self):
        if not shutil.which("openssl"):
            self.skipTest("openssl makes the test certificate")
        cert = os.path.join(self.folder.name, "cert.pem")
        key = os.path.join(self.folder.name, "key.pem")
        if not os.path.exists(key):
            subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                            key, "-out", cert, "-days", "2", "-subj", "/CN=127.0.0.1"],
                           check=True, capture_output=True, timeout=120)
        return cert, key

    def test_tls_offers_forward_secret_aead_suites_only(self):
        cert, key = self.certificate()
        web = fx.WebServer(self.server.port, ["--tls-cert", cert, "--tls-key", key])
        try:
            cases = [
                ("ECDHE with AES-GCM", "ECDHE-RSA-AES128-GCM-SHA256", True),
                ("ECDHE with ChaCha20-Poly1305", "ECDHE-RSA-CHACHA20-POLY1305", True),
                ("static RSA key exchange", "AES128-GCM-SHA256", False),
                ("CBC with SHA-1", "ECDHE-RSA-AES128-SHA", False),
            ]
            for name, suite, accepted in cases:
                with self.subTest(name):
                    context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
                    context.load_verify_locations(cert)
                    context.check_hostname = False
                    context.maximum_version = ssl.TLSVersion.TLSv1_2
                    context.set_ciphers(suite)
                    try:
                        with socket.create_connection(("127.0.0.1", web.port), timeout=30) as raw:
                            with context.wrap_socket(raw) as s:
                                shaken = s.cipher()[0] == suite
                    except (ssl.SSLError, ConnectionResetError):
                        shaken = False
                    self.assertEqual(shaken, accepted)
        finally:
            web.stop()

    def test_connections_still_shaking_hands_count_for_their_address(self):
        cert, key = self.certificate()
        web = fx.WebServer(self.server.port, ["--tls-cert", cert, "--tls-key", key,
                                              "--max-connections", "3"])
        try:
            # Connected, and not a byte of a handshake sent.
            held = [socket.create_connection(("127.0.0.1", web.port), timeout=30) for _ in range(3)]
            context = ssl.create_default_context(cafile=cert)
            context.check_hostname = False
            with self.assertRaises(OSError):
                with socket.create_connection(("127.0.0.1", web.port), timeout=30) as raw:
                    with context.wrap_socket(raw) as s:
                        s.sendall(b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
                        if not s.recv(4096):
                            raise ConnectionResetError("closed")
            # Another visitor is served all the while.
            with socket.create_connection(("127.0.0.1", web.port), timeout=30,
                                          source_address=("127.0.0.2", 0)) as raw:
                with context.wrap_socket(raw) as s:
                    s.sendall(b"GET /api/companies HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
                    self.assertTrue(s.recv(4096).startswith(b"HTTP/1.1 200"))
            for s in held:
                s.close()
        finally:
            web.stop()

    def test_the_network_is_not_served_in_clear_unless_asked(self):
        for address in ["0.0.0.0:0", "[::]:0"]:
            with self.subTest(address):
                refused = subprocess.run(
                    [os.environ["MIROLA_PROGRAM"], "web", "--listen", address,
                     "--server", "127.0.0.1:%d" % self.server.port],
                    env=dict(os.environ, **fx.WEB_ENV), capture_output=True, timeout=120)
                self.assertEqual(refused.returncode, 2)
                self.assertIn("--allow-plain-network", refused.stderr.decode())
        allowed = fx.Process([os.environ["MIROLA_PROGRAM"], "web", "--listen", "0.0.0.0:0",
                              "--server", "127.0.0.1:%d" % self.server.port,
                              "--allow-plain-network"], env=fx.WEB_ENV)
        try:
            allowed.wait_for(r"listening on http://0\.0\.0\.0:\d+/")
            self.assertIn("warning: serving without TLS", allowed.output())
        finally:
            allowed.stop()

    def test_tls_when_given_a_certificate(self):
        cert, key = self.certificate()
        web = fx.WebServer(self.server.port, ["--tls-cert", cert, "--tls-key", key])
        try:
            self.assertTrue(web.url.startswith("https://"))
            context = ssl.create_default_context(cafile=cert)
            context.check_hostname = False
            status, _, data = fx.get(web.url + "/api/companies", context=context)
            self.assertEqual(status, 200)
            self.assertIn("50001", data.decode())
            # Plain HTTP gets no page.
            with socket.create_connection(("127.0.0.1", web.port), timeout=30) as s:
                s.sendall(b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
                try:
                    answer = s.recv(4096)
                except ConnectionResetError:
                    answer = b""
                self.assertFalse(answer.startswith(b"HTTP/1.1 200"))
        finally:
            web.stop()


if __name__ == "__main__":
    unittest.main(verbosity=2)
