#!/usr/bin/env python3
"""The JSON Schemas of schemas/ against the programs: each schema is valid, the documents the programs
accept validate (and the ones they reject do not), and every line a real tarnwick-helper writes during
a scripted session validates against the protocol schema."""

import json
import os
import pathlib
import re
import select
import signal
import subprocess
import tempfile
import time
import unittest

from jsonschema import Draft202012Validator

ROOT = pathlib.Path(__file__).resolve().parents[2]
SCHEMAS = ROOT / "schemas"
GROUP = os.environ.get("TARNWICK_APP_GROUP", "group.com.fenmoorlab.tarnwick")


def load(name):
    return json.loads((SCHEMAS / name).read_text(encoding="utf-8"))


def validator(name, pointer=None):
    schema = load(name)
    if pointer:
        # A sub-schema that keeps the document's $defs, so its references resolve.
        schema = {"$schema": schema["$schema"], "$defs": schema["$defs"], "$ref": pointer}
    return Draft202012Validator(schema)


def problems(v, document):
    return ["/".join(map(str, e.absolute_path)) + ": " + e.message for e in v.iter_errors(document)]


class SchemaTestCase(unittest.TestCase):
    def assertValid(self, v, document):
        found = problems(v, document)
        self.assertEqual(found, [], json.dumps(document)[:300])

    def assertInvalid(self, v, document):
        self.assertTrue(problems(v, document), "accepted: " + json.dumps(document)[:300])


class SchemasAreValid(unittest.TestCase):
    def test_each_schema_is_a_valid_draft_2020_12_schema(self):
        names = sorted(p.name for p in SCHEMAS.glob("*.schema.json"))
        self.assertEqual(names, ["accounts.schema.json", "focus-filter.schema.json", "helper-protocol.schema.json",
                                 "toolbar-accounts.schema.json", "toolbar-labels.schema.json",
                                 "widget-cache.schema.json"])
        for name in names:
            schema = load(name)
            self.assertEqual(schema["$schema"], "https://json-schema.org/draft/2020-12/schema", name)
            Draft202012Validator.check_schema(schema)

    def test_every_property_is_described(self):
        def walk(node, path):
            if isinstance(node, dict):
                for key, sub in node.get("properties", {}).items():
                    if "description" not in sub and "$ref" not in sub and "const" not in sub:
                        yield f"{path}/properties/{key}"
                for key, sub in node.items():
                    yield from walk(sub, f"{path}/{key}")
            elif isinstance(node, list):
                for i, sub in enumerate(node):
                    yield from walk(sub, f"{path}/{i}")
        # settings.changed's oneOf branches pin key/value pairs; they are described by the settings themselves.
        missing = [p for name in SCHEMAS.glob("*.schema.json") for p in walk(load(name.name), name.name)
                   if "settings.changed/oneOf" not in p]
        self.assertEqual(missing, [])


