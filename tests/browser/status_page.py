#!/usr/bin/env python3
"""The status page in a real browser against the built tally-bridge.

Usage: status_page.py PATH/TO/tally-bridge

A pty stands in for the unit line, TSL 3.1 packets go to the bridge's UDP
port, headless chromium shows the page. Checks that a tally reaches the
page within 300 ms, that the page says when the bridge goes away and
catches up by itself when it comes back, the lamp test with its token,
the API's refusals and that /metrics passes promtool.

Exit status: 0 passed, 1 failed, 77 skipped (no chromium, chromedriver or
selenium on this machine).
"""

import os
import sys

SKIP = 77

# Debian's python3-selenium belongs to the system interpreter; another
# python3 first on PATH (pyenv, a venv) lacks it, so run under Debian's.
try:
    import selenium  # noqa: F401  (only whether it is there)
except ImportError:
    system = "/usr/bin/python3"
    if os.path.exists(system) and os.path.realpath(sys.executable) != os.path.realpath(system):
        os.execv(system, [system] + sys.argv)
    print("SKIP: python3-selenium is not installed")
    sys.exit(SKIP)

import json
import shutil
import signal
import socket
import subprocess
import tempfile
import threading
import time
import urllib.error
import urllib.request

from selenium import webdriver
from selenium.common.exceptions import NoAlertPresentException, TimeoutException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions as EC
from selenium.webdriver.support.ui import WebDriverWait

TOKEN = "s3cret-token-for-the-test"
STARTUP_S = 10


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def free_port(kind):
    # Closed again before the bridge binds it: a race in theory, on a test
    # machine's loopback a non-issue in practice.
    with socket.socket(socket.AF_INET, kind) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class UnitLine:
    """A pty as the units' line. Its master is read all along, or the
    bridge's writes would fill it and block; the slave stays open here so
    that the line survives the bridge closing it across a restart."""

    def __init__(self):
        self.master, self.slave = os.openpty()
        self.path = os.ttyname(self.slave)
        self.data = bytearray()
        self.lock = threading.Lock()
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        while True:
            try:
                chunk = os.read(self.master, 4096)
            except OSError:
                return
            if not chunk:
                return
            with self.lock:
                self.data += chunk

    def received(self):
        with self.lock:
            return bytes(self.data)

    def close(self):
        for fd in (self.slave, self.master):
            try:
                os.close(fd)
            except OSError:
                pass


class Bridge:
    def __init__(self, binary, config, http_port, log_path):
        self.binary, self.config, self.http_port, self.log_path = binary, config, http_port, log_path
        self.process = None
        self.url = "http://127.0.0.1:%d" % http_port

    def start(self, line):
        log = open(self.log_path, "ab")
        self.process = subprocess.Popen([self.binary, "--config", self.config, "--line", line],
                                        stdout=log, stderr=subprocess.STDOUT)
        log.close()
        deadline = time.monotonic() + STARTUP_S
        while time.monotonic() < deadline:
            check(self.process.poll() is None, "tally-bridge ended at start (status %s)" % self.process.returncode)
            try:
                with urllib.request.urlopen(self.url + "/api/state", timeout=1) as reply:
                    if reply.status == 200:
                        return
            except (urllib.error.URLError, ConnectionError, OSError):
                pass
            time.sleep(0.05)  # waiting for the port to open, bounded by the deadline
        raise Failure("tally-bridge did not answer on %s within %d s" % (self.url, STARTUP_S))

    def stop(self):
        if self.process is None or self.process.poll() is not None:
            return
        self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            raise Failure("tally-bridge did not end on SIGTERM within 5 s")
        check(self.process.returncode == 0, "tally-bridge ended on SIGTERM with status %d" % self.process.returncode)

    def kill(self):
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def log(self):
        try:
            with open(self.log_path, "rb") as f:
                return f.read().decode(errors="replace")
        except OSError:
            return ""


def request(url, method="GET", body=None, token=None):
    """(status, body as text) of a plain HTTP request, refusals included."""
    headers = {}
    data = None
    if body is not None:
        data = json.dumps(body).encode()
        headers["Content-Type"] = "application/json"
    if token is not None:
        headers["Authorization"] = "Bearer " + token
    req = urllib.request.Request(url, data=data, method=method, headers=headers)
    try:
        with urllib.request.urlopen(req, timeout=5) as reply:
            return reply.status, reply.read().decode()
    except urllib.error.HTTPError as e:
        return e.code, e.read().decode()


