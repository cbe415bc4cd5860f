#!/usr/bin/env python3
"""Journeys through the installed program on a virtual X screen.

The package is installed into a temporary device root with its services daemon, Horavel.exe is
started from there on Xvfb and driven with real input events (XTest, through xdotool); the
results are read from the data files, the daemon and the screen.

    journey_test.py BUILD_DIR SOURCE_DIR [unittest arguments, e.g. FirstStart]

Exit status 77 (skipped) when Xvfb or xdotool is not installed.
"""
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest

BUILD = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else ""
SOURCE = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else ""
PROGRAM_DIR = "Program Files/Brinwick/Horavel"
SKIPPED = 77


def wait_for(what, seconds=10.0, step=0.05):
    """Calls what() until it returns a true value; returns that value, or None after the time."""
    deadline = time.monotonic() + seconds
    while True:
        value = what()
        if value:
            return value
        if time.monotonic() > deadline:
            return None
        time.sleep(step)


class Screen:
    """One Xvfb for the whole run, on the first free display of 21..29, or of the numbers in
    HV_X_DISPLAYS (e.g. "247 248") where runs side by side keep to displays of their own."""

    def __init__(self):
        self.proc = None
        numbers = [int(n) for n in os.environ.get("HV_X_DISPLAYS", "").split()] or range(21, 30)
        for n in numbers:
            if os.path.exists("/tmp/.X%d-lock" % n):
                continue
            proc = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "1024x768x24",
                                     "-nolisten", "tcp", "-noreset"], stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
            self.display = ":%d" % n
            lock = "/tmp/.X%d-lock" % n
            # Ours once the display's lock names this server and the server answers; another
            # run that took the display first makes this server end.
            mine = lambda: self.lock_pid(lock) == proc.pid and self.answers()
            if wait_for(lambda: proc.poll() is not None or mine(), 10) and proc.poll() is None:
                self.proc = proc
                return
            proc.kill()
            proc.wait()
        raise RuntimeError("no free X display among %s" % " ".join(":%d" % n for n in numbers))

    @staticmethod
    def lock_pid(lock):
        try:
            with open(lock) as f:
                return int(f.read().strip() or 0)
        except (OSError, ValueError):
            return 0

    def answers(self):
        r = subprocess.run(["xdotool", "getdisplaygeometry"], env=self.env(),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return r.returncode == 0

    def env(self):
        e = dict(os.environ)
        e["DISPLAY"] = self.display
        return e

    def close(self):
        if self.proc:
            self.proc.terminate()
            self.proc.wait()


class Device:
    """A device root with the package installed and its daemon running."""

    def __init__(self, screen):
        self.screen = screen
        self.top = tempfile.mkdtemp(prefix="hv-journey-")
        self.root = os.path.join(self.top, "device")
        self.home = os.path.join(self.top, "home")
        os.makedirs(self.home)
        self.reminder_log = os.path.join(self.top, "reminder.log")
        self.env = screen.env()
        self.env.update({
            "HORAVEL_DEVICE": self.root,
            "HORAVEL_DESKTOP": os.path.join(self.top, "desktop"),
            "HORAVEL_DEVICED": os.path.join(BUILD, "deviced", "hvdeviced"),
            "HORAVEL_REMINDER_LOG": self.reminder_log,
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_DATA_HOME": os.path.join(self.home, ".local", "share"),
            "XDG_RUNTIME_DIR": os.path.join(self.top, "run"),
            "LC_ALL": "C.UTF-8",
            "TZ": "Europe/Berlin",
            "QT_SCALE_FACTOR": "1",
            "QT_QPA_PLATFORM": "xcb",
        })
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)
        # The cabinet the desktop chain picks for this device, through the device installer
        # (the chain itself has its own test); the daemon starts on the first request.
        r = subprocess.run([os.path.join(BUILD, "setup", "hv-device-install"), "--root",
                            self.root, "install",
                            os.path.join(BUILD, "package", "setup_VGA.PPC2003_ARM.cab")],
                           env=self.env, stdout=subprocess.DEVNULL)
        if r.returncode != 0:
            self.close()
            raise RuntimeError("the package did not install")
        self.data = os.path.join(self.root, PROGRAM_DIR, "data")
        self.pristine = os.path.join(self.top, "data.pristine")
        shutil.copytree(self.data, self.pristine)

    def fresh(self, tz="Europe/Berlin", asked=True):
        """The data folder as installed, and whether the reminders question was answered."""
        shutil.rmtree(self.data)
        shutil.copytree(self.pristine, self.data)
        self.env["TZ"] = tz
        marker = os.path.join(self.env["XDG_CONFIG_HOME"], "horavel", "autostart-asked")
        if asked:
            os.makedirs(os.path.dirname(marker), exist_ok=True)
            open(marker, "w").write("asked\n")
        elif os.path.exists(marker):
            os.remove(marker)

    def file(self, name):
        path = os.path.join(self.data, name)
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def reminder_said(self, text):
        return os.path.exists(self.reminder_log) and text in open(self.reminder_log).read()

    def bubble(self):
        """The reminder's bubble window on the screen, or None."""
        env = self.screen.env()
        for wid in subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                   "^Horavel Reminder$"], env=env, stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL, text=True).stdout.split():
            geo = dict(line.partition("=")[::2] for line in subprocess.run(
                ["xdotool", "getwindowgeometry", "--shell", wid], env=env,
                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout.split())
            if "WIDTH" in geo:
                return Window(int(wid), int(geo["X"]), int(geo["Y"]), int(geo["WIDTH"]),
                              int(geo["HEIGHT"]), "Horavel Reminder")
        return None

    def cli(self, *args):
        r = subprocess.run([os.path.join(BUILD, "cli", "horavel-cli"), "device"] + list(args),
                           env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           text=True)
        return r.stdout

    def reminders_running(self):
        """The pids of the reminders that told their start and not yet their end."""
        if not os.path.exists(self.reminder_log):
            return set()
        started, ended = set(), set()
        for line in open(self.reminder_log):
            pid, _, what = line.strip().partition(" ")
            if what.startswith("start"):
                started.add(pid)
            elif what == "end" or what.startswith("end:"):
                ended.add(pid)
        return {p for p in started - ended if os.path.exists("/proc/" + p)}

    def close(self):
        # The reminders still running end first, while their daemon answers: those of a time
        # change by themselves, a ringing one on SIGTERM as its Dismiss ends it. Ended together
        # with the daemon, a reminder would wait for it and start another one.
        if not wait_for(lambda: not self.reminders_running(), 10):
            for pid in self.reminders_running():
                os.kill(int(pid), signal.SIGTERM)
            wait_for(lambda: not self.reminders_running(), 10)
        # The daemon of this root and the programs it started there (the launcher, reminders)
        # end with the run. A program still ending may start the daemon again on demand, so the
        # sweep repeats until nothing of this root runs.
        # A daemon whose root is gone ends by itself; a root left half removed would keep it.
        for _ in range(40):
            if not self._end_processes():
                shutil.rmtree(self.top, ignore_errors=True)
                if not os.path.exists(self.top) and not self._end_processes():
                    break
            time.sleep(0.25)

    def _end_processes(self):
        """Sends SIGTERM to every process whose command line names this root; how many."""
        ended = 0
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    line = f.read().split(b"\0")
                if any(a == self.root.encode() or a.startswith(self.root.encode() + b"/")
                       for a in line):
                    os.kill(int(pid), signal.SIGTERM)
                    ended += 1
            except OSError:
                continue
        return ended


class Window:
    """An X window: its id and geometry on the screen."""

    def __init__(self, wid, x, y, w, h, name):
        self.wid, self.x, self.y, self.w, self.h, self.name = wid, x, y, w, h, name

    def centre(self):
        return (self.x + self.w / 2, self.y + self.h / 2)

    def __repr__(self):
        return "%s %r at %d,%d %dx%d" % (self.wid, self.name, self.x, self.y, self.w, self.h)


class Horavel:
    """Horavel.exe started from the device root, driven through the X server."""

    def __init__(self, device, *args):
        self.device = device
        exe = os.path.join(device.root, PROGRAM_DIR, "Horavel.exe")
        self.proc = subprocess.Popen([exe] + list(args), env=device.env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.main = wait_for(lambda: self.find(lambda w: w.w == 480 and w.name == "Horavel"), 20)
        if not self.main:
            code = self.proc.poll()
            self.end()
            raise AssertionError("the main window did not appear (%s): %s" % (
                "still running" if code is None else "exit %d" % code,
                self.proc.stderr.read().decode(errors="replace")[-2000:]))
        time.sleep(0.5)  # the first paint

    def xdotool(self, *args):
        r = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.device.env,
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        return r.stdout

    def windows(self):
        """The program's visible top-level windows, oldest first."""
        out = []
        for wid in self.xdotool("search", "--onlyvisible", "--pid", self.proc.pid,
                                "--class", ".*").split():
            geo = {}
            for line in self.xdotool("getwindowgeometry", "--shell", wid).splitlines():
                k, _, v = line.partition("=")
                geo[k] = int(v) if v.lstrip("-").isdigit() else v
            if "WIDTH" not in geo:
                continue
            name = self.xdotool("getwindowname", wid).strip()
            if (geo["X"], geo["Y"], geo["WIDTH"], geo["HEIGHT"]) == (0, 0, 1024, 768):
                continue  # the root window
            out.append(Window(int(wid), geo["X"], geo["Y"], geo["WIDTH"], geo["HEIGHT"], name))
        return sorted(out, key=lambda w: w.wid)

    def find(self, pred):
        for w in self.windows():
            if pred(w):
                return w
        return None

    def others(self):
        """The visible windows beside the main window."""
        return [w for w in self.windows() if w.wid != self.main.wid]

    def wait_other(self, pred=lambda w: True, seconds=10):
        """The first window beside the main one that satisfies pred, once it has settled."""
        w = wait_for(lambda: next((w for w in self.others() if pred(w)), None), seconds)
        if not w:
            return None
        time.sleep(0.4)
        return next((x for x in self.others() if x.wid == w.wid), None)

    def tap(self, x, y, window=None):
        """A stylus tap at coordinates of the window (the main window's by default)."""
        w = window or self.main
        self.xdotool("mousemove", "--sync", int(w.x + x), int(w.y + y))
        self.xdotool("click", "1")
        time.sleep(0.25)

    def wheel(self, notches):
        self.xdotool("click", "--repeat", abs(notches), "--delay", 50, 5 if notches > 0 else 4)
        time.sleep(0.2)

    def keys(self, *names, window=None):
        if window:
            self.xdotool("windowfocus", "--sync", window.wid)
        for n in names:
            self.xdotool("key", n)
            time.sleep(0.05)
        time.sleep(0.25)

    def type(self, text):
        self.xdotool("type", "--delay", 30, text)
        time.sleep(0.2)

    def pixel(self, x, y):
        """The colour the screen shows at coordinates of the main window, as (r, g, b)."""
        raw = subprocess.run(["xwd", "-silent", "-id", str(self.main.wid)], env=self.device.env,
                             stdout=subprocess.PIPE, check=True).stdout
        return xwd_pixel(raw, int(x), int(y))

    def signal(self, sig):
        self.proc.send_signal(sig)
        try:
            return self.proc.wait(5)
        except subprocess.TimeoutExpired:
            return None

    def end(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


def xwd_pixel(raw, x, y):
    """The pixel of an XWD image (24/32 bits a pixel, as Xvfb writes them)."""
    header = struct.unpack(">25I", raw[:100])
    header_size, width, bpp, bytes_per_line = header[0], header[4], header[11], header[12]
    byte_order, ncolors = header[7], header[19]
    start = header_size + ncolors * 12
    at = start + y * bytes_per_line + x * (bpp // 8)
    b = raw[at:at + 4]
    value = struct.unpack("<I" if byte_order == 0 else ">I", b)[0]
    assert x < width
    return ((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF)


def u32(data, offset):
    return struct.unpack_from("<I", data, offset)[0]


def cities_of(data):
    """(name, gmtOffset) of each 64-byte record of a city file."""
    out = []
    for at in range(0, len(data) - len(data) % 64, 64):
        units = struct.unpack_from("<22H", data, at + 2)
        name = "".join(chr(u) for u in units).split("\0")[0]
        out.append((name, struct.unpack_from("<h", data, at + 46)[0]))
    return out


SCREEN = None
DEVICE = None


def setUpModule():
    global SCREEN, DEVICE
    SCREEN = Screen()
    try:
        DEVICE = Device(SCREEN)
    except BaseException:
        SCREEN.close()
        raise


def tearDownModule():
    if DEVICE:
        DEVICE.close()
    if SCREEN:
        SCREEN.close()


class Journey(unittest.TestCase):
    def start(self, *args):
        h = Horavel(DEVICE, *args)
        self.addCleanup(h.end)
        return h

    def assertCentredOver(self, w, main):
        (cx, cy), (mx, my) = w.centre(), main.centre()
        # A box wider than the window is kept on the screen, its left edge at the screen's.
        wider = w.w > main.w and w.x <= max(main.x, 0) and w.x + w.w >= main.x + main.w
        self.assertTrue(abs(cx - mx) <= 2 or wider, "%r is not centred over %r" % (w, main))
        self.assertLessEqual(abs(cy - my), 2, "%r is not centred over %r" % (w, main))

    def openDropList(self, h, x, y, window):
        """Taps a drop list's box and returns the pop-up's window with its row height."""
        before = {w.wid for w in h.others()}
        h.tap(x, y, window)
        popup = h.wait_other(lambda w: w.wid not in before and w.wid != window.wid, 5)
        self.assertIsNotNone(popup, "the drop list did not open in a window of its own")
        return popup


class FirstStart(Journey):
    def test_forced_page_then_question_and_a_signal_saves(self):
        # A zone no shipped city has: the Home Location page is forced at the first start.
        DEVICE.fresh(tz="America/Santarem", asked=False)
        h = self.start()
        page = h.wait_other(lambda w: w.w == 476)
        self.assertIsNotNone(page, "no Home Location page")
        time.sleep(1)
        self.assertEqual([w.wid for w in h.others()], [page.wid],
                         "the page is not alone: %r" % h.others())
        self.assertCentredOver(page, h.main)

        # Europe in the continent list, then London in the city list: past the rows the list
        # shows, reached with the wheel, Page Down/Up and the arrow keys.
        continents = self.openDropList(h, 170 + 120, 14 + 14, page)
        h.tap(60, 2 + 3 * 28 + 14, continents)
        europe = [n for n, _ in cities_of(DEVICE.file("europe.cdb"))]
        london = europe.index("London")
        cities = self.openDropList(h, 170 + 120, 54 + 14, page)
        self.assertLessEqual(cities.y + cities.h, h.main.y + h.main.h, "the list runs off")
        rows = (cities.h - 4) // 28
        self.assertLess(rows, london, "London is among the first rows: nothing to scroll")
        h.xdotool("mousemove", "--sync", cities.x + 60, cities.y + 40)
        h.wheel(2)
        h.keys("Next", "Prior")
        h.keys(*["Down"] * (london - 6))
        h.tap(60, 2 + 14, cities)
        # OK, and "Yes" to saving the zone to the device clock.
        before = {w.wid for w in h.others()}
        h.tap(page.w - 60, page.h - 22, page)
        ask = h.wait_other(lambda w: w.wid not in before, 5)
        if ask and ask.wid != page.wid:
            h.keys("Return", window=ask)
        self.assertTrue(wait_for(lambda: page.wid not in {w.wid for w in h.others()}, 5),
                        "the page did not close")

        # Only now the question about reminders after a restart, over the main window.
        question = h.wait_other(lambda w: w.name == "Horavel", 5)
        self.assertIsNotNone(question, "no question after the page")
        self.assertCentredOver(question, h.main)
        # The session ends while the question is open: the exit save runs all the same.
        self.assertEqual(h.signal(signal.SIGTERM), 0, "SIGTERM did not end the program")
        settings = DEVICE.file("settings.dat")
        self.assertEqual((u32(settings, 12), u32(settings, 16)), (3, london), "home")


class AlarmsAndEvents(Journey):
    def test_a5_shows_the_view_and_an_armed_alarm_rings_with_its_sound(self):
        DEVICE.fresh()
        # A timer started from its view alone takes the sound its settings window shows.
        h = self.start("t1")
        h.tap(86, 272)  # "Start"
        h.keys("ctrl+q", window=h.main)
        self.assertEqual(wait_for(lambda: h.proc.poll() is not None, 5) and h.proc.returncode, 0)
        timers = DEVICE.file("timers.dat")
        self.assertEqual([i for i in range(len(timers) // 72) if timers[i * 72 + 67]], [1],
                         "timer 2 not started alone")
        self.assertNotEqual(u32(timers, 72 + 60), 0, "started with no sound")
        self.assertEqual(DEVICE.file("timersnd1.dat").decode("utf-16-le").rstrip("\0"),
                         "\\Windows\\Alarm1.wav")

        h = self.start("a5")
        # The Alarms view on alarms 5-8, no settings window over it (its black bar at y 50).
        self.assertNotEqual(h.pixel(240, 52), (0, 0, 0), "a settings window opened by itself")
        self.assertEqual(h.pixel(240, 46), (192, 192, 255), "not the Alarms view")
        # Alarm 5 armed with its box (00:00 every day), then the program closed.
        h.tap(30, 44 + 65)
        h.keys("ctrl+q", window=h.main)
        self.assertEqual(wait_for(lambda: h.proc.poll() is not None, 5) and h.proc.returncode, 0)
        alarms = DEVICE.file("alarms.dat")
        rec = alarms[4 * 76:5 * 76]
        self.assertEqual(rec[72], 1, "alarm 5 not armed")
        self.assertNotEqual(u32(rec, 52), 0, "armed with no sound")
        self.assertEqual(DEVICE.file("alarmsnd4.dat").decode("utf-16-le").rstrip("\0"),
                         "\\Windows\\Alarm1.wav")
        self.assertEqual(alarms[:76], b"".join([alarms[:0], alarms[:76]]))
        self.assertEqual(alarms[0:4], b"\0\0\0\0", "alarm 1 registered")
        listing = DEVICE.cli("notify", "list")
        self.assertIn("a05", listing)
        # The device clock just before midnight: the daemon starts the reminder, which rings.
        today = DEVICE.cli("time").strip()[:10]
        DEVICE.cli("set-time", today + " 23:59:58")
        self.assertTrue(wait_for(lambda: os.path.exists(DEVICE.reminder_log) and
                                 "play \\Windows\\Alarm1.wav" in open(DEVICE.reminder_log).read(),
                                 15), "the reminder did not ring")
        # Its bubble's Dismiss, at the lower left of the bubble, ends it.
        bubble = wait_for(DEVICE.bubble, 10)
        self.assertTrue(bubble, "no bubble on the screen")
        h.xdotool("mousemove", "--sync", bubble.x + 30, bubble.y + bubble.h - 20)
        h.xdotool("click", "1")
        self.assertTrue(wait_for(lambda: DEVICE.reminder_said("command 200"), 5),
                        "Dismiss did not reach the reminder")
        self.assertTrue(wait_for(lambda: re.search(r"^\d+ end$", open(DEVICE.reminder_log).read(),
                                                   re.M), 10), "the reminder did not end")

    def test_an_event_is_deleted_through_its_confirmation(self):
        DEVICE.fresh()
        # One event next year, written as the program writes it.
        header = struct.pack("<HHI", 1, 0, 0)
        name = "Journey".encode("utf-16-le").ljust(48, b"\0")
        when = (2100 - 1601) * 365 * 86400 * 10 ** 7  # in 2099, local file time
        record = struct.pack("<I", 0) + name + struct.pack("<QIBBHII", when, 0, 0, 0, 0, 0, 1)
        self.assertEqual(len(record), 76)
        open(os.path.join(DEVICE.data, "events.dat"), "wb").write(header + record)
        h = self.start("e")
        h.tap(240, 112)  # the first row of the list
        h.tap(394, 463)  # "Delete..."
        box = h.wait_other(lambda w: w.name == "Horavel", 5)
        self.assertIsNotNone(box, "no confirmation")
        self.assertCentredOver(box, h.main)
        h.keys("y", window=box)
        self.assertTrue(wait_for(lambda: DEVICE.file("events.dat")[:2] == b"\0\0", 5),
                        "the event was not deleted")


class Cities(Journey):
    def openEditCities(self, h):
        h.tap(40, h.main.h - 13)  # "Options"
        h.keys("Down", "Down", "Down", "Return")  # "Edit Cities"
        edit = h.wait_other(lambda w: w.name == "Edit Cities")
        self.assertIsNotNone(edit, "no Edit Cities window")
        time.sleep(0.3)
        return edit

    def africa(self):
        return [c for c in cities_of(DEVICE.file("africa.cdb")) if c[0] == "Aaa Journey"]

    def test_a_city_at_plus_13_is_added_edited_and_deleted(self):
        DEVICE.fresh()
        h = self.start()
        # "New": a name, +13:00 with the hours' arrow key, OK; then OK writes the cities.
        edit = self.openEditCities(h)
        h.tap(416, 582, edit)
        h.tap(196, 82, edit)
        h.type("Aaa Journey")
        h.tap(92 + 24, 110 + 20, edit)
        h.keys(*["Up"] * 13)
        h.tap(295, 536, edit)
        h.tap(62, 582, edit)
        self.assertEqual(wait_for(self.africa, 5), [("Aaa Journey", 780)])
        # "Edit" of the first city of Africa, the new one, and OK with nothing changed.
        edit = self.openEditCities(h)
        h.tap(298, 582, edit)
        h.tap(295, 536, edit)
        h.tap(62, 582, edit)
        time.sleep(0.5)
        self.assertEqual(self.africa(), [("Aaa Journey", 780)], "the edit changed the offset")
        # "Delete" and "Yes" in the confirmation over the window.
        edit = self.openEditCities(h)
        h.tap(180, 582, edit)
        box = h.wait_other(lambda w: w.name == "Horavel", 5)
        self.assertIsNotNone(box, "no confirmation")
        self.assertCentredOver(box, edit)
        h.keys("y", window=box)
        h.tap(62, 582, edit)
        self.assertTrue(wait_for(lambda: not self.africa(), 5), "the city was not deleted")


class Keyboard(Journey):
    def test_world_time_an_alarm_and_preferences_without_the_mouse(self):
        DEVICE.fresh()
        h = self.start("a1")  # the Alarms view, view 3 of the list
        asia = [n for n, _ in cities_of(DEVICE.file("asia.cdb"))]
        tokyo = asia.index("Tokyo")
        week = DEVICE.file("settings.dat")[359]

        # World Time, four views on; its first control is the first city's continent list, at
        # (10, 312), which shows the focus mark inside its edge.
        h.keys(*["ctrl+Next"] * 4, window=h.main)
        h.keys("Tab")
        raw = subprocess.run(["xwd", "-silent", "-id", str(h.main.wid)], env=DEVICE.env,
                             stdout=subprocess.PIPE, check=True).stdout
        mark = sum(xwd_pixel(raw, x, 313) == (57, 83, 157) for x in range(12, 200))
        self.assertGreater(mark, 20, "no focus mark on the continent list")
        h.keys("Home", "Down")  # Africa, then Asia
        # The second city's continent list beside it, then the first city's list, opened.
        h.keys("Tab", "Tab", "Return")
        h.keys("Home", *["Down"] * tokyo, "Return")
        # A list left open when the view changes closes with it, not over the next view: the
        # first city's boxes look as before once the view is shown again.
        def boxes():
            raw = subprocess.run(["xwd", "-silent", "-id", str(h.main.wid)], env=DEVICE.env,
                                 stdout=subprocess.PIPE, check=True).stdout
            return [xwd_pixel(raw, x, y) for x in (60, 120, 180) for y in range(300, 390, 6)]
        closed = boxes()
        h.keys("Return")
        self.assertNotEqual(boxes(), closed, "the city list did not open")
        h.keys("ctrl+Next", "ctrl+Prior")
        self.assertEqual(boxes(), closed, "the open list stayed over the views")

        # Alarm 2 at 07:30, then armed, four views back: the page tabs, alarm 1's box, picker
        # and "Settings...", alarm 2's box, then its picker.
        h.keys(*["ctrl+Prior"] * 4)
        h.keys(*["Tab"] * 6)
        h.keys("Home")
        h.type("0730a")
        h.keys("shift+Tab", "space")

        # Preferences through F10: the page tabs, the startup view, the alarm volume, then the
        # week numbering changed; Escape cancels.
        h.keys("F10", "Return")
        h.keys(*["Tab"] * 4, "Down")
        h.keys("Escape")

        # Back to World Time, and out with the exit save.
        h.keys(*["ctrl+Next"] * 4)
        self.assertNotEqual(h.pixel(240, 46), (192, 192, 255), "the Alarms view still shows")
        h.keys("ctrl+q")
        self.assertEqual(wait_for(lambda: h.proc.poll() is not None, 5) and h.proc.returncode, 0)

        settings = DEVICE.file("settings.dat")
        self.assertEqual(u32(settings, 8), 7, "the screen does not show World Time")
        self.assertEqual((u32(settings, 328), u32(settings, 332)), (1, tokyo), "not Tokyo")
        self.assertEqual(settings[359], week, "Escape kept the changed week numbering")
        rec = DEVICE.file("alarms.dat")[76:2 * 76]
        self.assertEqual(rec[72], 1, "alarm 2 not armed")
        when = struct.unpack_from("<Q", rec, 64)[0] // 10 ** 7 % 86400
        self.assertEqual((when // 3600, when // 60 % 60), (7, 30), "alarm 2 not at 07:30")

if __name__ == "__main__":
    missing = [t for t in ("Xvfb", "xdotool", "xwd") if not shutil.which(t)]
    if missing:
        print("skipped: %s not installed (deps/journey.txt)" % ", ".join(missing))
        sys.exit(SKIPPED)
    result = unittest.main(argv=[sys.argv[0]] + sys.argv[3:], exit=False).result
    sys.exit(0 if result.wasSuccessful() else 1)
