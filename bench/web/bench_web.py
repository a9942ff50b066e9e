"""Timings of the web page in headless Chromium against `mirola web` and the real statement
server, beside the same exchanges made by `mirola fetch` and `mirola export`.

Rows: from 검색 to the painted dates list; from a click on a trading date to its painted lines;
from 인쇄 to the PDF received, and to every page picture shown; the JSON interface without a
browser; and the headless commands, whole processes, as the peer."""
import argparse
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "web"))
import webfixture as fx  # noqa: E402
import tst_web_page as page  # noqa: E402

# Clicks, waits in the page for a condition and one painted frame after it, and answers the time
# since the click in milliseconds. The page's policy allows no code made from text, so the
# conditions are written out here.
CLICK_AND_TIME = """
const [click, until, done] = arguments;
const ready = {
  dates: () => document.body.dataset.busy === '0' && document.querySelectorAll('#dates tr').length === 2,
  lines: () => document.body.dataset.busy === '0' && document.querySelectorAll('#lines tr').length === 20,
  pdf: () => document.getElementById('pdfLink').href.startsWith('blob:'),
}[until];
const t0 = performance.now();
if (click === 'date2') document.querySelectorAll('#dates tr')[1].click();
else document.getElementById(click).click();
const check = () => ready() ? requestAnimationFrame(() => setTimeout(() => done(performance.now() - t0), 0))
                            : setTimeout(check, 1);
check();
"""


def median_ms(samples):
    return statistics.median(samples), min(samples), max(samples)


def timed_run(args):
    t0 = time.perf_counter()
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   env=dict(os.environ, **fx.WEB_ENV), timeout=120)
    return (time.perf_counter() - t0) * 1000


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--mirola", required=True)
    parser.add_argument("--server", required=True)
    parser.add_argument("--repetitions", type=int, default=15)
    args, _ = parser.parse_known_args()
    os.environ["MIROLA_PROGRAM"] = args.mirola
    os.environ["MIROLA_SERVER_PROGRAM"] = args.server
    n = args.repetitions

    demo = fx.Demo()
    folder, server, web, year, month = demo.folder, demo.server, demo.web, demo.year, demo.month
    driver = page.browser(os.path.join(folder.name, "profile"))
    rows = {}
    try:
        driver.get(web.url + "/")
        driver.execute_script("window.open = () => null;")  # the PDF stays in the page's link
        while driver.execute_script("return document.body.dataset.ready") != "1":
            time.sleep(0.01)
        driver.execute_script("""
            document.getElementById('company').value = '50001';
            document.getElementById('password').value = '1234';
            document.getElementById('year').value = arguments[0];
            document.getElementById('from').value = arguments[1];
            document.getElementById('to').value = arguments[1];""", str(year), str(month))
        search, pick, pdf, pictures = [], [], [], []
        for _ in range(n):
            driver.find_element("id", "clear").click()
            search.append(driver.execute_async_script(CLICK_AND_TIME, "search", "dates"))
            # The second date: twenty lines, two printed pages.
            pick.append(driver.execute_async_script(CLICK_AND_TIME, "date2", "lines"))
            driver.execute_script("delete document.body.dataset.printed;")
            pdf.append(driver.execute_async_script(CLICK_AND_TIME, "print", "pdf"))
            while driver.execute_script("return document.body.dataset.printed") != "2":
                time.sleep(0.005)
            pictures.append(driver.execute_script(
                "const e = performance.getEntriesByType('resource').filter(e => e.name.endsWith('/api/statement/png'));"
                "const p = performance.getEntriesByType('resource').filter(e => e.name.endsWith('/api/statement/pdf'));"
                "return e[e.length - 1].responseEnd - p[p.length - 1].startTime;"))
        rows["page: 검색 → dates list painted (2 dates, 1 line)"] = search
        rows["page: click on date 2 → 20 lines painted"] = pick
        rows["page: 인쇄 → PDF received (2 pages, 75 KB)"] = pdf
        rows["page: 인쇄 → both page pictures received"] = pictures

        query = {"company": "50001", "password": "1234", "year": year, "from": month, "to": month}
        api_search, api_pdf = [], []
        for _ in range(n):
            t0 = time.perf_counter()
            status, _, _ = fx.post(web.url + "/api/search", query)
            api_search.append((time.perf_counter() - t0) * 1000)
            t0 = time.perf_counter()
            status, _, _ = fx.post(web.url + "/api/statement/pdf", dict(query, date=2))
            api_pdf.append((time.perf_counter() - t0) * 1000)
            assert status == 200
        rows["JSON interface: POST /api/search"] = api_search
        rows["JSON interface: POST /api/statement/pdf (date 2)"] = api_pdf

        common = ["--server", "127.0.0.1:%d" % server.port, "--company", "50001", "--password",
                  "1234", "--year", str(year), "--from", str(month), "--to", str(month)]
        out = os.path.join(folder.name, "export.pdf")
        rows["peer: mirola fetch (process: company list + search)"] = [
            timed_run([args.mirola, "fetch"] + common) for _ in range(n)]
        rows["peer: mirola export --date 2 --out F.pdf (process)"] = [
            timed_run([args.mirola, "export"] + common + ["--date", "2", "--out", out]) for _ in range(n)]
    finally:
        driver.quit()
        demo.stop()

    print("| Measurement | Median | Min | Max |")
    print("|---|---|---|---|")
    for name, samples in rows.items():
        med, lo, hi = median_ms(samples)
        print("| %s | %.1f ms | %.1f ms | %.1f ms |" % (name, med, lo, hi))
    print("(%d repetitions each)" % n)


if __name__ == "__main__":
    main()