def tsl31(address, program=False, preview=False, text=""):
    # Header 0x80 + address; control byte tally bit 1 (0x01) preview, bit 2
    # (0x02) program, the bridge's defaults; then 16 characters of text.
    control = (0x02 if program else 0) | (0x01 if preview else 0)
    return bytes([0x80 + address, control]) + text.encode("ascii").ljust(16, b" ")[:16]


def write_config(path, http_port, udp_port, control, token_file, state_file=None):
    lines = ["[http]", "listen = 127.0.0.1:%d" % http_port, "control = %s" % ("yes" if control else "no"),
             "token_file = %s" % token_file, "", "[tsl31]", "udp = 127.0.0.1:%d" % udp_port, "",
             "[names]", "3 = CAM 3", ""]
    if state_file:
        lines += ["[line]", "state = %s" % state_file, ""]
    with open(path, "w") as f:
        f.write("\n".join(lines))


def lamp(driver, n):
    return driver.find_element(By.CSS_SELECTOR, '[data-input="%d"]' % n)


def wait_bus(driver, n, bus, timeout, what):
    try:
        WebDriverWait(driver, timeout, poll_frequency=0.01).until(
            lambda d: lamp(d, n).get_attribute("data-bus") == bus)
    except TimeoutException:
        raise Failure("%s: lamp %d is %r, not %r after %.2f s"
                      % (what, n, lamp(driver, n).get_attribute("data-bus"), bus, timeout))


def wait_connection(driver, state, timeout):
    try:
        WebDriverWait(driver, timeout, poll_frequency=0.05).until(
            EC.presence_of_element_located((By.CSS_SELECTOR, '[data-connection="%s"]' % state)))
    except TimeoutException:
        raise Failure("the page did not show %r within %d s" % (state, timeout))


def wait_text(driver, selector, text, timeout, what):
    try:
        WebDriverWait(driver, timeout, poll_frequency=0.05).until(
            EC.text_to_be_present_in_element((By.CSS_SELECTOR, selector), text))
    except TimeoutException:
        shown = driver.find_element(By.CSS_SELECTOR, selector).text
        raise Failure("%s: %r does not show %r (shows %r)" % (what, selector, text, shown))


def answer_prompt(driver, keys):
    """Waits for the page's prompt; types keys and accepts, or dismisses
    it when keys is None."""
    try:
        alert = WebDriverWait(driver, 5, poll_frequency=0.05).until(EC.alert_is_present())
    except TimeoutException:
        raise Failure("the lamp test did not ask for the token")
    if keys is None:
        alert.dismiss()
    else:
        alert.send_keys(keys)
        alert.accept()


def no_prompt(driver):
    try:
        driver.switch_to.alert.dismiss()
    except NoAlertPresentException:
        return
    raise Failure("the page asked for the token again though it had one")


def start_driver():
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--window-size=1280,1000", "--accept-lang=en-US", "--lang=en-US"):
        options.add_argument(arg)
    # The test answers the token prompt itself; left alone, chromedriver
    # would dismiss it at the next command.
    options.set_capability("unhandledPromptBehavior", "ignore")
    return webdriver.Chrome(service=Service(executable_path=shutil.which("chromedriver")), options=options)


