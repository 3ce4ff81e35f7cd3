"""Drives the real setup program from outside, as a user would, and reads what it did.

A Sandbox is a Wine prefix with its own HOME, wineserver and Xvfb display (cmake/wine-run makes
them). The wizard is driven by real input events (xdotool) at its layout's positions, seen
through X (window geometry, shapes, pixels) and through winspy, a small Windows helper that
runs beside it in the same wineserver and reads and answers its message boxes. What the
program installed is read from the prefix's files and with `reg query`.

Shared by the end-to-end tests, the demo and the wizard benchmark. Needs Debian's python3 with
python3-xlib and python3-pil, and xdotool.
"""

import contextlib
import http.server
import os
import re
import shutil
import subprocess
import tempfile
import threading
import time
import unittest
import urllib.parse
from pathlib import Path

from PIL import Image, ImageChops
from Xlib import X
from Xlib import display as xdisplay
from Xlib.ext import shape

ROOT = Path(__file__).resolve().parents[3]
WINE_RUN = ROOT / "cmake" / "wine-run"
WINE64 = "/usr/lib/wine/wine64"

MAIN_TITLE = "Ostrevant Installer"
FOLDERS_TITLE = MAIN_TITLE + " - Folder"
DIALOG_TITLE = MAIN_TITLE + " - Question"
# The setup program (a 32-bit program on Windows) keeps its keys in the 32-bit registry view.
UNINSTALL_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
FRAMEWORK_KEY = "HKLM\\SOFTWARE\\Microsoft\\.NETFramework\\policy\\v2.0"
MAGENTA = (255, 0, 255)

# Layout positions (Left, Top, Width, Height in twips; 15 twips = 1 pixel). Elements of a section
# sit in its frame, which lies at 120, 720 in the wizard.
TWIPS = 15
FRAME = (120, 720)
MAIN = {
    "lblTitle": (120, 360, 5055, 255),
    "frame": (120, 720, 5060, 2895),
    "cmdAnterior": (210, 3920, 1560, 405),
    "cmdSiguiente": (1850, 3920, 1560, 405),
    "cmdSalir": (3480, 3920, 1560, 405),
}
IN_FRAME = {
    "lblSeccion0": (120, 120, 4695, 375),
    "cmbLanguages": (1200, 480, 2655, 255),
    "chkUpdate": (480, 1695, 195, 195),
    "txtPath": (120, 1800, 4815, 255),
    "cmdRuta": (3000, 2160, 1935, 405),
    "imgUpdate": (2040, 1080, 690, 735),
    "barInstall": (240, 1920, 4575, 210),
    "Check1": (480, 1440, 195, 195),
    "Check2": (480, 1680, 195, 195),
    "Check3": (480, 1920, 195, 195),
    "Check4": (480, 2160, 195, 195),
}
for _name, (_left, _top, _width, _height) in IN_FRAME.items():
    MAIN[_name] = (FRAME[0] + _left, FRAME[1] + _top, _width, _height)
FOLDERS = {
    "TreeFolder1": (280, 280, 3920, 3420),
    "cmdAceptar": (240, 3840, 1920, 405),
    "cmdSalir": (2280, 3840, 1920, 405),
}
DIALOG = {
    "cmdAceptar": (220, 1000, 1920, 405),
    "cmdSalir": (2300, 1000, 1920, 405),
}
# Inside the controls: a picture button's icon, the image combo's drop arrow.
BUTTON_ICON = (160, 60)
COMBO_ARROW = (2400, 0)
# Rows of the open language list (pixels, below the closed strip), and rows and levels of the
# folder tree (pixels; a node's text starts TREE_TEXT + level * TREE_INDENT from the tree's left).
LANGUAGE_ROW = 17
TREE_ROW = 16
TREE_INDENT = 19
TREE_TEXT = 38
LANGUAGE_CODES = ["en", "es", "pt", "it", "fr", "es-mx", "ca", "nl", "hr"]
# The window system's double-click time (its default) and rectangle: two presses closer than
# these in time and place make a double click.
DOUBLE_CLICK_TIME = 0.5
DOUBLE_CLICK_SPAN = 4


