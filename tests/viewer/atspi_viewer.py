#!/usr/bin/python3
"""The viewer as a screen reader meets it, read over AT-SPI.

Run inside tests/support/in-a11y-session with the paths of mirola and mirola-server. It starts the
server on a demo database and the viewer against it, then reads the viewer's accessible tree:
every field is named by its label, 검색 is a push button pressed through its action, the status
line is a status bar that tells its new texts, the trading dates and the lines are tables whose
headers and cells say what the screen shows, and the arrow keys move through the dates with each
new cell told. Then 인쇄 opens the preview, whose buttons, page and zoom are named, whose page says
which statement and which page it is, and whose buttons are pressed through their actions.
"""
import os
import re
import subprocess
import sys
import tempfile

import pyatspi
from gi.repository import GLib

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what, flush=True)


# What the viewer tells the bus about its tree; waiting wakes on each of these.
TREE_EVENTS = ["object:children-changed", "object:state-changed", "object:property-change",
               "object:text-changed", "object:row-inserted", "object:row-deleted",
               "object:model-changed", "object:selection-changed", "focus:"]


def wait_for(what, condition, timeout=30.0):
    """Runs the bus's events until `condition` holds, or fails after `timeout` seconds."""
    context = GLib.MainContext.default()
    expired = []
    deadline = GLib.timeout_add(int(timeout * 1000), lambda: expired.append(True) or False)
    # Not every change of a cell's text comes as an event: look again at least this often.
    backstop = GLib.timeout_add(250, lambda: True)
    ignore = lambda event: None
    for kind in TREE_EVENTS:
        pyatspi.Registry.registerEventListener(ignore, kind)
    try:
        while not expired:
            try:
                value = condition()
            except Exception:  # the tree changes under us while it is read
                value = None
            if value:
                return value
            context.iteration(True)
    finally:
        for kind in TREE_EVENTS:
            pyatspi.Registry.deregisterEventListener(ignore, kind)
        GLib.source_remove(backstop)
        if not expired:
            GLib.source_remove(deadline)
    raise SystemExit("FAIL: timed out waiting for " + what)


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def find_all(root, role=None, name=None):
    return [n for n in walk(root)
            if (role is None or n.getRole() == role) and (name is None or n.name == name)]


class Heard:
    """What the viewer tells the bus of one kind of event, as (role, name, detail) triples."""

    def __init__(self, kind):
        self.events = []
        self.kind = kind
        pyatspi.Registry.registerEventListener(self.hear, kind)

    def hear(self, event):
        try:
            self.events.append((event.source.getRole(), event.source.name, event.detail1))
        except Exception:  # a source gone before it was read
            pass

    def close(self):
        pyatspi.Registry.deregisterEventListener(self.hear, self.kind)


def press(node):
    actions = node.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    check("Press" in names, repr(node.name) + " has a Press action")
    if "Press" in names:
        actions.doAction(names.index("Press"))


# Keys as the bus's registry types them (X key symbols).
KEY_UP, KEY_DOWN, KEY_HOME = 0xff52, 0xff54, 0xff50
# The rows of a statement that one printed page carries.
LINES_PER_PAGE = 13


def labels_of(node):
    return [target.name for relation in node.getRelationSet()
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
            for target in (relation.getTarget(i) for i in range(relation.getNTargets()))]