def run(binary, work):
    token_file = os.path.join(work, "token")
    with open(token_file, "w") as f:
        f.write(TOKEN + "\n")
    state_file = os.path.join(work, "state")
    http_port, udp_port = free_port(socket.SOCK_STREAM), free_port(socket.SOCK_DGRAM)
    config = os.path.join(work, "bridge.conf")
    write_config(config, http_port, udp_port, True, token_file, state_file)

    line = UnitLine()
    udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    bridge = Bridge(binary, config, http_port, os.path.join(work, "bridge.log"))
    other = None
    driver = None
    try:
        bridge.start(line.path)
        driver = start_driver()
        driver.get(bridge.url + "/")
        wait_connection(driver, "live", 5)
        check(driver.find_element(By.TAG_NAME, "html").get_attribute("lang") == "en",
              "the page is not in English for Accept-Language en-US")
        check(driver.find_element(By.CSS_SELECTOR, "[data-connection]").text == "live",
              "the indicator does not read 'live'")
        lamps = driver.find_elements(By.CSS_SELECTOR, "#lamps [data-input]")
        check([l.get_attribute("data-input") for l in lamps] == [str(n) for n in range(1, 49)],
              "the page does not show lamps 1 to 48 in order")
        check(all(l.get_attribute("data-bus") == "off" for l in lamps), "a lamp is lit before any tally")

        # A tally on the page within 300 ms of the packet.
        sent = time.monotonic()
        udp.sendto(tsl31(3, program=True, text="Studio cam"), ("127.0.0.1", udp_port))
        try:
            WebDriverWait(driver, 0.3, poll_frequency=0.01).until(
                lambda d: lamp(d, 3).get_attribute("data-bus") == "program")
        except TimeoutException:
            pass
        took = time.monotonic() - sent
        check(lamp(driver, 3).get_attribute("data-bus") == "program" and took <= 0.3,
              "lamp 3 not program within 300 ms of the packet (%r after %.0f ms)"
              % (lamp(driver, 3).get_attribute("data-bus"), took * 1000))
        print("tally to page: %.0f ms" % (took * 1000))
        wait_text(driver, '[data-input="3"] .lamp-label', "CAM 3", 1, "the configured name")
        check(lamp(driver, 3).find_element(By.CSS_SELECTOR, ".lamp-label").text == "CAM 3",
              "lamp 3's label is not the configured name 'CAM 3'")
        wait_text(driver, '[data-input="3"] .lamp-sources', "tsl31 udp 3 Studio cam", 1, "lamp 3's source")
        wait_text(driver, "#inputs tbody", "tsl31 udp", 1, "the inputs table")
        wait_text(driver, "#frames", "program: 3", 2, "the frames list")
        # What the page shows as written is what the line got.
        frame = driver.find_element(By.CSS_SELECTOR, "#frames li code").text
        check(frame and frame.encode() in line.received(),
              "the newest frame on the page, %r, is not among the bytes on the line" % frame)

        # Labels from the network are text, never markup.
        udp.sendto(tsl31(4, preview=True, text="<i>cam</i>"), ("127.0.0.1", udp_port))
        wait_bus(driver, 4, "preview", 1, "a preview tally")
        wait_text(driver, '[data-input="4"] .lamp-label', "<i>cam</i>", 1, "a label with markup in it")
        check(not lamp(driver, 4).find_elements(By.TAG_NAME, "i"), "the page made markup of a label")

        # The state file holds lamp 3 before the bridge goes; it is written
        # a moment after the change.
        deadline = time.monotonic() + 2
        while not (os.path.exists(state_file) and os.path.getsize(state_file) > 0):
            check(time.monotonic() < deadline, "no state file 2 s after a tally")
            time.sleep(0.02)  # waiting for the bridge's write, bounded by the deadline

        bridge.stop()
        wait_connection(driver, "disconnected", 5)
        check(driver.find_element(By.CSS_SELECTOR, "[data-connection]").text == "disconnected",
              "the indicator does not read 'disconnected'")
        # What the page still shows is its memory; put lamp 3 out so that
        # program again can only come from the restarted bridge's state.
        driver.execute_script('document.querySelector(\'[data-input="3"]\').dataset.bus = "off";')

        bridge.start(line.path)
        wait_connection(driver, "live", 5)
        wait_bus(driver, 3, "program", 1, "the state kept across the restart")
        check(lamp(driver, 3).find_element(By.CSS_SELECTOR, ".lamp-label").text == "CAM 3",
              "lamp 3's name is gone after the restart")

        # The lamp test from the page: the token is asked once; no token
        # sends nothing, a wrong one is refused and forgotten.
        panel = driver.find_element(By.ID, "test-panel")
        check(panel.is_displayed(), "no lamp test form with control = yes")
        field = driver.find_element(By.ID, "test-input")
        field.clear()
        field.send_keys("7")
        driver.find_element(By.CSS_SELECTOR, '#test-bus option[value="both"]').click()
        seconds = driver.find_element(By.ID, "test-seconds")
        seconds.clear()
        seconds.send_keys("30")
        start = driver.find_element(By.ID, "test-start")

        start.click()
        answer_prompt(driver, None)
        wait_text(driver, "#test-message", "No token", 2, "a dismissed token prompt")

        start.click()
        answer_prompt(driver, "not-the-token")
        wait_text(driver, "#test-message", "401", 3, "a wrong token")
        check(driver.execute_script("return sessionStorage.length") == 0, "the refused token is still kept")
        check(lamp(driver, 7).get_attribute("data-bus") == "off", "a refused test lit lamp 7")

        start.click()
        answer_prompt(driver, TOKEN)
        wait_bus(driver, 7, "both", 2, "the lamp test")
        check(lamp(driver, 7).get_attribute("data-test") == "true", "lamp 7 is not marked as under test")
        wait_text(driver, "#test-status", "input 7", 1, "the header's lamp test status")
        check(lamp(driver, 3).get_attribute("data-bus") == "program", "the test changed lamp 3")

        driver.find_element(By.ID, "test-stop").click()
        no_prompt(driver)
        wait_bus(driver, 7, "off", 2, "the test stopped")
        check(lamp(driver, 7).get_attribute("data-test") != "true", "lamp 7 still marked as under test")
        check(not driver.find_element(By.ID, "test-status").is_displayed(), "the header still shows a test")

        # The API itself.
        status, body = request(bridge.url + "/api/test", "POST", {"input": 5, "bus": "program", "seconds": 5})
        check(status == 401, "POST /api/test without a token answered %d, not 401" % status)
        check("error" in json.loads(body), "the 401 carries no error text: %r" % body)
        status, _ = request(bridge.url + "/api/test", "POST", {"input": 5, "bus": "program", "seconds": 5},
                            token="not-the-token")
        check(status == 401, "POST /api/test with a wrong token answered %d, not 401" % status)
        status, _ = request(bridge.url + "/api/test", "POST", {"input": 49, "bus": "program", "seconds": 5},
                            token=TOKEN)
        check(status == 400, "a test of input 49 answered %d, not 400" % status)

        with urllib.request.urlopen(bridge.url + "/metrics", timeout=5) as reply:
            metrics = reply.read()
        promtool = subprocess.run(["promtool", "check", "metrics"], input=metrics,
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=20)
        check(promtool.returncode == 0 and not promtool.stdout,
              "promtool check metrics: status %d\n%s" % (promtool.returncode, promtool.stdout.decode(errors="replace")))

        # A bridge that allows no test refuses even the right token.
        other_port = free_port(socket.SOCK_STREAM)
        other_config = os.path.join(work, "other.conf")
        write_config(other_config, other_port, free_port(socket.SOCK_DGRAM), False, token_file)
        other_line = UnitLine()
        try:
            other = Bridge(binary, other_config, other_port, os.path.join(work, "other.log"))
            other.start(other_line.path)
            status, _ = request(other.url + "/api/test", "POST", {"input": 5, "bus": "program", "seconds": 5},
                                token=TOKEN)
            check(status == 403, "POST /api/test with control = no answered %d, not 403" % status)
            other.stop()
        finally:
            other.kill()
            other_line.close()
    except Exception:
        for b in (bridge, other):
            if b is not None:
                print("--- %s ---\n%s" % (os.path.basename(b.log_path), b.log()))
        raise
    finally:
        bridge.kill()
        if driver is not None:
            driver.quit()
        udp.close()
        line.close()


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[2])
        return 2
    missing = [p for p in ("chromium", "chromedriver") if shutil.which(p) is None]
    if missing:
        print("SKIP: %s not installed" % " and ".join(missing))
        return SKIP
    if shutil.which("promtool") is None:
        print("FAIL: promtool (Debian's prometheus) is not installed")
        return 1
    began = time.monotonic()
    with tempfile.TemporaryDirectory(prefix="status-page-") as work:
        try:
            run(os.path.abspath(sys.argv[1]), work)
        except Failure as e:
            print("FAIL: %s" % e)
            return 1
    print("passed in %.1f s" % (time.monotonic() - began))
    return 0


if __name__ == "__main__":
    sys.exit(main())