def px(twips):
    return round(twips / TWIPS)


def rect_px(rect):
    left, top, width, height = rect
    return px(left), px(top), px(width), px(height)


class Build:
    """A build tree (win64, or win32 run under WOW64): the program, winspy, the artwork, the
    cabinets, the build settings."""

    def __init__(self, path):
        self.path = Path(path).resolve()
        self.program = self.path / "bin" / "instalio.exe"
        self.winspy = self.path / "bin" / "winspy.exe"
        self.artwork = self.path / "Installer" / "artwork"
        self.cabinets = self.path / "Installer" / "cabinets"
        self.cache = {}
        for line in (self.path / "CMakeCache.txt").read_text().splitlines():
            match = re.match(r"^([A-Za-z0-9_]+):[A-Z]+=(.*)$", line)
            if match:
                self.cache[match.group(1)] = match.group(2)
        self.config, self.lists = read_configuration(
            Path(self.cache["INSTALIO_CONFIGURATION"]))
        self._pictures = {}

    def bits(self):
        """32 or 64: the program's PE machine type."""
        data = self.program.read_bytes()[:4096]
        header = int.from_bytes(data[0x3C:0x40], "little")
        return 32 if data[header + 4:header + 6] == b"\x4c\x01" else 64

    def port(self, setting):
        """The port of a server setting such as INSTALIO_UPDATE_SERVER_1 (loopback only)."""
        url = urllib.parse.urlsplit(self.cache[setting])
        if url.hostname != "127.0.0.1":
            raise RuntimeError(f"{setting} is {self.cache[setting]}: not on 127.0.0.1")
        return url.port

    def server_ports(self):
        return [self.port(f"INSTALIO_UPDATE_SERVER_{i}") for i in (1, 2, 3)] + [
            self.port(f"INSTALIO_DOWNLOAD_SERVER_{i}") for i in (1, 2)]

    def picture(self, name):
        if name not in self._pictures:
            self._pictures[name] = Image.open(self.artwork / f"{name.lower()}.bmp").convert("RGB")
        return self._pictures[name]


def read_configuration(path):
    """The setup configuration: the first value of each key, and all values of each key in
    order (the lists: shortcuts, services)."""
    values, lists = {}, {}
    for line in path.read_bytes().decode("cp1252").splitlines():
        if "=" in line:
            key, value = line.split("=", 1)
            values.setdefault(key, value)
            lists.setdefault(key, []).append(value)
    return values, lists


