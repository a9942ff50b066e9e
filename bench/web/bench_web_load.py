"""Load on `mirola web` from many visitors at once, beside a peer front (another build of the
program, given with --peer) measured in the same run against the same statement server.

Rows: searches of 50 visitors from 50 addresses, each over a connection of its own, for a few
seconds: searches a second, median and 99th-percentile answer times; the same while searches of
another company hang at the statement server (held by a relay in between that never answers
them); PDFs a second with one visitor printing and with one a core, each print a new one (every
request comes from an address of its own, so no print is answered from the page store)."""
import argparse
import http.client
import json
import os
import statistics
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "web"))
import webfixture as fx  # noqa: E402
from tst_web_concurrency import HUNG_COMPANY, HangingProxy  # noqa: E402


def visitor_address(n):
    """A loopback address of its own for visitor n: 127.0.x.y."""
    return "127.0.%d.%d" % (1 + n // 250, 1 + n % 250)


def run_visitors(port, count, seconds, path, body_of, first_address=0):
    """Each visitor sends `path` over its own keep-alive connection until the time is up.
    Answers (status, milliseconds) of all."""
    stop = time.perf_counter() + seconds
    results = []
    lock = threading.Lock()

    def visitor(n):
        mine = []
        connection = None
        i = 0
        while time.perf_counter() < stop:
            source = body_of(n, i)
            address, body = source
            if connection is None or connection.source_address[0] != address:
                if connection:
                    connection.close()
                connection = http.client.HTTPConnection("127.0.0.1", port, timeout=120,
                                                        source_address=(address, 0))
            t0 = time.perf_counter()
            try:
                connection.request("POST", path, json.dumps(body),
                                   {"Content-Type": "application/json"})
                response = connection.getresponse()
                response.read()
                mine.append((response.status, (time.perf_counter() - t0) * 1000))
            except (OSError, http.client.HTTPException):
                mine.append((0, (time.perf_counter() - t0) * 1000))
                connection.close()
                connection = None
            i += 1
        if connection:
            connection.close()
        with lock:
            results.extend(mine)

    threads = [threading.Thread(target=visitor, args=(first_address + n,)) for n in range(count)]
    t0 = time.perf_counter()
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    return results, time.perf_counter() - t0


def summary(results, elapsed):
    ok = sorted(ms for status, ms in results if status == 200)
    if not ok:
        return "no answer", "-", "-", str(len(results))
    p99 = ok[min(len(ok) - 1, int(len(ok) * 0.99))]
    return ("%.1f/s" % (len(ok) / elapsed), "%.1f ms" % statistics.median(ok), "%.1f ms" % p99,
            str(len(results) - len(ok)))


def hang(port, count):
    """`count` searches that the relay holds; their threads end when the front gives up."""
    def one():
        try:
            fx.post("http://127.0.0.1:%d/api/search" % port,
                    {"company": HUNG_COMPANY, "password": "1234", "year": 2024, "from": 1,
                     "to": 1}, timeout=120)
        except OSError:
            pass
    for _ in range(count):
        threading.Thread(target=one, daemon=True).start()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--mirola", required=True)
    parser.add_argument("--server", required=True)
    parser.add_argument("--peer", help="another build's mirola, measured beside")
    parser.add_argument("--seconds", type=float, default=5)
    parser.add_argument("--visitors", type=int, default=50)
    parser.add_argument("--hung", type=int, default=4)
    args, _ = parser.parse_known_args()
    os.environ["MIROLA_PROGRAM"] = args.mirola
    os.environ["MIROLA_SERVER_PROGRAM"] = args.server
    year, month = fx.this_month()
    query = {"company": "50001", "password": "1234", "year": year, "from": month, "to": month}
    cores = os.cpu_count() or 1

    folder = fx.temporary_folder()
    server = fx.StatementServer(folder.name)
    proxy = HangingProxy(server.port)
    fronts = [("this build", args.mirola)] + ([("peer", args.peer)] if args.peer else [])
    rows = []
    next_address = 0
    try:
        def search(n, i):
            return visitor_address(n), query

        for name, program in fronts:
            os.environ["MIROLA_PROGRAM"] = program
            # Straight to the statement server first: the relay in between costs time of its own.
            web = fx.WebServer(server.port)
            try:
                results, elapsed = run_visitors(web.port, args.visitors, args.seconds,
                                                "/api/search", search)
                rows.append((name, "%d visitors, %d addresses: POST /api/search, no relay" %
                             (args.visitors, args.visitors)) + summary(results, elapsed))
            finally:
                web.stop()
            web = fx.WebServer(proxy.port)
            try:
                results, elapsed = run_visitors(web.port, args.visitors, args.seconds,
                                                "/api/search", search)
                rows.append((name, "the same through the relay") + summary(results, elapsed))
                hang(web.port, args.hung)
                proxy.wait_for_held(len(proxy.held) + args.hung)
                results, elapsed = run_visitors(web.port, args.visitors, args.seconds,
                                                "/api/search", search)
                rows.append((name, "the same through the relay, %d search(es) hung there" %
                             args.hung) + summary(results, elapsed))
                for printers in sorted({1, cores}):
                    def pdf(n, i):
                        nonlocal next_address
                        next_address += 1
                        return visitor_address(1000 + next_address), dict(query, date=2)
                    results, elapsed = run_visitors(web.port, printers, args.seconds,
                                                    "/api/statement/pdf", pdf)
                    rows.append((name, "%d visitor(s) printing: POST /api/statement/pdf, 2 pages,"
                                 " each a new print" % printers) + summary(results, elapsed))
            finally:
                web.stop()
    finally:
        proxy.stop()
        server.stop()
        folder.cleanup()

    print("| Front | Measurement | Rate | Median | p99 | Failed |")
    print("|---|---|---|---|---|---|")
    for row in rows:
        print("| %s |" % " | ".join(row))
    print("(%.0f s each, %d cores)" % (args.seconds, cores))


if __name__ == "__main__":
    main()