def main():
    mirola, server_program = sys.argv[1], sys.argv[2]
    folder = tempfile.mkdtemp()
    server = subprocess.Popen(
        [server_program, "--listen", "127.0.0.1:0", "--db", "sqlite:" + folder + "/demo.sqlite"],
        stderr=subprocess.PIPE, text=True)
    viewer = None
    try:
        line = server.stderr.readline()
        port = re.search(r"127\.0\.0\.1:(\d+)", line)
        if not port:
            raise SystemExit("FAIL: the server did not start: " + line)
        viewer = subprocess.Popen([mirola, "--server", "127.0.0.1:" + port.group(1)])
        desktop = pyatspi.Registry.getDesktop(0)
        app = wait_for("the viewer's window", lambda: next(
            (a for a in desktop if a is not None and a.name == "mirola"), None))
        # The company box shows its choice as its name and is labelled by its label; the list
        # comes in after the start-up timer.
        combo = wait_for("the company list", lambda: next(
            (c for c in find_all(app, pyatspi.ROLE_COMBO_BOX)
             if "거래업체" in labels_of(c) and len(find_all(c, pyatspi.ROLE_LIST_ITEM)) > 1),
            None))

        names = {n.name for n in find_all(app, pyatspi.ROLE_TEXT) +
                 find_all(app, pyatspi.ROLE_PASSWORD_TEXT)}
        for field in ["보안번호", "거래 연도", "시작 월", "끝 월", "사업자번호", "상호", "대표자성명",
                      "주소", "업태", "업종", "합계 금액", "건수"]:
            check(field in names, "a field named " + field + " (named: " + ", ".join(sorted(names)) + ")")

        search = find_all(app, pyatspi.ROLE_PUSH_BUTTON, "검색")
        check(len(search) == 1, "one push button named 검색")
        status = find_all(app, pyatspi.ROLE_STATUS_BAR)
        check(len(status) == 1, "one status bar")
        renamed = Heard("object:property-change:accessible-name")

        # The demo company and its number, typed into their fields.
        company = next(n for n in walk(combo) if n.getRole() == pyatspi.ROLE_TEXT)
        company.queryEditableText().setTextContents("50001")
        password = find_all(app, pyatspi.ROLE_PASSWORD_TEXT, "보안번호")[0]
        password.queryEditableText().setTextContents("1234")
        press(search[0])

        tables = wait_for("the trading dates", lambda: [
            t for t in find_all(app, pyatspi.ROLE_TABLE) if t.queryTable().nRows > 0])
        dates = tables[0].queryTable()
        check(dates.nColumns == 2, "the dates table has 2 columns")
        check(dates.getColumnHeader(0).name == "거래일자",
              "the dates table's first header is 거래일자")
        first = dates.getAccessibleAt(0, 0).name
        check(re.fullmatch(r"\d{4}-\d\d-\d\d", first or "") is not None,
              "the first cell shows a date, not " + repr(first))
        check(dates.nRows >= 2, "the demo month has at least two statements")
        lines = wait_for("the statement lines", lambda: [
            t for t in find_all(app, pyatspi.ROLE_TABLE) if t != tables[0] and t.queryTable().nRows > 0])
        header = lines[0].queryTable().getColumnHeader(0).name
        check(header == "거래품목", "the lines table's first header is 거래품목, not " + header)
        idle = lambda: search[0].getState().contains(pyatspi.STATE_SENSITIVE)
        wait_for("the search's end", idle)
        # The status line told each step of the exchange, and says how it ended.
        told = [name for role, name, _ in renamed.events if role == pyatspi.ROLE_STATUS_BAR]
        renamed.close()
        check(len(told) >= 2, "the status line told its changes, not only " + repr(told))
        check(status[0].name.startswith("받기 끝"), "the status line says the search ended: " +
              repr(status[0].name))

        # Choosing a date through the table, as a screen reader's user does, shows its lines
        # (the demo month's two statements have 1 and 20).
        shown = lines[0].queryTable().nRows
        check(dates.addRowSelection(1), "the second date can be chosen")
        wait_for("the second date's lines", lambda: dates.isRowSelected(1) and
                 lines[0].queryTable().nRows not in (0, shown))
        wait_for("the second date's end", idle)
        second = lines[0].queryTable().nRows

        # The same with the arrow keys: the window and the table take the focus through the bus,
        # the keys come from its registry, and each move tells the cell it reaches.
        window = next(w for w in app if w is not None and w.name == "Fmirola")
        window.queryComponent().grabFocus()
        wait_for("the viewer's window active", lambda: window.getState().contains(pyatspi.STATE_ACTIVE))
        tables[0].queryComponent().grabFocus()
        wait_for("the dates focused", lambda: tables[0].getState().contains(pyatspi.STATE_FOCUSED))
        focused = Heard("object:state-changed:focused")
        for key, row, count in [(KEY_UP, 0, shown), (KEY_DOWN, 1, second)]:
            date = dates.getAccessibleAt(row, 0).name
            del focused.events[:]
            pyatspi.Registry.generateKeyboardEvent(key, None, pyatspi.KEY_SYM)
            wait_for("the cell of " + date + " told", lambda: (pyatspi.ROLE_TABLE_CELL, date, 1)
                     in focused.events)
            wait_for(date + "'s lines", lambda: dates.isRowSelected(row) and
                     lines[0].queryTable().nRows == count and idle())
        focused.close()

        # 인쇄 prints the selected statement into the preview window.
        number = dates.getAccessibleAt(1, 0).name + "-%03d" % int(dates.getAccessibleAt(1, 1).name)
        pages = -(-second // LINES_PER_PAGE)
        check(pages >= 2, "the second statement takes more than one page")
        press(find_all(app, pyatspi.ROLE_PUSH_BUTTON, "인쇄")[0])
        preview = wait_for("the preview window", lambda: next(
            (w for w in app if w is not None and w.name == "미리보기(조회)" and
             find_all(w, name="미리 보기")), None))
        buttons = {b.name: b for b in find_all(preview, pyatspi.ROLE_PUSH_BUTTON)}
        check(sorted(buttons) == sorted(["처음", "이전", "다음", "마지막", "프린터 설정", "출력", "저장",
                                         "확대", "축소", "종료"]),
              "the preview's buttons are named by what they do: " + ", ".join(buttons))
        for name, button in buttons.items():
            check(re.fullmatch(re.escape(name) + r" \(.+\)", button.description) is not None,
                  name + "'s description gives its key, not " + repr(button.description))
        page = find_all(preview, name="미리 보기")[0]
        where = lambda n: "전체 %d쪽 중 %d쪽" % (pages, n)
        check(page.description == "거래명세서 " + number + ", " + where(1),
              "the page says its statement and which page it is: " + repr(page.description))
        check(find_all(preview, pyatspi.ROLE_LABEL, where(1)), "the page indicator is named " + where(1))
        check(find_all(preview, pyatspi.ROLE_LABEL, "배율 100%"), "the zoom is named 배율 100%")
        press(buttons["다음"])
        wait_for("the next page", lambda: find_all(preview, pyatspi.ROLE_LABEL, where(2)) and
                 page.description.endswith(where(2)))
        # The buttons' keys work in the window as it opened, active.
        wait_for("the preview window active", lambda: preview.getState().contains(pyatspi.STATE_ACTIVE))
        pyatspi.Registry.generateKeyboardEvent(KEY_HOME, None, pyatspi.KEY_SYM)
        wait_for("the first page by its key", lambda: find_all(preview, pyatspi.ROLE_LABEL, where(1)))
        press(buttons["확대"])
        wait_for("the zoom stepped", lambda: find_all(preview, pyatspi.ROLE_LABEL, "배율 105%"))
        press(buttons["종료"])
        wait_for("the preview closed", lambda: all(w is None or w.name != "미리보기(조회)" for w in app))
    finally:
        if viewer:
            viewer.terminate()
            viewer.wait(10)
        server.terminate()
        server.wait(10)
    if failures:
        raise SystemExit(1)
    print("atspi_viewer: the viewer reads as it shows")


main()