class Sandbox:
    """A Wine prefix with its own HOME, wineserver and (unless a display is given) Xvfb, run
    through `runner` (cmake/wine-run, or a launcher of the same command line)."""

    def __init__(self, root, build, display=None, runner=WINE_RUN):
        self.root = Path(root).resolve()
        self.build = build
        self.runner = Path(runner)
        self.prefix = self.root / "prefix"
        self.given_display = display
        self.display = display
        self._screen = None

    def env(self):
        env = {k: v for k, v in os.environ.items()
               if k.lower() not in ("http_proxy", "https_proxy", "all_proxy", "no_proxy")}
        env.pop("DISPLAY", None)
        if self.given_display:
            env["DISPLAY"] = self.given_display
        env["LC_ALL"] = "C.UTF-8"  # the machine checks and texts in English
        return env

    def wine_env(self):
        """The variables cmake/wine-run sets, for starting a program without it."""
        env = self.env()
        env.update(WINEPREFIX=str(self.prefix), HOME=str(self.root / "home"), WINEDEBUG="-all",
                   WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d",
                   DISPLAY=self.display)
        return env

    def wine(self, *args, timeout=120, check=True):
        """Runs a Windows program (or a built-in tool such as reg) to its end; its output comes
        through files, since a process it starts (the desktop's) may keep a pipe open."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            result = subprocess.run([str(self.runner), str(self.root), *map(str, args)],
                                    env=self.env(), stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=err, timeout=timeout)
            out.seek(0)
            err.seek(0)
            result.stdout, result.stderr = out.read(), err.read()
        if check and result.returncode != 0:
            raise RuntimeError(f"{args} ended with {result.returncode}: {result.stderr!r}")
        return result

    def make(self):
        """A new prefix that passes the machine checks: administrator (root), a current Windows,
        the framework key; and the Quick Launch folder that every real Windows has."""
        self.stop()
        shutil.rmtree(self.root, ignore_errors=True)
        self.root.mkdir(parents=True)
        self.reg("add", FRAMEWORK_KEY, "/f", "/reg:32")
        self.quick_launch().mkdir(parents=True, exist_ok=True)
        if not self.given_display:
            self.display = (self.root / "display").read_text().strip()

    def stop(self):
        if self._screen:
            self._screen.close()
            self._screen = None
        if self.root.exists():
            subprocess.run([str(self.runner), str(self.root), "--stop"], env=self.env(),
                           capture_output=True, timeout=60)

    # --- the prefix's folders, as Linux paths

    def c(self, windows_path):
        """The Linux path of a path on drive C: ("C:\\Apps\\x" or "Apps\\x")."""
        relative = re.sub(r"^[Cc]:\\?", "", windows_path).replace("\\", "/").strip("/")
        return self.prefix / "drive_c" / relative

    def user(self):
        users = [p for p in (self.prefix / "drive_c" / "users").iterdir() if p.name != "Public"]
        return users[0]

    def wow64(self):
        """True for a 32-bit program on 64-bit Windows: its system folder and program files
        are the 32-bit ones."""
        return self.build is not None and self.build.bits() == 32

    def system_folder(self):
        return self.prefix / "drive_c" / "windows" / ("syswow64" if self.wow64() else "system32")

    def program_files(self):
        return self.prefix / "drive_c" / ("Program Files (x86)" if self.wow64() else
                                          "Program Files")

    def app_data(self):
        return self.user() / "AppData" / "Roaming"

    def temp_folder(self):
        return self.user() / "AppData" / "Local" / "Temp"

    def desktop(self):
        return self.user() / "Desktop"

    def quick_launch(self):
        return self.app_data() / "Microsoft" / "Internet Explorer" / "Quick Launch"

    def programs_menu(self):
        return self.prefix / "drive_c" / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" \
            / "Programs"

    def remove_installation(self, name, system_files, targets=()):
        """Undoes what an installation of the product `name` did: its folders (the default
        target and `targets`), settings, work folder, shortcuts, uninstall entry, and the
        files `system_files` of the system folder."""
        for folder in [self.program_files() / name, self.app_data() / name,
                       self.temp_folder() / "Ostrevant", self.programs_menu() / name,
                       *map(self.c, targets)]:
            shutil.rmtree(folder, ignore_errors=True)
        for link in list(self.desktop().glob("*.lnk")) + list(self.quick_launch().iterdir()):
            link.unlink()
        for file in system_files:
            (self.system_folder() / file).unlink(missing_ok=True)
        self.reg("delete", UNINSTALL_KEY + name, "/f", "/reg:32", check=False)

    # --- the registry

    def reg(self, *args, check=True):
        return self.wine("reg", *args, check=check)

    def reg_query(self, key, *view):
        """The values of a key as {name: (type, data)}; None when the key does not exist.
        `view`: "/reg:32" for the 32-bit registry view."""
        result = self.reg("query", key, *view, check=False)
        if result.returncode != 0:
            return None
        values = {}
        for line in result.stdout.decode("utf-8", "replace").splitlines():
            match = re.match(r"^    (.*?)    (REG_\w+)    ?(.*?)\r?$", line)
            if match:
                values[match.group(1)] = (match.group(2), match.group(3))
        return values

    def subkeys(self, key):
        result = self.reg("query", key, check=False)
        prefix = key.lower().replace("hklm\\", "hkey_local_machine\\").rstrip("\\") + "\\"
        return sorted(line.strip()[len(prefix):]
                      for line in result.stdout.decode("utf-8", "replace").splitlines()
                      if line.strip().lower().startswith(prefix))

    # --- winspy

    def boxes(self, wait=0.0, ok=False):
        """The visible message boxes as (title, text); waits up to `wait` s for the first, and
        presses OK on each when asked."""
        args = ["boxes", "--wait", str(int(wait * 1000))] + (["--ok"] if ok else [])
        out = self.wine(self.build.winspy, *args, timeout=wait + 60).stdout.decode("utf-8")
        boxes = []
        for line in out.splitlines():
            title, _, text = line.rstrip("\r").partition("\t")
            boxes.append((unescape(title), unescape(text)))
        return boxes

    def edits(self, title=MAIN_TITLE, timeout=10.0):
        """The texts of the edit fields of the window titled `title`, waiting up to `timeout` s
        for the window (winspy ends with 1 while there is none)."""
        deadline = time.monotonic() + timeout
        while True:
            result = self.wine(self.build.winspy, "edits", title, check=False)
            if result.returncode == 0:
                out = result.stdout.decode("utf-8")
                return [unescape(line.rstrip("\r")) for line in out.splitlines()]
            if time.monotonic() >= deadline:
                raise AssertionError(f"no window {title!r} to read its edit fields from")
            time.sleep(0.2)

    @contextlib.contextmanager
    def hold(self, windows_path):
        """Keeps a file open without sharing, in a Windows process of this sandbox."""
        holder = subprocess.Popen([str(self.runner), str(self.root), str(self.build.winspy),
                                   "hold", windows_path], env=self.env(), stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        # Only its first line is read, so a process it starts may keep the pipe.
        try:
            if holder.stdout.readline().strip() != b"held":
                raise RuntimeError(f"could not hold {windows_path}")
            yield
        finally:
            holder.stdin.close()
            holder.stdout.close()
            holder.wait(timeout=30)

    # --- the program and the screen

    def start(self, cwd=None, log=None):
        """Starts the setup program in the sandbox, with the Windows folder `cwd` (on drive C:)
        as its current folder when given; returns its process. Wine's output goes to the file
        `log` when given (a file, not a pipe: the prefix's services keep it open)."""
        with open(log or os.devnull, "ab") as out:
            return subprocess.Popen([str(self.runner), str(self.root), str(self.build.program)],
                                    env=self.env(), stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=out, cwd=self.c(cwd) if cwd else None)

    def start_direct(self):
        """Starts the setup program with wine64 itself (prefix and wineserver up): for
        timing."""
        return subprocess.Popen([WINE64, str(self.build.program)], env=self.wine_env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def screen(self):
        if not self._screen:
            self._screen = Screen(self.display)
        return self._screen


def unescape(field):
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), field)


