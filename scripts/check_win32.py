"""The shipped 32-bit setup program through one installation under WOW64, checked from outside.

Run by scripts/check-win32, which makes the chroot, builds the win32 preset and starts this in
a network namespace of its own. Through scripts/wow64-run, the program runs in a throwaway
prefix in that chroot, its i386 half under qemu; it is driven by real input events like the
win64 end-to-end tests, with the update box ticked, against an update server and a download
server on 127.0.0.1 that offer one newer cabinet, then Finish with every box ticked.

Every 32-bit process start takes about a minute under qemu, and the wizard's window several:
the waits are long. Prints one PASS or FAIL line per check and "N passed, M failed"; exits 1
when a check failed. Pictures and Wine's output (wine.log; INSTALIO_WOW64_DEBUG sets its
channels) land in build/win32/wow64/.
"""

import os
import signal
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "instalio" / "e2e"))
import driver  # noqa: E402
from driver import UNINSTALL_KEY  # noqa: E402

MARKER = "FROM-THE-DOWNLOAD-SERVER.txt"
MARKER_TEXT = b"cabinet 103 of the download server\r\n"
LINKS = ("Check1", "Check2", "Check3", "Check4")
CLASSES = {"VMCOMCTL.OCX": "{3C0C5B02-D278-4278-B47E-A34D411CAB00}",
           "MSINETVM.OCX": "{F7A71967-3C4A-4BF9-B046-EEFF21D94F48}"}
# Generous waits (s): the window after the start, a section after a click, the road from Next
# on section 2 to section 7 (with the update check's pauses), the started application's box.
WAIT_WINDOW = 1200
WAIT_SECTION = 300
WAIT_INSTALL = 2400
WAIT_APPLICATION = 900


def wineservers(prefix):
    """The network namespace of each wineserver of the prefix, by process id."""
    found = {}
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            if not (entry / "exe").resolve().name.startswith("wineserver"):
                continue
            environment = (entry / "environ").read_bytes().split(b"\0")
            if f"WINEPREFIX={prefix}".encode() in environment:
                found[int(entry.name)] = os.readlink(entry / "ns" / "net")
        except OSError:  # a process that ended meanwhile
            continue
    return found


class Stop(Exception):
    """A step failed that later checks need."""