class FileFormats(SchemaTestCase):
    def test_widget_cache(self):
        v = validator("widget-cache.schema.json")
        # The snapshot the widgets' decoding test feeds the widgets.
        source = (ROOT / "widgets/tests/widgetcache_tests.cpp").read_text(encoding="utf-8")
        valid = json.loads(re.search(r'kValid = R"\((.*?)\)";', source, re.S).group(1))
        self.assertValid(v, valid)
        # What the widgets reject as a whole.
        for bad in ({**valid, "totalUnread": 3.5}, {**valid, "accounts": {}},
                    {k: valid[k] for k in valid if k != "messages"},
                    {**valid, "messages": [{**valid["messages"][0], "date": "1765000000000"}]},
                    {**valid, "messages": [{**valid["messages"][0], "unread": "yes"}]}):
            self.assertInvalid(v, bad)

    def test_accounts_json(self):
        v = validator("accounts.schema.json")
        # Files the Focus filter's account query reads (its tests' cases).
        self.assertValid(v, [{"id": "a", "name": "A"}, {"id": "b", "name": "B", "color": "#112233"}])
        self.assertValid(v, [{"id": "z", "name": "Z", "unread": 4}, {"id": "a", "name": "A"}])
        self.assertValid(v, [])
        # The wrapper the issue reports falling back to "Personal", a non-object element, a numeric id.
        self.assertInvalid(v, {"accounts": [{"id": "a", "name": "A"}]})
        self.assertInvalid(v, [{"id": "a", "name": "A"}, 3])
        self.assertInvalid(v, [{"id": 7, "name": "Seven"}])
        self.assertInvalid(v, [{"id": "a"}])

    def test_focus_filter_json(self):
        v = validator("focus-filter.schema.json")
        self.assertValid(v, {"activeAccountIds": ["a", "b"], "disableExcludedAccounts": True,
                             "isFilterActive": True, "timestamp": 1765000000.25})
        self.assertValid(v, {"activeAccountIds": [], "disableExcludedAccounts": False,
                             "isFilterActive": False, "timestamp": 0})
        self.assertInvalid(v, [{"activeAccountIds": []}])
        self.assertInvalid(v, {"activeAccountIds": ["a", 1], "disableExcludedAccounts": False,
                               "isFilterActive": True, "timestamp": 1.5})

    def test_toolbar_accounts_and_labels(self):
        accounts = validator("toolbar-accounts.schema.json")
        # From the toolbar's JSON tests.
        self.assertValid(accounts, {"accounts": [{"id": "full", "name": "Work", "color": "#112233", "unreadCount": 5,
                                                  "excludedByFocus": True, "disabledByFocus": True, "needsAuth": True}],
                                    "activeAccountId": "full"})
        self.assertValid(accounts, {"activeAccountId": "b"})
        self.assertValid(accounts, {"accounts": []})
        for bad in ({"accounts": [{"id": "x", "name": "X", "color": "#112233", "unreadCount": 1}, 3]},
                    {"accounts": {"id": "x"}}, {"activeAccountId": 7},
                    {"accounts": [{"id": "x", "name": "X", "color": "#112233", "unreadCount": 2.5}]}):
            self.assertInvalid(accounts, bad)

        labels = validator("toolbar-labels.schema.json")
        keys = load("toolbar-labels.schema.json")["properties"]["labels"]["required"]
        # Every key the library reads is listed, and no other.
        read = set()
        for path in [*(ROOT / "packages/native").rglob("*"), *(ROOT / "native").rglob("*")]:
            if path.suffix in (".cpp", ".h") and not {"tests", "e2e"} & set(path.parts):
                read |= set(re.findall(r'"(toolbar\.[A-Za-z.]+)"', path.read_text(encoding="utf-8")))
        self.assertEqual(sorted(read), sorted(keys))
        full = {"labels": {k: k.split(".")[-1] for k in keys}}
        full["labels"]["toolbar.account.unread"] = "{name}: {count} unread{shortcut}"
        self.assertValid(labels, full)
        for bad in ({"labels": {**full["labels"], "toolbar.reply": None}}, {"labels": ["a"]}, {}):
            self.assertInvalid(labels, bad)