class Screen:
    """The X display of a sandbox: its top-level windows, pictures of it, real input."""

    def __init__(self, name):
        self.name = name
        self.x = xdisplay.Display(name)
        self.root = self.x.screen().root
        self._last_click = None  # (x, y, time)

    def close(self):
        self.x.close()

    def size(self):
        geometry = self.root.get_geometry()
        return geometry.width, geometry.height

    def windows(self):
        """The viewable top-level windows as (X window, title)."""
        found = []
        for child in self.root.query_tree().children:
            try:
                if child.get_attributes().map_state != X.IsViewable:
                    continue
                name = child.get_full_property(self.x.intern_atom("_NET_WM_NAME"),
                                               self.x.intern_atom("UTF8_STRING"))
                title = name.value.decode("utf-8") if name else (child.get_wm_name() or "")
                found.append((child, title))
            except Exception:  # a window that went away meanwhile
                continue
        return found

    def find(self, title, timeout=0.0):
        """The viewable window titled `title`, waiting up to `timeout` s; None without one."""
        deadline = time.monotonic() + timeout
        while True:
            for window, name in self.windows():
                if name == title:
                    return Window(self, window)
            if time.monotonic() >= deadline:
                return None
            time.sleep(0.02)

    def grab(self, x=0, y=0, width=None, height=None):
        if width is None:
            width, height = self.size()
        data = self.root.get_image(x, y, width, height, X.ZPixmap, 0xFFFFFFFF).data
        return Image.frombytes("RGB", (width, height), data, "raw", "BGRX")

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env={**os.environ, "DISPLAY": self.name},
                       check=True, timeout=30)

    def click(self, x, y):
        """One click. A user's separate clicks on one spot are further apart than the
        double-click time: a click near the last one waits until then."""
        self.apart_from_last_click(x, y)
        self.xdotool("mousemove", x, y, "sleep", "0.05", "click", "1")
        self.clicked(x, y)

    def double_click(self, x, y, gap=0.12):
        """Two clicks `gap` s apart."""
        self.apart_from_last_click(x, y)
        self.xdotool("mousemove", x, y, "sleep", "0.05", "click", "--repeat", "2", "--delay",
                     int(gap * 1000), "1")
        self.clicked(x, y)

    def apart_from_last_click(self, x, y):
        """Waits until a click at x, y can make no double click with the last one."""
        if self._last_click is None:
            return
        last_x, last_y, at = self._last_click
        if abs(x - last_x) <= DOUBLE_CLICK_SPAN and abs(y - last_y) <= DOUBLE_CLICK_SPAN:
            time.sleep(max(0.0, at + DOUBLE_CLICK_TIME + 0.1 - time.monotonic()))

    def clicked(self, x, y):
        """Notes a click made at x, y (by click, or by a caller's own input)."""
        self._last_click = (x, y, time.monotonic())

    def key(self, *keys):
        self.xdotool("key", "--delay", "30", *keys)

    def type(self, text):
        self.xdotool("type", "--delay", "30", text)


