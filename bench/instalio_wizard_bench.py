"""instalio_wizard_bench: the real setup program under wine64, timed from outside on an Xvfb
display. A program to run by hand, not a test (the win64 build must exist):

    /usr/bin/python3 bench/instalio_wizard_bench.py [--runs N] [BUILD]

- start-up: from the start of the process to the shaped wizard window mapped, and to its
  picture painted in full (the same as a settled reference picture), with the prefix and the
  wineserver already up; median of N runs;
- section switch: from the click on Next (section 0 to 1) and on Back (1 to 0) to the new
  section painted in full; median of N;
- installation of the sample suite with the update check unticked: from the click on Next on
  section 2 to section 7 on screen; median of 3.

Clicks go through the XTEST extension directly, so that no helper program's start is timed.
"""

import argparse
import statistics
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


def median_ms(values):
    return f"{statistics.median(values) * 1000:.0f} ms"


def main():
    parser = argparse.ArgumentParser(description="times the setup wizard under wine64")
    parser.add_argument("build", nargs="?", default=str(ROOT / "build" / "win64"))
    parser.add_argument("--runs", type=int, default=7)
    args = parser.parse_args()

    build = driver.Build(args.build)
    sandbox = driver.Sandbox(build.path / "bench-wizard", build)
    print("making the prefix ...", flush=True)
    sandbox.make()
    try:
        # The reference pictures: section 0 and section 1 once everything has settled.
        wizard = driver.Wizard(sandbox, sandbox.start_direct())
        time.sleep(1)
        section0 = wizard.image()
        wizard.click("cmdSiguiente")
        section1 = crop(wizard.image(), MAIN["frame"])
        driver.kill(wizard.process)

        shown, painted = zip(*(startup(sandbox, section0) for _ in range(args.runs)))
        print(f"start-up, median of {args.runs}: window mapped {median_ms(shown)}, "
              f"painted {median_ms(painted)} (min {min(painted) * 1000:.0f}, "
              f"max {max(painted) * 1000:.0f} ms; goal 500 ms)")

        wizard = driver.Wizard(sandbox, sandbox.start_direct())
        wizard.image()
        forward, backward = [], []
        for _ in range(args.runs):
            forward.append(section_switch(wizard, "cmdSiguiente", section1))
            wizard.window.settle()
            backward.append(section_switch(wizard, "cmdAnterior", crop(section0, MAIN["frame"])))
            wizard.window.settle()
        driver.kill(wizard.process)
        print(f"section switch, median of {args.runs}: Next 0 to 1 {median_ms(forward)}, "
              f"Back 1 to 0 {median_ms(backward)} (goal 50 ms)")

        system_files = driver.installed_system_files(build)
        runs = [installation(sandbox, build, system_files) for _ in range(3)]
        print(f"installation of the sample suite, update unticked, Next on section 2 to "
              f"section 7, median of 3: {statistics.median(runs):.2f} s "
              f"({', '.join(f'{run:.2f}' for run in runs)})")
    finally:
        sandbox.stop()


if __name__ == "__main__":
    main()
