"""Start-up of the real setup program: a machine that fails a check, and a control library that
cannot be used. Each shows only its own message box, writes nothing and ends the program before
the wizard opens."""

import unittest

import driver
from driver import FRAMEWORK_KEY, MAIN_TITLE

CONTROL_FILES = ("VMCOMCTL.OCX", "MSINETVM.OCX")


class StartUp(driver.ScenarioCase):
    group = "startup"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.sandbox.reg("delete", FRAMEWORK_KEY, "/f", "/reg:32")

    def refused(self, message):
        """Runs the program on a machine it refuses: only `message` shows, in an information
        box with an empty title, and the program ends after OK having written nothing."""
        system = self.sandbox.system_folder()
        programs = driver.files_below(self.sandbox.program_files())
        for name in CONTROL_FILES:
            self.assertFalse((system / name).exists(), name)
        self.start()
        boxes = self.sandbox.boxes(wait=30)
        self.assertEqual(boxes, [("", message)])
        self.assertIsNone(self.sandbox.screen().find(MAIN_TITLE))
        self.sandbox.boxes(ok=True)
        self.process.wait(timeout=30)
        self.assertEqual(self.sandbox.boxes(), [])
        for name in CONTROL_FILES:
            self.assertFalse((system / name).exists(), name)
        self.assertEqual(driver.files_below(self.sandbox.program_files()), programs)

    def test_no_framework_key(self):
        self.refused("You need Microsoft Framework .NET 3.5 installed to run this application.")

    def test_windows_98(self):
        # The framework key is missing as well: the version check comes first and stops.
        self.sandbox.reg("add", "HKCU\\Software\\Wine", "/v", "Version", "/d", "win98", "/f")
        try:
            self.refused("This application does not support Windows95/98/Millenium.")
        finally:
            self.sandbox.reg("delete", "HKCU\\Software\\Wine", "/v", "Version", "/f")

    def test_control_library_that_cannot_be_used(self):
        # A junk VMCOMCTL.OCX that another program holds open without sharing can be neither
        # replaced nor registered: the wizard cannot load its common controls.
        self.sandbox.reg("add", FRAMEWORK_KEY, "/f", "/reg:32")
        junk = self.sandbox.system_folder() / "VMCOMCTL.OCX"
        junk.write_bytes(b"not a library")
        try:
            with self.sandbox.hold("C:\\windows\\system32\\VMCOMCTL.OCX"):
                self.start()
                boxes = self.sandbox.boxes(wait=30)
                self.assertEqual(len(boxes), 1, boxes)
                title, text = boxes[0]
                self.assertEqual(title, "Error")
                self.assertTrue(text.startswith("Could not load control library: VMCOMCTL.OCX\n"),
                                text)
                self.assertIsNone(self.sandbox.screen().find(MAIN_TITLE))
                self.sandbox.boxes(ok=True)
                self.process.wait(timeout=30)
                self.assertEqual(junk.read_bytes(), b"not a library")
                self.assertTrue((self.sandbox.system_folder() / "MSINETVM.OCX").exists())
        finally:
            for name in CONTROL_FILES:
                (self.sandbox.system_folder() / name).unlink(missing_ok=True)
            self.sandbox.reg("delete", FRAMEWORK_KEY, "/f", "/reg:32")


if __name__ == "__main__":
    unittest.main(verbosity=2)
