"""instalio_wizard_bench: the real setup program under wine64, timed from outside on an Xvfb
display. A program to run by hand, not a test (the win64 build must exist):

    /usr/bin/python3 bench/instalio_wizard_bench.py [--runs N] [--install-runs N]
                     [--before REVISION] [--shipped PROGRAM] [BUILD ...]

- start-up: from the start of the process to the shaped wizard window mapped, and to its
  picture painted in full (the same as a settled reference picture), with the prefix and the
  wineserver already up; median of N runs;
- section switch: from the click on Next (section 0 to 1) and on Back (1 to 0) to the new
  section painted in full; median of N;
- installation of the sample suite with the update check unticked: from the click on Next on
  section 2 to section 7 on screen; median of --install-runs;
- size: each build's instalio.exe, and the shipped one (the win32 build's, --shipped).

Given more than one build (win64 build folders, each in a sandbox of its own), every measure
runs the builds in turn within each round, and each figure is also given as a ratio to the
first build's. --before REVISION builds that revision of this repository (the win64 preset's
instalio and winspy, in build/bench-before) and puts it first, before the builds given.

Clicks go through the XTEST extension directly, so that no helper program's start is timed.
"""

import argparse
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

from Xlib import X
from Xlib.ext import xtest

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "instalio" / "e2e"))
import driver  # noqa: E402
from driver import MAIN, MAIN_TITLE, crop, same  # noqa: E402