class Check:
    def __init__(self):
        self.build = driver.Build(os.environ.get("INSTALIO_BUILD", ROOT / "build" / "win32"))
        if os.environ.get("INSTALIO_WINSPY"):
            self.build.winspy = Path(os.environ["INSTALIO_WINSPY"])
        self.out = self.build.path / "wow64"
        self.sandbox = driver.Sandbox(self.out / "sandbox", self.build,
                                      runner=ROOT / "scripts" / "wow64-run")
        self.config = self.build.config
        self.name = self.config["Name"]
        self.target = "C:\\Program Files (x86)\\" + self.name + "\\"
        self.passed = 0
        self.failed = 0
        self.started = time.monotonic()
        self.process = None
        self.servers = None

    def say(self, text):
        print(f"[{time.monotonic() - self.started:6.0f} s] {text}", flush=True)

    def check(self, what, ok, detail=""):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
        print(f"{'PASS' if ok else 'FAIL'}: {what}" + (f" ({detail})" if detail else ""),
              flush=True)
        return ok

    def require(self, what, ok, detail=""):
        if not self.check(what, ok, detail):
            raise Stop(what)

    def picture(self, name):
        try:
            self.sandbox.screen().grab().save(self.out / f"{name}.png")
        except Exception as error:  # a help, not a verdict
            self.say(f"no picture {name}: {error}")

    def run(self):
        try:
            self.prepare()
            wizard = self.road()
            self.installed()
            self.finish(wizard)
        except Stop:
            self.picture("failure")
        except Exception as error:
            self.check("the run goes on to its end", False, f"{type(error).__name__}: {error}")
            self.picture("failure")
        finally:
            driver.kill(self.process)
            if self.servers:
                self.servers.close()
            try:
                self.sandbox.stop()
            except Exception as error:  # a display already gone
                self.say(f"stopping the sandbox: {error}")
        print(f"{self.passed} passed, {self.failed} failed", flush=True)
        return 0 if self.failed == 0 else 1

    def prepare(self):
        self.say(f"a prefix copied from the chroot's: {self.sandbox.prefix}")
        self.sandbox.make()
        self.system32_before = set(os.listdir(self.sandbox.prefix / "drive_c" / "windows" /
                                              "system32"))
        newer = driver.newer_cabinet(self.build, self.out / "server", MARKER,
                                     MARKER_TEXT.decode("ascii"))
        ports = self.build.server_ports()
        self.query = (ports[0], "/serial/check_update.php?p=" + self.config["Product"])
        self.download = (ports[3], "/downloads/cabs/" + self.config["NameCab3"])
        self.servers = driver.HttpServers(ports, {
            self.query: driver.update_reply(self.config, newer=3),
            self.download: newer,
        })
        self.say(f"servers on 127.0.0.1, ports {ports}; cabinet 103 newer on the server")
        # Wine's programs make their sockets in the wineserver: a connection leaves from the
        # server's network namespace, whichever namespace the program runs in.
        servers = wineservers(self.sandbox.prefix)
        here = os.readlink("/proc/self/ns/net")
        self.require("the sandbox's wineserver runs in the servers' network namespace",
                     servers and all(net == here for net in servers.values()), servers)

    def road(self):
        """Start, sections 0, 1 (update box ticked), 2, and Next to section 7."""
        log = self.out / "wine.log"
        log.unlink(missing_ok=True)
        self.say(f"starting {self.build.program.name} (32-bit, under qemu); Wine's output: {log}")
        self.process = self.sandbox.start(log=log)
        try:
            wizard = driver.Wizard(self.sandbox, self.process, timeout=WAIT_WINDOW)
        except AssertionError as error:
            self.require("the wizard window opens", False,
                         f"{error}; message boxes {self.sandbox.boxes()}")
        self.say("the wizard window is open")
        wizard.wait_section(0, timeout=WAIT_SECTION)
        self.check("the wizard opens on section 0 without a message box",
                   self.sandbox.boxes() == [])
        self.picture("section0")
        for name, clsid in CLASSES.items():
            key = "HKLM\\SOFTWARE\\Classes\\CLSID\\" + clsid + "\\InprocServer32"
            values = self.sandbox.reg_query(key, "/reg:32") or {}
            server = values.get("(Default)", ("", ""))[1]
            self.check(f"{name} registered in the 32-bit view, from the WOW64 system folder",
                       server.lower() == "c:\\windows\\syswow64\\" + name.lower(), server)
            self.check(f"{name} not registered in the 64-bit view",
                       self.sandbox.reg_query(key, "/reg:64") is None)

        wizard.click("cmdSiguiente", settle=False)
        image = wizard.wait_section(1, timeout=WAIT_SECTION)
        self.require("Next shows section 1 with the update box ticked",
                     wizard.ticked("chkUpdate", image) is True)
        wizard.click("cmdSiguiente", settle=False)
        wizard.wait_section(2, timeout=WAIT_SECTION)
        time.sleep(5)  # the path box's text is set as the section is drawn
        path = wizard.path()
        self.check("the default target is below the 32-bit program files", path == self.target,
                   path)
        self.picture("section2")

        self.say("Next: the update check and the installation")
        begun = time.monotonic()
        wizard.click("cmdSiguiente", settle=False)
        try:
            image = wizard.wait_section(7, timeout=WAIT_INSTALL)
        except AssertionError as error:
            self.require("the installation reaches section 7", False,
                         f"{error}; message boxes {self.sandbox.boxes()}")
        self.check("the installation reaches section 7 without a message box",
                   self.sandbox.boxes() == [], f"{time.monotonic() - begun:.0f} s after Next")
        self.picture("section7")
        return wizard

    def installed(self):
        """What the installation left, read from outside."""
        sandbox = self.sandbox
        log = self.servers.log
        self.check("the update query reached the first update server", self.query in log,
                   f"requests: {log}")
        self.check("the newer cabinet was downloaded from the first download server",
                   self.download in log)
        folder = sandbox.c(self.target)
        files = driver.files_below(folder)
        self.check("the application is in the target folder",
                   all(name in files for name in
                       ("TavrinLite.exe", "TavrinLiteAdmin.exe", "Help/readme.txt")), files)
        self.check("the target holds the downloaded cabinet's marker file",
                   (folder / MARKER).exists() and (folder / MARKER).read_bytes() == MARKER_TEXT)
        system_files = driver.installed_system_files(self.build) + list(CLASSES)
        missing = [name for name in system_files if not (sandbox.system_folder() / name).exists()]
        self.check("the libraries are in the WOW64 system folder (syswow64)", not missing,
                   f"missing {missing}" if missing else "")
        added = sorted(set(os.listdir(sandbox.prefix / "drive_c" / "windows" / "system32")) -
                       self.system32_before)
        self.check("nothing was added to the 64-bit system folder (system32)", not added,
                   f"added {added}" if added else "")
        self.check("the work folder is empty",
                   driver.files_below(sandbox.temp_folder() / "Ostrevant") == [])
        self.check("the settings files name the language",
                   (folder / "DefaultSettings.ini").exists() and
                   (folder / "DefaultSettings.ini").read_bytes() ==
                   b"[Language]\r\nLanguage=en\r\n" and
                   (sandbox.app_data() / self.name / "UserSettings.ini").exists())

        values = sandbox.reg_query(UNINSTALL_KEY + self.name, "/reg:32") or {}
        values = {name: data for name, (_, data) in values.items()}
        self.check("the uninstall entry is in the 32-bit view",
                   values.get("DisplayName") == self.name and
                   values.get("DisplayVersion") == self.config["Version"], values)
        uninstall = ("C:\\windows\\syswow64\\OstrevantUninstall.exe '" + self.name + "' '" +
                     self.target.rstrip("\\") + "'")
        self.check("UninstallString names the WOW64 system folder and the target",
                   values.get("UninstallString", "").lower() == uninstall.lower(),
                   values.get("UninstallString"))
        self.check("no uninstall entry in the 64-bit view",
                   sandbox.reg_query(UNINSTALL_KEY + self.name, "/reg:64") is None)

    def finish(self, wizard):
        """Finish with every box ticked: the shortcuts, and the application started."""
        image = wizard.image()
        self.require("section 7 has every box ticked",
                     all(wizard.ticked(box, image) is True for box in LINKS))
        wizard.click("cmdSalir", settle=False)
        self.say("Finish: the shortcuts, then the application (another 32-bit start)")
        title = self.config["Executable"].removesuffix(".exe") + " (sample)"
        # Seen on the display rather than asked of the program's windows meanwhile; not
        # waited for once the setup program has crashed (it ends with 0 after a Finish, and
        # the application's box comes later).
        box = None
        deadline = time.monotonic() + WAIT_APPLICATION
        while box is None and time.monotonic() < deadline and self.process.poll() in (None, 0):
            box = self.sandbox.screen().find(title, timeout=5)
        boxes = self.sandbox.boxes(ok=True)
        self.check("the application was started",
                   box is not None and [t for t, _ in boxes] == [title], boxes)
        try:
            code = wizard.wait_end(timeout=WAIT_SECTION)
            self.check("the setup program ends with exit code 0", code == 0, f"exit code {code}")
        except Exception:
            self.check("the setup program ends with exit code 0", False, "it still runs")

        sandbox = self.sandbox
        links = [sandbox.programs_menu() / self.name / (caption + ".lnk")
                 for caption in self.captions("ShortcutPrograms")]
        links += [sandbox.desktop() / (caption + ".lnk")
                  for caption in self.captions("ShortcutDesktop")]
        links += [sandbox.quick_launch() / (caption + ".lnk")
                  for caption in self.captions("ShortcutQuickLaunch")]
        missing = [str(link) for link in links if not link.exists()]
        self.check("the shortcuts are made", not missing, f"missing {missing}" if missing else "")
        wrong = [(link.name, driver.link_target(link)) for link in links if link.exists() and
                 not (driver.link_target(link) or "").lower().startswith(self.target.lower())]
        self.check("the shortcuts lead into the target folder", not wrong, wrong)
        log = sandbox.c(self.target + "Uninstall.log")
        self.check("Uninstall.log lists the shortcuts",
                   log.exists() and log.read_bytes().count(b"\r\n") == len(links))
        crash = self.crash()
        self.check("no 32-bit process crashed in the emulator", crash is None, crash or "")

    def crash(self):
        """qemu's report of a 32-bit process that it could not go on running; None without
        one."""
        log = self.out / "wine.log"
        if not log.exists():
            return None
        for line in log.read_bytes().decode("utf-8", "replace").splitlines():
            if line.startswith("qemu: uncaught target signal"):
                return line
        return None

    def captions(self, key):
        return [entry.split(",", 1)[1] for entry in self.build.lists.get(key, [])]


if __name__ == "__main__":
    # Ended from outside (scripts/check-win32 interrupted): the sandbox is still stopped.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    sys.exit(Check().run())