# Examples of the events that need a user in front of the tray, the preferences window or a banner,
# shaped as the code that sends them builds them.
INTERACTIVE_EVENTS = [
    {"method": "settings.changed", "params": {"key": "theme", "value": "dark"}},
    {"method": "settings.changed", "params": {"key": "pollIntervalSeconds", "value": 300}},
    {"method": "settings.changed", "params": {"key": "hideSidebar", "value": True}},
    {"method": "settings.changed", "params": {"key": "notifications.social", "value": "badge"}},
    {"method": "settings.changed", "params": {"key": "menuBarUnreadOnly", "value": False}},
    {"method": "settings.changed", "params": {"key": "collectDiagnostics", "value": True}},
    {"method": "account.add", "params": {"name": "New Account", "color": "#3b82f6"}},
    {"method": "account.update", "params": {"accountId": "acc-work", "name": "Work", "color": "#2563eb"}},
    {"method": "account.update", "params": {"accountId": "acc-work", "name": "Work", "color": "#2563eb",
                                            "browserProfile": "Profile 1"}},
    {"method": "account.remove", "params": {"accountId": "acc-home"}},
    {"method": "account.reorder", "params": {"accountIds": ["acc-home", "acc-work"]}},
    {"method": "account.signIn", "params": {"accountId": "acc-work"}},
    {"method": "account.resetSession", "params": {"accountId": "acc-work"}},
    {"method": "tray.getMessages", "params": {"accountId": "acc-work"}},
    {"method": "tray.popoverOpened"},
    {"method": "tray.compose", "params": {}},
    {"method": "tray.compose", "params": {"accountId": "acc-work"}},
    {"method": "tray.showAccount", "params": {"accountId": "acc-work"}},
    {"method": "tray.showAccount", "params": {"accountId": ""}},
    {"method": "tray.showThread", "params": {"accountId": "acc-work", "threadId": "t1"}},
    {"method": "tray.threadAction", "params": {"accountId": "acc-work", "threadId": "t1", "action": "markRead"}},
    {"method": "tray.search", "params": {"query": "invoice"}},
    {"method": "tray.search", "params": {"query": "invoice", "accountId": "acc-work"}},
    {"method": "tray.refresh"},
    {"method": "tray.openSettings"},
    {"method": "tray.quit"},
    {"method": "notify.click", "params": {"accountId": "acc-work", "messageId": "t4"}},
    {"method": "notify.action", "params": {"accountId": "acc-work", "messageId": "t4", "action": "archive"}},
    {"method": "notify.action", "params": {"accountId": "acc-work", "messageId": "t4", "action": "copyCode",
                                           "code": "482913"}},
]

# Ill-shaped events the schema must refuse: a drift in the sending code shows up as one of these.
BAD_EVENTS = [
    {"method": "tray.bogus"},
    {"method": "tray.refresh", "params": {}},
    {"method": "tray.compose", "params": {"accountId": ""}},
    {"method": "tray.threadAction", "params": {"accountId": "a", "threadId": "t", "action": "delete"}},
    {"method": "notify.action", "params": {"accountId": "a", "messageId": "t", "action": "copyCode"}},
    {"method": "notify.action", "params": {"accountId": "a", "messageId": "t", "action": "trash", "code": "1"}},
    {"method": "settings.changed", "params": {"key": "theme", "value": "sepia"}},
    {"method": "settings.changed", "params": {"key": "hideSidebar", "value": 1}},
    {"method": "focusFilter.changed", "params": {"activeAccountIds": [], "disableExcludedAccounts": False}},
    {"id": 3, "method": "app.quit"},
]


class ProtocolExamples(SchemaTestCase):
    def test_interactive_events(self):
        v = validator("helper-protocol.schema.json", "#/$defs/event")
        for event in INTERACTIVE_EVENTS:
            self.assertValid(v, event)
        for event in BAD_EVENTS:
            self.assertInvalid(v, event)

    def test_schema_names_every_event_the_code_sends(self):
        sent = set()
        pattern = re.compile(r'(?:sendEvent|send|Event\{)\(?\s*"([a-z][A-Za-z]*\.[A-Za-z]+)"')
        for top in ("helper", "packages"):
            for path in (ROOT / top).rglob("*.cpp"):
                if "tests" not in path.parts:
                    sent |= set(pattern.findall(path.read_text(encoding="utf-8")))
        names = set(load("helper-protocol.schema.json")["$defs"]["event"]["properties"]["method"]["enum"])
        self.assertEqual(sorted(sent - names), [], "events the code sends but the schema does not name")
        self.assertEqual(sorted(names - sent), [], "events the schema names but no code sends")
        examples = {e["method"] for e in INTERACTIVE_EVENTS} | {"app.quit", "focusFilter.changed"}
        self.assertEqual(names - examples, set(), "events in the schema without an example here")

    def test_ill_shaped_requests_are_outside_the_schema(self):
        v = validator("helper-protocol.schema.json", "#/$defs/request")
        for bad in ({"id": "7", "method": "tray.create"}, {"id": 1, "method": "tray.bogus"},
                    {"id": 1, "method": "tray.update", "params": {"unreadDisplay": "count"}},
                    {"id": 1, "method": "accounts.update", "params": {}},
                    {"id": 1, "method": "settings.update", "params": {"settings": {"dockBadgeMode": "all"}}},
                    {"id": 1, "method": "focusFilter.set", "params": {"activeAccountIds": ["a", 1],
                                                                       "disableExcludedAccounts": False}}):
            self.assertInvalid(v, bad)