def click(wizard, name):
    """A real click at the element's centre; returns the time of the button press."""
    x, y, _, _ = wizard.window.geometry()
    left, top, width, height = driver.rect_px(MAIN[name])
    screen = wizard.screen
    xtest.fake_input(screen.x, X.MotionNotify, x=x + left + width // 2, y=y + top + height // 2)
    screen.x.sync()
    time.sleep(0.05)
    start = time.monotonic()
    xtest.fake_input(screen.x, X.ButtonPress, 1)
    xtest.fake_input(screen.x, X.ButtonRelease, 1)
    screen.x.sync()
    return start


def until(condition, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return time.monotonic()
    raise RuntimeError("timed out")


def startup(sandbox, reference):
    """Seconds from the process start to the window mapped, and to it painted in full."""
    screen = sandbox.screen()
    start = time.monotonic()
    process = sandbox.start_direct()
    try:
        window = None

        def mapped():
            nonlocal window
            window = screen.find(MAIN_TITLE)
            return window is not None

        shown = until(mapped, 30)
        painted = until(lambda: same(window.grab(), reference), 30)
        return shown - start, painted - start
    finally:
        driver.kill(process)


def section_switch(wizard, name, frame):
    start = click(wizard, name)
    return until(lambda: same(crop(wizard.window.grab(), MAIN["frame"]), frame), 10) - start


def installation(sandbox, build, system_files):
    sandbox.remove_installation(build.config["Name"], system_files)
    wizard = driver.Wizard(sandbox, sandbox.start_direct())
    try:
        wizard.click("cmdSiguiente")
        wizard.click("chkUpdate")
        wizard.click("cmdSiguiente")
        start = click(wizard, "cmdSiguiente")
        return until(lambda: wizard.section(wizard.window.grab()) == 7, 300) - start
    finally:
        driver.kill(wizard.process)


def build_revision(revision):
    """The win64 build of `revision` of this repository, made in build/bench-before."""
    source = ROOT / "build" / "bench-before"
    commit = subprocess.run(["git", "-C", str(ROOT), "rev-parse", "--verify",
                             revision + "^{commit}"], check=True, capture_output=True,
                            text=True).stdout.strip()
    stamp = source / "commit"
    if not stamp.is_file() or stamp.read_text().strip() != commit:
        print(f"building {revision} ({commit[:12]}) in {source} ...", flush=True)
        shutil.rmtree(source, ignore_errors=True)
        source.mkdir(parents=True)
        archive = subprocess.Popen(["git", "-C", str(ROOT), "archive", commit],
                                   stdout=subprocess.PIPE)
        subprocess.run(["tar", "-x", "-C", str(source)], stdin=archive.stdout, check=True)
        archive.stdout.close()
        if archive.wait() != 0:
            raise RuntimeError(f"git archive {commit} failed")
        stamp.write_text(commit + "\n")
    for command in (["cmake", "--preset", "win64"],
                    ["cmake", "--build", "--preset", "win64", "--target", "instalio", "winspy"]):
        subprocess.run(command, cwd=source, check=True, stdout=subprocess.DEVNULL)
    return source / "build" / "win64"


def report(label, builds, figures, unit_ms=True, extra=""):
    """One line per build: the median of its figures, and its ratio to the first build's."""
    print(label + extra)
    first = statistics.median(figures[0])
    for build, values in zip(builds, figures):
        median = statistics.median(values)
        shown = f"{median * 1000:.0f} ms" if unit_ms else f"{median:.2f} s"
        each = ", ".join(f"{v * 1000:.0f}" if unit_ms else f"{v:.2f}" for v in values)
        ratio = f"  ({median / first:.2f} of the first)" if len(builds) > 1 else ""
        print(f"  {build.path}: {shown} [{each}]{ratio}")


def main():
    parser = argparse.ArgumentParser(description="times the setup wizard under wine64")
    parser.add_argument("builds", nargs="*", metavar="BUILD",
                        help="win64 build folders (default: build/win64)")
    parser.add_argument("--runs", type=int, default=7, help="rounds of start-up and switches")
    parser.add_argument("--install-runs", type=int, default=5, help="rounds of installation")
    parser.add_argument("--before", metavar="REVISION",
                        help="also build this revision and measure it first")
    parser.add_argument("--shipped", default=str(ROOT / "build" / "win32" / "bin" /
                                                 "instalio.exe"),
                        help="the shipped program, whose size is reported")
    args = parser.parse_args()

    paths = [Path(b) for b in args.builds] or [ROOT / "build" / "win64"]
    if args.before:
        paths.insert(0, build_revision(args.before))
    builds = [driver.Build(path) for path in paths]
    sandboxes = [driver.Sandbox(build.path / "bench-wizard", build) for build in builds]
    print("making the prefixes ...", flush=True)
    try:
        references = []
        for sandbox in sandboxes:
            sandbox.make()
            # The reference pictures: section 0 and section 1 once everything has settled.
            wizard = driver.Wizard(sandbox, sandbox.start_direct())
            time.sleep(1)
            section0 = wizard.image()
            wizard.click("cmdSiguiente")
            references.append((section0, crop(wizard.image(), MAIN["frame"])))
            driver.kill(wizard.process)

        shown = [[] for _ in builds]
        painted = [[] for _ in builds]
        for _ in range(args.runs):
            for i, sandbox in enumerate(sandboxes):
                mapped, full = startup(sandbox, references[i][0])
                shown[i].append(mapped)
                painted[i].append(full)
        report(f"start-up, window mapped, median of {args.runs}:", builds, shown)
        report(f"start-up, window painted in full, median of {args.runs}:", builds, painted,
               extra=" (goal 1000 ms)")

        forward = [[] for _ in builds]
        backward = [[] for _ in builds]
        wizards = []
        for sandbox in sandboxes:
            wizards.append(driver.Wizard(sandbox, sandbox.start_direct()))
            wizards[-1].image()
        for _ in range(args.runs):
            for i, wizard in enumerate(wizards):
                section0, section1 = references[i]
                forward[i].append(section_switch(wizard, "cmdSiguiente", section1))
                wizard.window.settle()
                backward[i].append(section_switch(wizard, "cmdAnterior",
                                                  crop(section0, MAIN["frame"])))
                wizard.window.settle()
        for wizard in wizards:
            driver.kill(wizard.process)
        report(f"section switch Next 0 to 1, median of {args.runs}:", builds, forward,
               extra=" (goal 50 ms)")
        report(f"section switch Back 1 to 0, median of {args.runs}:", builds, backward)

        system_files = [driver.installed_system_files(build) for build in builds]
        installs = [[] for _ in builds]
        for _ in range(args.install_runs):
            for i, sandbox in enumerate(sandboxes):
                installs[i].append(installation(sandbox, builds[i], system_files[i]))
        report(f"installation of the sample suite, update unticked, Next on section 2 to "
               f"section 7, median of {args.install_runs}:", builds, installs, unit_ms=False,
               extra=" (goal 1.00 s)")

        print("size of the program:")
        for build in builds:
            print(f"  {build.program}: {build.program.stat().st_size / 1e6:.2f} MB")
        shipped = Path(args.shipped)
        if shipped.is_file():
            print(f"  shipped, {shipped}: {shipped.stat().st_size / 1e6:.2f} MB (goal 4 MB)")
        else:
            print(f"  shipped, {shipped}: not built (cmake --preset win32 && "
                  f"cmake --build --preset win32)")
    finally:
        for sandbox in sandboxes:
            sandbox.stop()


if __name__ == "__main__":
    main()
