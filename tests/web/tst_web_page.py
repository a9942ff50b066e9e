"""The page in a real browser: headless Chromium driven by WebDriver against `mirola web` and the
real statement server. Search, pick a date, lines and totals, print, and the messages of a
wrong security number and of a statement server that cannot be reached."""
import base64
import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import webfixture as fx  # noqa: E402

CHROMIUM = shutil.which("chromium") or "/usr/bin/chromium"
CHROMEDRIVER = shutil.which("chromedriver") or "/usr/bin/chromedriver"
SKIP = 77  # ctest's SKIP_RETURN_CODE

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import Select, WebDriverWait
except ImportError:
    webdriver = None

WAIT_S = 60


def browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--disable-dev-shm-usage", "--user-data-dir=" + profile, "--window-size=1280,900",
                 "--lang=ko-KR"]:
        options.add_argument(flag)
    return webdriver.Chrome(service=Service(executable_path=CHROMEDRIVER), options=options)


class PageTest(fx.DemoTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.driver = browser(os.path.join(cls.folder.name, "profile"))

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        super().tearDownClass()

    # --- helpers -------------------------------------------------------------------------------

    def until(self, condition, what):
        return WebDriverWait(self.driver, WAIT_S).until(lambda d: condition(), what)

    def by_id(self, element_id):
        return self.driver.find_element(By.ID, element_id)

    def idle(self):
        return self.driver.execute_script("return document.body.dataset.busy") == "0"

    def open_page(self, url):
        self.driver.get(url + "/")
        self.until(lambda: self.driver.execute_script("return document.body.dataset.ready") == "1",
                   "the company list to load")

    def text(self, element_id):
        return self.by_id(element_id).text

    def rows(self, body_id):
        return self.driver.find_elements(By.CSS_SELECTOR, "#%s tr" % body_id)

    def line_cells(self):
        return [[td.text for td in tr.find_elements(By.TAG_NAME, "td")] for tr in self.rows("lines")]

    def search(self, password, enter_in="password"):
        Select(self.by_id("company")).select_by_value(fx.COMPANY)
        for field, value in [("year", self.year), ("from", self.month), ("to", self.month),
                             ("password", password)]:
            self.by_id(field).clear()
            self.by_id(field).send_keys(str(value))
        # Enter anywhere in the query line searches.
        self.by_id(enter_in).send_keys(Keys.ENTER)
        self.until(lambda: self.idle() and (self.rows("dates") or self.text("message")),
                   "the search to end")

    def wait_for_lines(self, count):
        self.until(lambda: self.idle() and len(self.rows("lines")) == count,
                   "%d statement lines" % count)

    def check_totals(self):
        lines = self.line_cells()
        amount = sum(int(l[5]) for l in lines)
        tax = sum(int(l[6]) for l in lines)
        self.assertEqual(self.text("totAmt"), str(amount))
        self.assertEqual(self.text("totTax"), str(tax))
        self.assertEqual(self.text("totAmTax"), str(amount + tax))
        self.assertEqual(self.text("totCount"), str(len(lines)))

    def screenshot(self, name, width, height):
        folder = os.environ.get("MIROLA_SHOTS_DIR")
        if not folder:
            return
        os.makedirs(folder, exist_ok=True)
        self.driver.set_window_size(width, height)
        # The whole page, however long, in one picture.
        full = self.driver.execute_script("return document.documentElement.scrollHeight")
        self.driver.set_window_size(width, max(height, full + 140))
        self.driver.save_screenshot(os.path.join(folder, name))
        self.driver.set_window_size(1280, 900)

    # --- tests ---------------------------------------------------------------------------------

    def test_1_search_pick_a_date_and_print(self):
        self.open_page(self.web.url)
        options = [o.text for o in Select(self.by_id("company")).options]
        self.assertEqual(options[0].strip(), "업체를 선택하세요!")
        self.assertIn("50001 (주)한빛유통", options)
        self.assertEqual(self.driver.switch_to.active_element, self.by_id("company"))

        self.search(fx.PASSWORD)
        self.assertEqual(self.text("message"), "")
        self.assertEqual(len(self.rows("dates")), 2)
        self.assertEqual(self.text("custName"), "(주)한빛유통")
        self.assertEqual(self.text("registration"), "123-81-45678")
        self.assertEqual(self.text("address"), "서울특별시 강남구 테헤란로 152, 7층")
        self.wait_for_lines(1)
        self.check_totals()
        first = self.rows("dates")[0]
        self.assertEqual(first.get_attribute("aria-selected"), "true")
        # The focus is on the selected date, ready for the arrow keys.
        self.assertEqual(self.driver.switch_to.active_element, first)

        # A click on the second date brings its twenty lines.
        self.rows("dates")[1].click()
        self.wait_for_lines(20)
        self.check_totals()
        self.assertEqual(self.rows("dates")[1].get_attribute("aria-selected"), "true")
        # The arrow keys move between the dates as the viewer's grid does.
        self.driver.switch_to.active_element.send_keys(Keys.ARROW_UP)
        self.wait_for_lines(1)
        self.driver.switch_to.active_element.send_keys(Keys.ARROW_DOWN)
        self.wait_for_lines(20)
        self.check_totals()
        items = [l[0] for l in self.line_cells()]

        self.by_id("print").click()
        self.until(lambda: self.idle() and self.driver.execute_script(
            "return document.body.dataset.printed") is not None, "the printed statement")
        self.assertEqual(self.text("message"), "")
        images = self.driver.find_elements(By.CSS_SELECTOR, "#pageImages img")
        self.assertEqual(len(images), 2)
        self.until(lambda: all(self.driver.execute_script(
            "return arguments[0].complete && arguments[0].naturalWidth", i) for i in images),
            "the page pictures")
        self.assertEqual(self.driver.execute_script("return arguments[0].naturalWidth", images[0]), 794)

        # The PDF the page holds, as the browser received it.
        encoded = self.driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            fetch(document.getElementById('pdfLink').href).then(r => r.arrayBuffer()).then(b => {
              let s = ''; const bytes = new Uint8Array(b);
              for (let i = 0; i < bytes.length; i += 8192) s += String.fromCharCode(...bytes.subarray(i, i + 8192));
              done(btoa(s));
            }).catch(e => done('error ' + e));""")
        self.assertFalse(encoded.startswith("error"), encoded)
        pdf = base64.b64decode(encoded)
        path = os.path.join(self.folder.name, "page.pdf")
        with open(path, "wb") as f:
            f.write(pdf)
        self.assertEqual(fx.pdf_pages(path), 2)
        page1 = fx.pdf_page_text(path, 1)
        page2 = fx.pdf_page_text(path, 2)
        for text in ["거래명세서", "(주)한빛유통", "123-81-45678", items[0], items[12], "세금계산서",
                     "건수:20건"]:
            self.assertIn(fx.compact(text), page1)
        self.assertIn(fx.compact(items[13]), page2)
        self.assertIn(fx.compact(items[19]), page2)
        self.assertNotIn("세금계산서", page2)
        # The very page the export writes.
        exported = fx.export_pdf(self.server.port, os.path.join(self.folder.name, "export.pdf"),
                                 self.year, self.month, self.month, 2)
        self.assertEqual(fx.without_creation_date(pdf), fx.without_creation_date(exported))

        # The security number went in request bodies only.
        urls = self.driver.execute_script(
            "return performance.getEntriesByType('resource').map(e => e.name)")
        self.assertTrue(any("/api/search" in u for u in urls))
        self.assertFalse([u for u in urls if fx.PASSWORD in u.split("127.0.0.1:")[-1].split("/", 1)[-1]])
        self.assertNotIn(fx.PASSWORD, self.driver.current_url)

        self.screenshot("desktop.png", 1280, 900)
        self.screenshot("phone.png", 390, 844)

    def test_2_wrong_security_number(self):
        self.open_page(self.web.url)
        self.search("0000", enter_in="company")
        self.assertEqual(self.text("message"), "업체 정보를 찾을 수 없습니다. 보안번호를 확인해 주세요.")
        self.assertEqual(self.rows("dates"), [])
        self.assertEqual(self.text("custName"), "")
        self.assertFalse(self.by_id("print").is_enabled())
        self.screenshot("wrong-password.png", 390, 844)

    def test_3_no_company_chosen(self):
        self.open_page(self.web.url)
        self.by_id("search").click()
        self.assertEqual(self.text("message"), "업체를 선택해 주세요!!!")

    def test_4_unreachable_statement_server(self):
        # A server of its own, on a database of its own, to stop halfway.
        own = os.path.join(self.folder.name, "second")
        os.makedirs(own, exist_ok=True)
        server = fx.StatementServer(own)
        web = fx.WebServer(server.port)
        try:
            self.open_page(web.url)
            server.stop()
            self.search(fx.PASSWORD)
            self.assertEqual(self.text("message"), "거래명세서 서버에 연결할 수 없습니다. (Disconnect)")
            self.assertEqual(self.text("status"), "Disconnect")
            self.assertEqual(self.rows("dates"), [])
            # A page opened while the server is away says so at once.
            self.open_page(web.url)
            self.assertEqual(self.text("message"), "거래명세서 서버에 연결할 수 없습니다. (Disconnect)")
            self.screenshot("unreachable.png", 1280, 900)
        finally:
            web.stop()
            server.stop()


if __name__ == "__main__":
    if webdriver is None or not (os.path.exists(CHROMIUM) and os.path.exists(CHROMEDRIVER)):
        print("skipped: headless Chromium with its WebDriver is not installed")
        sys.exit(SKIP)
    unittest.main(verbosity=2)