def session(now_ms):
    """A main application's session: every request method, realistic values (those of scripts/demo-session.sh)."""
    accounts = [{"id": "acc-work", "name": "Work", "color": "#2563eb", "unreadCount": 4, "email": "ada@work.example"},
                {"id": "acc-home", "name": "Home", "color": "#16a34a", "unreadCount": 1, "email": "ada@home.example",
                 "needsAuth": False}]
    code = {"code": "482913", "service": "Example Bank", "subject": "Your sign-in code",
            "from": "Example Bank <no-reply@bank.example>", "messageId": "m3", "threadId": "t3",
            "accountId": "acc-home", "receivedAt": now_ms}
    settings = {"theme": "dark", "pollIntervalSeconds": 120, "pollIntervalBatterySeconds": 300,
                "inactiveAccountSuspendMinutes": 0, "launchAtLogin": False, "composeAccountPicker": "ask",
                "openLinksIn": "firefox", "alwaysJoinInBrowser": True, "quickComposeHotkey": "Control+Command+C",
                "dockBadgeMode": "newArrivals", "showMenuBarTray": True, "menuBarUnreadDisplay": "dots",
                "menuBarUnreadOnly": False, "menuBarVerificationCodes": True, "verificationCodeDurationMinutes": 10,
                "hidePromotionAds": True, "hideSidebar": False, "transparentBackground": False,
                "notifications": {"primary": "loud", "updates": "silent", "promotions": "badge", "social": "badge",
                                  "forums": "off"}}
    profiles = {"firefox": [{"directory": "work.default", "email": "ada@work.example", "name": "Work"}]}
    return [
        ("tray.create", None),
        ("tray.update", {"accounts": accounts, "totalUnread": 5, "unreadDisplay": "numbers", "showUnreadOnly": False,
                         "isOffline": False, "isRestricted": False, "menuBarVerificationCodes": True,
                         "verificationCodeDurationMinutes": 15, "verificationCode": code}),
        ("tray.messages", {"accountId": "acc-work", "messages": [
            {"id": "m1", "threadId": "t1", "from": "Grace Hopper <grace@example.com>", "subject": "Compiler review",
             "snippet": "Notes attached", "internalDate": str(now_ms), "labelIds": ["INBOX", "UNREAD"],
             "category": "primary"},
            {"id": "m2", "threadId": "t2", "from": "Build Bot <ci@example.com>", "subject": "Nightly build passed",
             "snippet": "All green", "internalDate": str(now_ms - 3600000), "labelIds": ["INBOX"],
             "category": "updates"}]}),
        ("tray.verificationCode", code),
        ("tray.verificationCode", None),
        ("settings.show", {"pane": "accounts", "settings": settings,
                           "accounts": [{**a, "browserProfile": "_auto"} for a in accounts],
                           "browserProfiles": profiles,
                           "browsers": [{"id": "firefox", "name": "Firefox", "bundleId": "firefox.desktop"}],
                           "defaultBrowser": {"id": "firefox", "name": "Firefox"}, "appVersion": "3.2.1"}),
        ("settings.update", {"settings": {"theme": "light", "notifications": {"forums": "loud"}}}),
        ("accounts.update", {"accounts": accounts, "browserProfiles": profiles}),
        ("focusFilter.get", None),
        ("focusFilter.set", {"activeAccountIds": ["acc-work", "acc-home", "acc-gone"],
                             "disableExcludedAccounts": True}),
        # Lists only acc-work: the Focus filter loses acc-home and acc-gone.
        ("tray.update", {"accounts": accounts[:1], "totalUnread": 4}),
        ("focusFilter.get", None),
        ("notify.setup", None),
        ("notify.dispatch", {"accountId": "acc-work", "notifications": {"primary": "loud", "promotions": "badge"},
                             "messages": [
                                 {"id": "m4", "threadId": "t4", "from": "\"Grace Hopper\" <grace@example.com>",
                                  "subject": "Lunch on Friday?", "snippet": "The usual place at noon",
                                  "category": "primary"},
                                 {"id": "m5", "threadId": "t5", "from": "Shop <deals@shop.example>",
                                  "subject": "48 hours only", "snippet": "", "category": "promotions",
                                  "verificationCode": "1234"}]}),
        ("notify.clearAll", None),
        ("tray.destroy", None),
    ]