class Window:
    """A top-level window of the program, addressed in its layout's twips."""

    def __init__(self, screen, xwindow):
        self.screen = screen
        self.xwindow = xwindow

    def geometry(self):
        g = self.xwindow.get_geometry()
        return g.x, g.y, g.width, g.height

    def grab(self):
        x, y, width, height = self.geometry()
        return self.screen.grab(x, y, width, height)

    def save(self, path):
        Path(path).parent.mkdir(parents=True, exist_ok=True)
        self.grab().save(path)

    def click(self, rect, dx=None, dy=None, double=False):
        """Clicks into a layout rectangle: at its centre, or dx, dy pixels from its top-left;
        twice in quick succession when `double`."""
        x, y, _, _ = self.geometry()
        left, top, width, height = rect_px(rect)
        at = (x + left + (width // 2 if dx is None else dx),
              y + top + (height // 2 if dy is None else dy))
        if double:
            self.screen.double_click(*at)
        else:
            self.screen.click(*at)

    def settle(self, quiet=0.3, timeout=10.0):
        """Waits until the window's picture has not changed for `quiet` s; returns it."""
        deadline = time.monotonic() + timeout
        last, since = self.grab(), time.monotonic()
        while time.monotonic() < deadline:
            time.sleep(0.05)
            now = self.grab()
            if ImageChops.difference(now, last).getbbox():
                last, since = now, time.monotonic()
            elif time.monotonic() - since >= quiet:
                break
        return last

    def shape_mask(self):
        """The window's bounding shape as a set of rows of (start, end) pixel runs."""
        _, _, width, height = self.geometry()
        rows = [bytearray(width) for _ in range(height)]
        for r in self.xwindow.shape_get_rectangles(shape.SK.Bounding, ).rectangles:
            for y in range(max(r.y, 0), min(r.y + r.height, height)):
                rows[y][max(r.x, 0):min(r.x + r.width, width)] = b"\1" * (
                    min(r.x + r.width, width) - max(r.x, 0))
        return [bytes(row) for row in rows]


def picture_mask(picture):
    """A picture's region: every pixel that is not magenta, as rows like Window.shape_mask."""
    width, height = picture.size
    pixels = picture.load()
    return [bytes(0 if pixels[x, y] == MAGENTA else 1 for x in range(width))
            for y in range(height)]


def shows(image, picture, x, y, slack=1):
    """True when `picture` is drawn in `image` at x, y, give or take `slack` pixels for the
    rounding of twips. Magenta is left out, and black too when the picture's corner is black
    (the blank of icons, drawn with their mask). Nearly all of the rest must match; of an
    icon, most, since its edges are blended into what lies below it."""
    width, height = picture.size
    wanted = picture.load()
    icon = wanted[0, 0] == (0, 0, 0)
    blank = {MAGENTA, (0, 0, 0)} if icon else {MAGENTA}
    points = [(i, j) for j in range(height) for i in range(width) if wanted[i, j] not in blank]
    got = image.load()

    def near(a, b):
        return all(abs(p - q) <= 12 for p, q in zip(a, b))

    for oy in range(-slack, slack + 1):
        for ox in range(-slack, slack + 1):
            if not (0 <= x + ox and x + ox + width <= image.width and 0 <= y + oy
                    and y + oy + height <= image.height):
                continue
            hits = sum(near(got[x + ox + i, y + oy + j], wanted[i, j]) for i, j in points)
            if hits >= (0.8 if icon else 0.98) * len(points):
                return True
    return False


def crop(image, rect):
    left, top, width, height = rect_px(rect)
    return image.crop((left, top, left + width, top + height))


def same(a, b):
    return ImageChops.difference(a, b).getbbox() is None


class Wizard:
    """The wizard window of a running setup program."""

    def __init__(self, sandbox, process, timeout=30.0):
        self.sandbox = sandbox
        self.process = process
        self.screen = sandbox.screen()
        self.window = self.screen.find(MAIN_TITLE, timeout)
        if self.window is None:
            raise AssertionError(f"no window {MAIN_TITLE!r} within {timeout} s")
        self.build = sandbox.build

    def click(self, name, settle=True, double=False):
        self.window.click(MAIN[name], double=double)
        if settle:
            self.window.settle()

    def image(self):
        return self.window.settle()

    def _shows(self, image, picture, name, offset=(0, 0)):
        left, top, _, _ = MAIN[name]
        return shows(image, self.build.picture(picture), px(left + offset[0]),
                     px(top + offset[1]))

    def buttons(self, image=None):
        """Enabled state of Back, Next and Close, read from their icons."""
        image = image or self.image()
        return tuple(self._shows(image, icon, name, BUTTON_ICON)
                     for name, icon in (("cmdAnterior", "ICON_BACK"),
                                        ("cmdSiguiente", "ICON_NEXT"),
                                        ("cmdSalir", "ICON_CLOSE")))

    def ticked(self, name, image=None):
        """True, False, or None when the check box is not on show."""
        image = image or self.image()
        if self._shows(image, "CHECK_ON", name):
            return True
        if self._shows(image, "CHECK_OFF", name):
            return False
        return None

    def downloading(self, image):
        """True when section 5 shows the picture of a download."""
        return self._shows(image, "UPDATE", "imgUpdate")

    def bar_shows(self, image):
        """True when an activity bar is on show where the sections put theirs: its track at
        one of two places, which its moving block cannot both cover."""
        track = self.build.picture("BARRA_CENTER").resize((40, 14))
        left, top, _, _ = rect_px(MAIN["barInstall"])
        return any(shows(image, track, left + dx, top) for dx in (40, 200))

    def section(self, image=None):
        """The section on show, told by what only it shows."""
        image = image or self.image()
        if self._shows(image, "COMBO_ARROW", "cmbLanguages", COMBO_ARROW):
            return 0
        if self.ticked("Check1", image) is not None:
            return 7  # before section 1: Check2 lies one pixel from where chkUpdate would be
        if self.ticked("chkUpdate", image) is not None:
            return 1
        if self._shows(image, "ICON_FOLDER", "cmdRuta", BUTTON_ICON):
            return 2
        if self.downloading(image):
            return 5
        if self.bar_shows(image):
            return 6
        return 8 if self.buttons(image)[2] else 5

    def wait_section(self, wanted, timeout=60.0):
        deadline = time.monotonic() + timeout
        while True:
            image = self.window.grab()
            if self.section(image) == wanted:
                return image
            if time.monotonic() >= deadline or self.process.poll() is not None:
                raise AssertionError(f"section {wanted} not on show (section "
                                     f"{self.section(image)})")
            time.sleep(0.05)

    def choose_language(self, index, opened=False):
        """Opens the language list (unless `opened`) and clicks the entry `index` (list order;
        0-6, the entries it shows without scrolling)."""
        if index > 6:
            raise ValueError("the language list shows entries 0-6 without scrolling")
        if not opened:
            self.click("cmbLanguages")
        left, top, width, height = rect_px(MAIN["cmbLanguages"])
        x, y, _, _ = self.window.geometry()
        self.screen.click(x + left + width // 3,
                          y + top + height + LANGUAGE_ROW * index + LANGUAGE_ROW // 2)
        self.window.settle()

    def type_path(self, path):
        """Replaces the text of the path box by typing."""
        self.click("txtPath")
        self.screen.key("End", "shift+Home")
        self.screen.type(path)

    def path(self):
        if self.process.poll() is not None:
            raise AssertionError(f"the setup program ended with {self.process.returncode}")
        return self.sandbox.edits()[0]

    def click_folder(self, chooser, row, level):
        """Clicks the text of the folder tree's node on `row` (from 0), `level` deep."""
        chooser.click(FOLDERS["TreeFolder1"], dx=TREE_TEXT + TREE_INDENT * level + 8,
                      dy=TREE_ROW * row + TREE_ROW // 2)
        chooser.settle()

    def dialog(self, title, timeout=10.0):
        window = self.screen.find(title, timeout)
        if window is None:
            raise AssertionError(f"no window {title!r}")
        window.settle()
        return window

    def close_request(self):
        """Alt+F4 on the wizard, as the window system's close request."""
        self.screen.key("alt+F4")

    def wait_end(self, timeout=30.0):
        """Waits for the program to end; returns its exit code."""
        return self.process.wait(timeout=timeout)


def kill(process):
    if process and process.poll() is None:
        process.kill()
        process.wait(timeout=30)


# A reply of HttpServers that holds the connection open and sends nothing, until the client
# gives up (or the servers close).
SILENT = object()


class HttpServers:
    """HTTP servers on 127.0.0.1: each answers GETs from a table of replies by path (the path
    read with %XX decoded) and logs every request it sees as (port, decoded path). A reply of
    SILENT answers nothing."""

    def __init__(self, ports, replies=None):
        self.replies = dict(replies or {})
        self.log = []
        self._servers = []
        self._closing = threading.Event()
        servers = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                port = self.server.server_address[1]
                target = urllib.parse.unquote(self.path)
                servers.log.append((port, target))
                body = servers.replies.get((port, target))
                if body is SILENT:
                    servers.hold(self.connection)
                    self.close_connection = True
                    return
                self.send_response(200 if body is not None else 404)
                body = body if body is not None else b"not here"
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        for port in ports:
            server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
            server.daemon_threads = True
            threading.Thread(target=server.serve_forever, daemon=True).start()
            self._servers.append(server)

    def hold(self, connection, longest=150):
        """Waits until the client closes `connection`, the servers close, or `longest` s."""
        deadline = time.monotonic() + longest
        connection.settimeout(0.2)
        while not self._closing.is_set() and time.monotonic() < deadline:
            try:
                if not connection.recv(256):
                    return
            except OSError as error:
                if not isinstance(error, TimeoutError):
                    return

    def close(self):
        self._closing.set()
        for server in self._servers:
            server.shutdown()
            server.server_close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def newer_cabinet(build, work, marker_name, marker_text):
    """Cabinet 103 of the build with one file more, made with gcab: a newer application cabinet
    that proves where it came from."""
    work = Path(work)
    shutil.rmtree(work, ignore_errors=True)
    files = work / "files"
    files.mkdir(parents=True)
    subprocess.run(["cabextract", "-q", "-d", str(files), str(build.cabinets / "103.cab")],
                   check=True)
    (files / marker_name).write_bytes(marker_text.encode("ascii"))
    names = sorted(str(p.relative_to(files)) for p in files.rglob("*") if p.is_file())
    cabinet = work / "103-newer.cab"
    subprocess.run(["gcab", "-c", "-z", str(cabinet), *names], cwd=files, check=True)
    return cabinet.read_bytes()


def cabinet_files(cabinet):
    """The member names of a cabinet, as cabextract lists them."""
    listing = subprocess.run(["cabextract", "-l", str(cabinet)], capture_output=True, check=True,
                             text=True).stdout
    return [line.split("|", 2)[2].strip() for line in listing.splitlines()
            if line.count("|") == 2 and not line.lstrip().startswith("File size")]


def installed_system_files(build):
    """The files an installation puts into the system folder: the extraction tool and the
    members of cabinets 101 and 102."""
    return ["extract32.exe"] + [name for number in (101, 102)
                                for name in cabinet_files(build.cabinets / f"{number}.cab")]


def update_reply(config, newer):
    """The update servers' reply: the three stamps, with cabinet `newer` (1-3, or a tuple of
    them) a later one."""
    stamps = [config[f"VersionCab{i}"] for i in (1, 2, 3)]
    for cabinet in (newer,) if isinstance(newer, int) else newer:
        stamps[cabinet - 1] = str(int(stamps[cabinet - 1]) + 10_000_000_000)  # a year later
    return "".join(stamps).encode("ascii")


def damaged_data_block(cabinet):
    """`cabinet` (bytes) with three bytes in the middle of its last data block inverted: the
    header and the member list as they were, the block's checksum wrong."""
    data = bytearray(cabinet)
    at = int.from_bytes(data[36:40], "little")  # the first folder's first data block
    blocks = int.from_bytes(data[40:42], "little")
    for _ in range(blocks - 1):
        at += 8 + int.from_bytes(data[at + 4:at + 6], "little")
    middle = at + 8 + int.from_bytes(data[at + 4:at + 6], "little") // 2
    for i in range(middle, middle + 3):
        data[i] ^= 0xFF
    return bytes(data)


def with_member_count(cabinet, count):
    """`cabinet` (bytes) whose header claims `count` members."""
    return cabinet[:28] + count.to_bytes(2, "little") + cabinet[30:]


def link_target(path):
    """The target path that a shell link (.lnk) file keeps in its link information; None
    without one."""
    data = Path(path).read_bytes()
    flags = int.from_bytes(data[20:24], "little")
    at = 76  # past the header
    if flags & 0x1:  # an item id list comes first
        at += 2 + int.from_bytes(data[at:at + 2], "little")
    if not flags & 0x2:
        return None

    def field(offset):
        return int.from_bytes(data[at + offset:at + offset + 4], "little")

    if not field(8) & 0x1:  # no local base path
        return None

    def text(offset):
        start = at + offset
        return data[start:data.index(b"\0", start)].decode("cp1252")

    return text(field(16)) + text(field(24))


def files_below(folder):
    """Every file below a folder, as relative paths with "/"."""
    folder = Path(folder)
    if not folder.exists():
        return []
    return sorted(str(p.relative_to(folder)) for p in folder.rglob("*") if p.is_file())


class ScenarioCase(unittest.TestCase):
    """A test group on one sandbox of its own, made once. A failing scenario leaves a picture
    of the screen and the message boxes in the build tree."""

    group = "e2e"

    @classmethod
    def setUpClass(cls):
        cls.build = Build(os.environ.get("INSTALIO_BUILD", ROOT / "build" / "win64"))
        cls.sandbox = Sandbox(cls.build.path / "e2e" / cls.group, cls.build)
        cls.sandbox.make()

    @classmethod
    def tearDownClass(cls):
        cls.sandbox.stop()

    def setUp(self):
        self.process = None

    def start(self, cwd=None):
        self.process = self.sandbox.start(cwd)
        return self.process

    def wizard(self):
        return Wizard(self.sandbox, self.process or self.start())

    def tearDown(self):
        if self._failed():
            shots = self.build.path / "e2e" / "failures"
            shots.mkdir(parents=True, exist_ok=True)
            name = f"{self.group}-{self._testMethodName}"
            try:
                self.sandbox.screen().grab().save(shots / f"{name}.png")
                (shots / f"{name}.txt").write_text(repr(self.sandbox.boxes()) + "\n")
                print(f"screen of the failure: {shots / name}.png")
            except Exception as error:  # the picture is a help, not the verdict
                print(f"no picture of the failure: {error}")
        kill(self.process)

    def _failed(self):
        result = getattr(getattr(self, "_outcome", None), "result", None)
        return result is not None and any(
            test is self for test, _ in result.failures + result.errors)
