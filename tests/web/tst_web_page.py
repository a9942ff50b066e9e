"""The page in a real browser: headless Chromium driven by WebDriver against `mirola web` and the
real statement server. Search, pick a date, lines and totals, print, and the messages of a
wrong security number and of a statement server that cannot be reached; the accessibility rules
of axe-core, a keyboard walk, and the layout on a phone's screen."""
import base64
import contextlib
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
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import Select, WebDriverWait
except ImportError:
    webdriver = None

WAIT_S = 60
AXE_SCRIPT = os.environ.get("MIROLA_AXE_SCRIPT", "")
PHONE = {"width": 390, "height": 844, "deviceScaleFactor": 1, "mobile": True}

# The focused element's outline and the colours it is drawn against. A ring inside the element
# (negative offset) lies on the element's own background; one outside it borders both.
FOCUS_RING_JS = """
const luminance = (c) => {
  const [r, g, b] = c.match(/[\\d.]+/g).slice(0, 3).map((v) => {
    v = Number(v) / 255;
    return v <= 0.03928 ? v / 12.92 : Math.pow((v + 0.055) / 1.055, 2.4);
  });
  return 0.2126 * r + 0.7152 * g + 0.0722 * b;
};
const ratio = (a, b) => {
  const [x, y] = [luminance(a), luminance(b)].sort((p, q) => q - p);
  return (x + 0.05) / (y + 0.05);
};
const background = (el) => {
  for (let e = el; e; e = e.parentElement) {
    const c = getComputedStyle(e).backgroundColor, m = c.match(/[\\d.]+/g);
    if (m && (m.length < 4 || Number(m[3]) > 0)) return c;
  }
  return "rgb(255, 255, 255)";
};
const el = document.activeElement, style = getComputedStyle(el);
const against = [background(el)];
if (parseFloat(style.outlineOffset) >= 0) against.push(background(el.parentElement));
return { what: el.id || el.tagName + ":" + el.textContent.trim().slice(0, 20),
         style: style.outlineStyle, width: parseFloat(style.outlineWidth),
         contrast: Math.min(...against.map((c) => ratio(style.outlineColor, c))) };
"""


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
    emulated = None

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

    def print_statement(self, pages):
        self.until(lambda: self.idle() and self.driver.execute_script(
            "return document.body.dataset.printed") is not None, "the printed statement")
        images = self.driver.find_elements(By.CSS_SELECTOR, "#pageImages img")
        self.assertEqual(len(images), pages)
        self.until(lambda: all(self.driver.execute_script(
            "return arguments[0].complete && arguments[0].naturalWidth", i) for i in images),
            "the page pictures")
        return images

    def emulate(self, metrics):
        if metrics:
            self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", metrics)
        else:
            self.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})

    @contextlib.contextmanager
    def phone(self):
        """The page as a phone of 390 x 844 CSS pixels shows it."""
        self.emulated = PHONE
        self.emulate(PHONE)
        try:
            yield
        finally:
            self.emulated = None
            self.emulate(None)

    def screenshot(self, name, width, height):
        folder = os.environ.get("MIROLA_SHOTS_DIR")
        if not folder:
            return
        os.makedirs(folder, exist_ok=True)
        # The whole page, however long, in one picture.
        metrics = {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": width < 720}
        self.emulate(metrics)
        full = self.driver.execute_script("return document.documentElement.scrollHeight")
        self.emulate(dict(metrics, height=max(height, full)))
        self.driver.save_screenshot(os.path.join(folder, name))
        self.emulate(self.emulated)

    def axe_violations(self):
        """What axe-core's rules (WCAG 2 A and AA, best practices) find on the page as it is."""
        if not self.driver.execute_script("return typeof axe !== 'undefined'"):
            with open(AXE_SCRIPT, encoding="utf-8") as f:
                self.driver.execute_script(f.read())
        result = self.driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            axe.run(document, { resultTypes: ["violations"] })
              .then((r) => done(r.violations.map((v) => v.id + ": " + v.help + " " +
                                JSON.stringify(v.nodes.map((n) => n.target)))))
              .catch((e) => done(["axe failed: " + e]));""")
        return result

    def assert_no_axe_violation(self, when):
        self.assertEqual(self.axe_violations(), [], when)

    def focus_ring(self):
        return self.driver.execute_script(FOCUS_RING_JS)

    def assert_focus_visible(self):
        ring = self.focus_ring()
        self.assertNotEqual(ring["style"], "none", ring)
        self.assertGreaterEqual(ring["width"], 2, ring)
        # The contrast a focus indicator needs against what it is drawn on.
        self.assertGreaterEqual(ring["contrast"], 3, ring)

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
        images = self.print_statement(2)
        self.assertEqual(self.text("message"), "")
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
            # A page opened while the server is away says so at once, and that it will ask again.
            self.open_page(web.url)
            self.assertEqual(self.text("message"), "거래명세서 서버에 연결할 수 없습니다. (Disconnect)")
            self.assertRegex(self.text("status"), r"^업체 목록을 받지 못했습니다\. \d+초 뒤에 다시 받습니다\.$")
            self.screenshot("unreachable.png", 1280, 900)
            # The server comes back where it was: the list fills without a reload.
            server = fx.StatementServer(own, port=server.port)
            self.until(lambda: self.driver.execute_script("return document.body.dataset.companies"),
                       "the company list after the server's return")
            self.assertIn("50001 (주)한빛유통", [o.text for o in Select(self.by_id("company")).options])
            self.assertEqual(self.text("message"), "")
            self.search(fx.PASSWORD)
            self.assertEqual(len(self.rows("dates")), 2)
        finally:
            web.stop()
            server.stop()

    def test_5_accessibility_rules(self):
        if not os.path.exists(AXE_SCRIPT):
            self.fail("axe-core is not installed (%r): run scripts/setup" % AXE_SCRIPT)
        self.open_page(self.web.url)
        self.assert_no_axe_violation("the page as it opens")
        with self.phone():
            self.assert_no_axe_violation("the page as it opens on a phone")
        self.search(fx.PASSWORD)
        self.rows("dates")[1].click()
        self.wait_for_lines(20)
        self.assert_no_axe_violation("a statement shown")
        self.by_id("print").click()
        self.print_statement(2)
        self.assert_no_axe_violation("a statement printed")
        with self.phone():
            self.assert_no_axe_violation("a statement printed, on a phone")

        # The dates keep their table: headers, rows and cells, each row selectable.
        dates = self.driver.find_element(By.CSS_SELECTOR, "section.dates table")
        self.assertIn(dates.aria_role, ["table", "grid"])
        self.assertEqual(dates.accessible_name, "거래일자")
        first = self.rows("dates")[0]
        self.assertEqual(first.aria_role, "row")
        self.assertEqual([td.aria_role for td in first.find_elements(By.TAG_NAME, "td")],
                         ["gridcell" if dates.aria_role == "grid" else "cell"] * 2)
        self.assertEqual(self.driver.find_element(By.TAG_NAME, "main").aria_role, "main")
        # Every control has a name a screen reader can say.
        names = {}
        controls = "input, select, button, a[href], output"
        for el in self.driver.find_elements(By.CSS_SELECTOR, controls):
            names[el.get_attribute("id") or el.text] = el.accessible_name
        for field, word in [("year", "년도"), ("from", "시작 월"), ("to", "끝 월"), ("company", "거래업체"),
                            ("password", "보안번호"), ("totAmt", "공급가액")]:
            self.assertIn(word, names[field])
        self.assertFalse([k for k, v in names.items() if not v.strip()], names)

    def test_6_keyboard_walk(self):
        """Tab from the top of the page through every control: each shows where the focus is."""
        self.open_page(self.web.url)
        self.search(fx.PASSWORD)
        self.wait_for_lines(1)
        # The selected date, focused after the search, shows its focus against its own colour.
        self.assertEqual(self.driver.switch_to.active_element, self.rows("dates")[0])
        self.assert_focus_visible()

        # 인쇄 from the keyboard: the focus comes back to it, not to the page.
        self.driver.execute_script("document.getElementById('print').focus()")
        self.driver.switch_to.active_element.send_keys(Keys.ENTER)
        self.print_statement(1)
        self.assertEqual(self.driver.switch_to.active_element, self.by_id("print"))
        # A failed search leaves the focus on a control, too.
        self.driver.execute_script("document.getElementById('search').focus()")
        self.by_id("password").clear()
        self.by_id("password").send_keys("0000")
        self.by_id("search").send_keys(Keys.ENTER)
        self.until(lambda: self.idle() and self.text("message"), "the refused search")
        self.assertNotEqual(self.driver.switch_to.active_element.tag_name, "body")
        self.search(fx.PASSWORD)
        self.by_id("print").click()
        self.print_statement(1)

        # A click on the heading starts the walk at the top, as a reader's would.
        ActionChains(self.driver).click(self.driver.find_element(By.TAG_NAME, "h1")).perform()
        seen = []
        for _ in range(40):
            self.driver.switch_to.active_element.send_keys(Keys.TAB)
            el = self.driver.switch_to.active_element
            if el.tag_name == "body" or el in [e for e, _ in seen]:
                break
            self.assert_focus_visible()
            seen.append((el, el.get_attribute("id") or el.tag_name))
        order = [name for _, name in seen]
        for expected in ["year", "from", "to", "company", "password", "search", "print", "clear",
                         "pdfLink"]:
            self.assertIn(expected, order)
        self.assertIn("tr", order)  # the selected date: one stop for the whole table

    def test_7_phone_layout(self):
        self.open_page(self.web.url)
        self.search(fx.PASSWORD)
        self.rows("dates")[1].click()
        self.wait_for_lines(20)
        with self.phone():
            self.assertEqual(self.driver.execute_script("return window.innerWidth"), 390)
            # Nothing needs scrolling sideways, and every figure of every line shows whole.
            self.assertLessEqual(self.driver.execute_script(
                "return document.documentElement.scrollWidth"), 390)
            clipped = self.driver.execute_script("""
                const out = [];
                for (const el of document.querySelectorAll('#lines td, .totals output, .particulars dd')) {
                  const r = el.getBoundingClientRect();
                  let box = el.parentElement;
                  while (box && getComputedStyle(box).overflowX === 'visible')
                    box = box.parentElement;
                  const b = box ? box.getBoundingClientRect() : { left: 0, right: innerWidth };
                  const left = Math.max(0, b.left), right = Math.min(innerWidth, b.right);
                  if (r.width === 0 || r.left < left - 0.5 || r.right > right + 0.5
                      || el.scrollWidth > el.clientWidth + 1)
                    out.push(el.id || el.textContent);
                }
                return out;""")
            self.assertEqual(clipped, [])
            # Each figure is told with its column's name, as the header row is out of sight.
            labels = self.driver.execute_script("""
                return Array.from(document.querySelectorAll('#lines tr:first-child td'),
                                  (td) => getComputedStyle(td, '::before').content);""")
            for label, caption in zip(labels[2:], ["수량", "단위", "단가", "공급가액", "부가세액"]):
                self.assertIn('"%s"' % caption, label)
            # The cards are still a table's rows and cells to a screen reader.
            first = self.rows("lines")[0]
            self.assertEqual(first.aria_role, "row")
            self.assertEqual({td.aria_role for td in first.find_elements(By.TAG_NAME, "td")}, {"cell"})

            self.by_id("print").click()
            images = self.print_statement(2)
            # The page picture fits the screen and shows at its own size when asked for.
            self.assertLessEqual(images[0].rect["width"], 390)
            zoom = self.driver.find_elements(By.CSS_SELECTOR, "#pageImages button")[0]
            self.assertEqual(zoom.get_attribute("aria-pressed"), "false")
            zoom.click()
            self.assertEqual(zoom.get_attribute("aria-pressed"), "true")
            self.assertEqual(self.driver.execute_script(
                "return arguments[0].clientWidth", images[0]), 794)
            self.assertLessEqual(self.driver.execute_script(
                "return document.documentElement.scrollWidth"), 390)
            self.screenshot("phone-zoomed.png", 390, 844)
            zoom.click()
            self.assertLessEqual(images[0].rect["width"], 390)


if __name__ == "__main__":
    if webdriver is None or not (os.path.exists(CHROMIUM) and os.path.exists(CHROMEDRIVER)):
        print("skipped: headless Chromium with its WebDriver is not installed")
        sys.exit(SKIP)
    unittest.main(verbosity=2)