class RealHelperSession(SchemaTestCase):
    def setUp(self):
        helper = os.environ.get("TARNWICK_HELPER")
        if not helper:
            self.fail("TARNWICK_HELPER names no helper program")
        self.home = tempfile.TemporaryDirectory(prefix="schemas-helper-")
        data = pathlib.Path(self.home.name) / "data"
        self.container = data / "group-containers" / GROUP
        self.container.mkdir(parents=True, mode=0o700)
        for p in (data, data / "group-containers"):
            p.chmod(0o700)
        # A focus-filter.json as the Focus filter tool writes it; the helper loads it at start.
        self.filter_file = self.container / "focus-filter.json"
        self.filter_text = json.dumps({"activeAccountIds": ["acc-home"], "disableExcludedAccounts": False,
                                       "isFilterActive": True, "timestamp": 1765000000.5}, indent=2)
        self.assertValid(validator("focus-filter.schema.json"), json.loads(self.filter_text))
        self.filter_file.write_text(self.filter_text, encoding="utf-8")
        env = dict(os.environ, XDG_DATA_HOME=str(data), XDG_CONFIG_HOME=str(pathlib.Path(self.home.name) / "config"),
                   XDG_CACHE_HOME=str(pathlib.Path(self.home.name) / "cache"))
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        env["QT_QPA_PLATFORM"] = "offscreen"
        self.process = subprocess.Popen([helper], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, env=env)
        self.buffer = b""
        self.lines = []
        self.log = b""
        self.open_streams = [self.process.stdout, self.process.stderr]

    def tearDown(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()
        for stream in (self.process.stdin, self.process.stdout, self.process.stderr):
            try:
                stream.close()
            except OSError:
                pass
        self.home.cleanup()

    def send(self, message):
        self.process.stdin.write((json.dumps(message) + "\n").encode())
        self.process.stdin.flush()

    def read_until(self, done, timeout=30):
        deadline = time.monotonic() + timeout
        while not done():
            left = deadline - time.monotonic()
            if left <= 0:
                self.fail("helper did not answer in time; lines so far:\n" + "\n".join(map(json.dumps, self.lines)) +
                          "\nlog:\n" + self.log.decode(errors="replace")[-3000:])
            ready, _, _ = select.select(self.open_streams, [], [], left)
            for stream in ready:
                chunk = os.read(stream.fileno(), 65536)
                if stream is self.process.stderr:
                    # The log: drained so it never blocks the helper, kept for a failure's message.
                    self.log += chunk
                    if not chunk:
                        self.open_streams.remove(stream)
                    continue
                if not chunk:
                    return
                self.buffer += chunk
                while b"\n" in self.buffer:
                    line, self.buffer = self.buffer.split(b"\n", 1)
                    self.lines.append(json.loads(line))

    def test_every_line_of_a_session_validates(self):
        now_ms = int(time.time() * 1000)
        requests = session(now_ms)
        methods = load("helper-protocol.schema.json")["$defs"]["request"]["properties"]["method"]["enum"]
        self.assertEqual(sorted(methods), sorted({m for m, _ in requests}), "the session uses every method")

        request_v = validator("helper-protocol.schema.json", "#/$defs/request")
        sent = {}
        for number, (method, params) in enumerate(requests, start=1):
            request = {"id": number, "method": method}
            if params is not None:
                request["params"] = params
            self.assertValid(request_v, request)  # what the session sends is what the schema describes
            sent[number] = method
            self.send(request)
            # One at a time: the focusFilter methods answer from a later main-loop turn, and the session's
            # checks below depend on the order in which the filter changes.
            self.read_until(lambda: any(m.get("id") == number for m in self.lines if "method" not in m))
        self.send({"method": "tray.create"})  # no id: no answer
        self.send({"id": 99, "method": "tray.bogus"})
        self.read_until(lambda: any(m.get("id") == 99 for m in self.lines))

        # SIGTERM, as the desktop ends the session: app.quit is the last line.
        self.process.send_signal(signal.SIGTERM)
        self.read_until(lambda: False, timeout=15)
        self.assertEqual(self.process.wait(timeout=15), 0)

        whole = validator("helper-protocol.schema.json")
        event_v = validator("helper-protocol.schema.json", "#/$defs/event")
        response_v = validator("helper-protocol.schema.json", "#/$defs/response")
        ok_v = validator("helper-protocol.schema.json", "#/$defs/okResult")
        state_v = validator("helper-protocol.schema.json", "#/$defs/focusFilterState")
        event_names = set(load("helper-protocol.schema.json")["$defs"]["event"]["properties"]["method"]["enum"])
        states = []
        for line in self.lines:
            self.assertValid(whole, line)
            if "method" in line:
                self.assertIn(line["method"], event_names)
                self.assertValid(event_v, line)
                continue
            self.assertValid(response_v, line)
            if line["id"] == 99:
                self.assertEqual(line, {"id": 99, "error": "Unknown method: tray.bogus"})
            elif sent[line["id"]] == "focusFilter.get":
                self.assertValid(state_v, line["result"])
                states.append(line["result"]["activeAccountIds"])
            else:
                self.assertValid(ok_v, line["result"])
        self.assertEqual(sorted(m["id"] for m in self.lines if "method" not in m), sorted(set(sent) | {99}))
        self.assertEqual(self.lines[-1], {"method": "app.quit"})

        # The rules the schemas state: focus-filter.json is loaded at start and is never written by the
        # helper (focusFilter.set changes only its state); tray.update prunes the filter to its accounts.
        changes = [m["params"]["activeAccountIds"] for m in self.lines if m.get("method") == "focusFilter.changed"]
        self.assertEqual(changes[0], ["acc-home"])
        self.assertIn(["acc-work", "acc-home", "acc-gone"], changes)
        self.assertEqual(changes[-1], ["acc-work"])
        self.assertEqual(states, [["acc-home"], ["acc-work"]])
        self.assertEqual(self.filter_file.read_text(encoding="utf-8"), self.filter_text)


class FocusFilterTool(SchemaTestCase):
    """The real tarnwick-focus-filter reads an accounts.json that validates and writes a focus-filter.json
    that validates."""

    def test_reads_accounts_json_and_writes_focus_filter_json(self):
        tool = os.environ.get("TARNWICK_FOCUS_FILTER")
        if not tool:
            self.fail("TARNWICK_FOCUS_FILTER names no tarnwick-focus-filter program")
        with tempfile.TemporaryDirectory(prefix="schemas-focus-") as home:
            data = pathlib.Path(home) / "data"
            container = data / "group-containers" / GROUP
            container.mkdir(parents=True, mode=0o700)
            for p in (data, data / "group-containers"):
                p.chmod(0o700)
            accounts = [{"id": "acc-work", "name": "Work", "color": "#2563eb"},
                        {"id": "acc-home", "name": "Home", "color": "#16A34A", "email": "ada@home.example"},
                        {"id": "acc-club", "name": "Club"}]
            self.assertValid(validator("accounts.schema.json"), accounts)
            (container / "accounts.json").write_text(json.dumps(accounts), encoding="utf-8")
            env = dict(os.environ, XDG_DATA_HOME=str(data), QT_QPA_PLATFORM="offscreen")

            listed = subprocess.run([tool, "accounts"], env=env, capture_output=True, timeout=60, check=True)
            self.assertEqual([a["id"] for a in json.loads(listed.stdout)], ["acc-work", "acc-home", "acc-club"])

            subprocess.run([tool, "apply", "--disable-excluded", "acc-home", "acc-work"], env=env,
                           capture_output=True, timeout=60, check=True)
            written = json.loads((container / "focus-filter.json").read_text(encoding="utf-8"))
            self.assertValid(validator("focus-filter.schema.json"), written)
            self.assertEqual(written["activeAccountIds"], ["acc-home", "acc-work"])
            self.assertTrue(written["disableExcludedAccounts"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
