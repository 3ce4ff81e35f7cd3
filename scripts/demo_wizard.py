"""The setup wizard installing the sample suite: a throwaway Wine prefix that passes the machine
checks, an update server and a download server on 127.0.0.1 that offer one newer cabinet, and
the wizard, driven like a user on an Xvfb display of its own (or, with --interactive, clicked
through by you on $DISPLAY). Saves a picture of every section and dialog, then reports what
was installed, read from outside the program.

    demo_wizard.py BUILD OUT [--interactive]

BUILD is the win64 build tree (with instalio.exe and winspy.exe built), OUT the folder for the
pictures and the prefix. Exits 1 when the installation is not what it should be.
"""

import argparse
import datetime
import os
import shutil
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "instalio" / "e2e"))
import driver  # noqa: E402
from driver import DIALOG, DIALOG_TITLE, FOLDERS, FOLDERS_TITLE  # noqa: E402

MARKER = "FROM-THE-DOWNLOAD-SERVER.txt"
TARGET = "C:\\Programs\\Tavrin Lite"  # typed without its final "\"
SERVICES_KEY = "HKLM\\System\\CurrentControlSet\\Services"


def say(text):
    print(f"demo: {text}", flush=True)


class Demo:
    def __init__(self, build, out, display):
        self.build = driver.Build(build)
        self.out = Path(out).resolve()
        self.sandbox = driver.Sandbox(self.out / "wine", self.build, display)
        self.config = self.build.config
        self.name = self.config["Name"]
        self.pictures = []
        self.problems = []
        self.started = []
        self.automatic = True
        self.installed = False

    def prepare(self):
        say(f"making a Wine prefix that passes the machine checks: {self.sandbox.prefix}")
        self.sandbox.make()
        self.system_before = set(os.listdir(self.sandbox.system_folder()))
        self.services_before = set(self.sandbox.subkeys(SERVICES_KEY))

        say("making a newer application cabinet (103) with gcab: the sample payload and "
            + MARKER)
        newer = driver.newer_cabinet(self.build, self.out / "server", MARKER,
                                     f"cabinet 103 of the download server, made "
                                     f"{datetime.datetime.now():%Y-%m-%d %H:%M:%S}\r\n")
        self.update_port = self.build.port("INSTALIO_UPDATE_SERVER_1")
        self.download_port = self.build.port("INSTALIO_DOWNLOAD_SERVER_1")
        self.query = "/serial/check_update.php?p=" + self.config["Product"]
        self.download = "/downloads/cabs/" + self.config["NameCab3"]
        self.reply = driver.update_reply(self.config, newer=3)
        self.servers = driver.HttpServers([self.update_port, self.download_port], {
            (self.update_port, self.query): self.reply,
            (self.download_port, self.download): newer,
        })
        say(f"update server on http://127.0.0.1:{self.update_port}: stamps "
            f"{self.reply.decode()} (cabinet 103 newer than the built-in "
            f"{self.config['VersionCab3']})")
        say(f"download server on http://127.0.0.1:{self.download_port}: {self.download} "
            f"({len(newer)} bytes)")

    def picture(self, window, name, what):
        path = self.out / f"{len(self.pictures) + 1:02d}-{name}.png"
        window.save(path)
        self.pictures.append(path)
        say(f"{what}: {os.path.relpath(path)}")

    def drive(self):
        """Clicks through the wizard like a user, by real input events."""
        sandbox = self.sandbox
        say("starting the wizard (instalio.exe) on its own display " + sandbox.display)
        wizard = driver.Wizard(sandbox, sandbox.start())
        window = wizard.window
        wizard.image()
        self.picture(window, "section0-language", "section 0, the language")
        wizard.click("cmbLanguages")
        self.picture(window, "section0-language-list", "section 0, the language list open")
        wizard.choose_language(1, opened=True)
        self.picture(window, "section0-espanol", "section 0 after choosing Español")
        wizard.choose_language(0)
        wizard.click("cmdSiguiente")
        self.picture(window, "section1-welcome", "section 1, welcome (update check ticked)")
        wizard.click("cmdSiguiente")
        wizard.type_path(TARGET)
        wizard.window.settle()
        self.picture(window, "section2-target-folder", f"section 2, the folder typed: {TARGET}")

        wizard.click("cmdRuta", settle=False)
        folders = wizard.dialog(FOLDERS_TITLE)
        self.picture(folders, "folder-chooser", "the folder chooser")
        folders.click(FOLDERS["cmdSalir"])
        window.settle()
        say(f"folder chooser cancelled; the path box holds {wizard.path()}")

        wizard.click("cmdSalir", settle=False)
        dialog = wizard.dialog(DIALOG_TITLE)
        self.picture(dialog, "question", "Close asks first (the yes/no dialog)")
        dialog.click(DIALOG["cmdSalir"])
        window.settle()
        say("answered No: the wizard stays on section 2")

        say("Next: the update check, the download, the installation")
        wizard.click("cmdSiguiente", settle=False)
        while not wizard.downloading(wizard.wait_section(5, timeout=60)):
            time.sleep(0.05)
        self.picture(window, "section5-download", "section 5, downloading the newer cabinet")
        time.sleep(4)  # the download is done; the wizard waits 20 s before it goes on
        self.picture(window, "section5-complete", "section 5, download complete")
        wizard.wait_section(6, timeout=60)
        self.picture(window, "section6-installing", "section 6, installing")
        wizard.wait_section(7, timeout=120)
        wizard.image()
        self.picture(window, "section7-finished", "section 7, finished (every box ticked)")

        say("Finish: the shortcuts, and the application starts")
        wizard.click("cmdSalir", settle=False)
        application = self.config["Executable"].removesuffix(".exe") + " (sample)"
        box = sandbox.screen().find(application, timeout=30)
        if box:
            box.settle()
            self.picture(box, "application", "the installed application, started")
        self.started = sandbox.boxes(wait=5, ok=True)
        code = wizard.wait_end()
        say(f"the wizard ended (exit code {code})")

        say("a second run, closed at once: section 8")
        wizard = driver.Wizard(sandbox, sandbox.start())
        wizard.image()
        wizard.click("cmdSalir", settle=False)
        wizard.dialog(DIALOG_TITLE).click(DIALOG["cmdAceptar"])
        wizard.wait_section(8)
        wizard.image()
        self.picture(wizard.window, "section8-interrupted", "section 8, interrupted")
        wizard.click("cmdSalir", settle=False)
        wizard.wait_end()

    def interactive(self):
        say(f"starting the wizard on {self.sandbox.display}: click through it; the report "
            "follows when it ends")
        process = self.sandbox.start()
        process.wait()
        self.started = self.sandbox.boxes(wait=3)

    # --- the report, read from the prefix, the registry and the servers' logs

    def check(self, condition, problem):
        """Notes a problem of the driven run; clicked through by hand, anything may be so."""
        if not condition and self.automatic:
            self.problems.append(problem)
        return condition

    def report(self, automatic):
        self.automatic = automatic
        sandbox = self.sandbox
        values = sandbox.reg_query(driver.UNINSTALL_KEY + self.name, "/reg:32") or {}
        print()
        print(f"=== What the wizard installed (read from {sandbox.prefix})")
        self.installed = bool(values)
        if not self.check(values, "no uninstall entry"):
            print("Nothing: the wizard closed before the installation (no uninstall entry)")
            return
        # The target folder, as the uninstall entry's last argument names it.
        target = values["UninstallString"][1].rsplit("' '", 1)[-1].rstrip("'") + "\\"
        print(f"Target folder {target}")
        if not target.upper().startswith("C:"):
            print("  (not on drive C: of the prefix: not read)")
            return
        folder = sandbox.c(target)
        files = driver.files_below(folder)
        for name in files:
            print(f"  {name.replace('/', chr(92))} ({(folder / name).stat().st_size} bytes)")
        self.check(self.config["Executable"] in files, "the application is not in the target")

        print("System folder C:\\windows\\system32, new files")
        new = sorted(set(os.listdir(sandbox.system_folder())) - self.system_before)
        for name in new:
            print(f"  {name}")
        for name in driver.installed_system_files(self.build):
            self.check(name in new, f"{name} is not in the system folder")

        print(f"Uninstall entry {driver.UNINSTALL_KEY}{self.name} (32-bit view)")
        for name, (kind, data) in values.items():
            print(f"  {name} = {data}")
        uninstaller = values.get("UninstallString", ("", ""))[1].split(" '", 1)[0]
        if uninstaller:
            state = "present" if sandbox.c(uninstaller).exists() else "MISSING"
            print(f"  the uninstaller it names, {uninstaller}: {state}")

        print("Settings files")
        for path in (sandbox.app_data() / self.name / "UserSettings.ini",
                     folder / "DefaultSettings.ini"):
            if self.check(path.exists(), f"{path.name} is missing"):
                lines = path.read_bytes().decode("cp1252").splitlines()
                print(f"  {self.windows(path)}: {' | '.join(lines)}")

        print("Shortcuts")
        links = sorted((sandbox.programs_menu() / self.name).glob("*.lnk")) + sorted(
            sandbox.desktop().glob("*.lnk")) + sorted(sandbox.quick_launch().glob("*.lnk"))
        for link in links:
            print(f"  {self.windows(link)} -> {driver.link_target(link)}")
        log = folder / "Uninstall.log"
        if self.check(log.exists(), "no Uninstall.log"):
            print(f"  {target}Uninstall.log:")
            for line in log.read_bytes().decode("cp1252").splitlines():
                print(f"    {line}")
        expected = sum(len(self.build.lists.get(key, []))
                       for key in ("ShortcutPrograms", "ShortcutDesktop", "ShortcutQuickLaunch"))
        self.check(len(links) == expected,
                   f"{len(links)} shortcuts instead of {expected}")

        print("Services")
        configured = self.build.lists.get("service", [])
        print(f"  configured: {', '.join(configured) if configured else 'none'}")
        created = sorted(set(sandbox.subkeys(SERVICES_KEY)) - self.services_before)
        print(f"  created: {', '.join(created) if created else 'none'}")

        print("From the servers")
        for port, path in self.servers.log:
            print(f"  GET http://127.0.0.1:{port}{path}")
        from_server = (folder / MARKER).exists()
        if from_server:
            print(f"  cabinet 103 ({self.config['NameCab3']}) came from the download server: "
                  f"{MARKER} is in the target folder")
            print(f"    {(folder / MARKER).read_text().strip()}")
        self.check(self.servers.log == [(self.update_port, self.query),
                                        (self.download_port, self.download)],
                   "the servers did not see one update query and one download")
        self.check(from_server, "cabinet 103 did not come from the download server")

        print("Started")
        for title, _ in self.started:
            print(f"  {title} (its message box)")
        if not self.started:
            print("  nothing")
        self.check(self.started, "the application was not started")

        if self.pictures:
            print(f"Pictures ({len(self.pictures)}) in {self.out}:")
            for path in self.pictures:
                print(f"  {path.name}")

    def windows(self, path):
        relative = Path(path).relative_to(self.sandbox.prefix / "drive_c")
        return "C:\\" + str(relative).replace("/", "\\")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("build")
    parser.add_argument("out")
    parser.add_argument("--interactive", action="store_true")
    args = parser.parse_args()
    if args.interactive and not os.environ.get("DISPLAY"):
        print("demo: --interactive needs a display (DISPLAY is not set)")
        return 2

    out = Path(args.out)
    if out.exists():
        driver.Sandbox(out / "wine", None).stop()
        shutil.rmtree(out)
    out.mkdir(parents=True)
    demo = Demo(args.build, out, os.environ["DISPLAY"] if args.interactive else None)
    try:
        demo.prepare()
        if args.interactive:
            demo.interactive()
        else:
            demo.drive()
        demo.report(automatic=not args.interactive)
    except (AssertionError, OSError, RuntimeError) as error:
        demo.problems.append(str(error))
        try:
            demo.sandbox.screen().grab().save(out / "failure.png")
            demo.problems.append(f"the screen at that moment: {out / 'failure.png'}")
        except Exception:
            pass
    finally:
        if getattr(demo, "servers", None):
            demo.servers.close()
        demo.sandbox.stop()
    print()
    if demo.problems:
        for problem in demo.problems:
            print(f"demo: FAILED: {problem}")
        return 1
    if demo.installed:
        print("demo: the sample suite is installed; the prefix stays in "
              f"{demo.sandbox.prefix} until the next run")
    return 0


if __name__ == "__main__":
    sys.exit(main())
