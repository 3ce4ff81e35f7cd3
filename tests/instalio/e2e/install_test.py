"""Installations of the sample suite with the real setup program, clicked through like a user,
against update and download servers on 127.0.0.1, and checked from outside: the files, the
registry, the shortcuts, the servers' logs. The window system's close request during the
installation changes nothing."""

import subprocess
import time
import unittest

import driver
from driver import UNINSTALL_KEY

MARKER = "FROM-THE-DOWNLOAD-SERVER.txt"
LINKS = ("Check1", "Check2", "Check3", "Check4")


class Installation(driver.ScenarioCase):
    group = "install"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.config = cls.build.config
        cls.name = cls.config["Name"]
        cls.newer = driver.newer_cabinet(cls.build, cls.sandbox.root / "server", MARKER,
                                         "cabinet 103 of the download server\r\n")
        cls.servers = driver.HttpServers(cls.build.server_ports())
        cls.system_files = driver.installed_system_files(cls.build)

    @classmethod
    def tearDownClass(cls):
        cls.servers.close()
        super().tearDownClass()

    def setUp(self):
        super().setUp()
        self.servers.log.clear()
        self.servers.replies.clear()

    def tearDown(self):
        super().tearDown()
        self.sandbox.boxes(ok=True)  # the sample application's
        self.sandbox.remove_installation(self.name, self.system_files, ["C:\\Apps", "C:\\Setup"])

    def install(self, wizard, alt_f4_in=None):
        """From section 2, Next; the window system's close request (Alt+F4) once the section
        `alt_f4_in` is on show; then waits for section 7. Nothing may answer the request."""
        wizard.click("cmdSiguiente", settle=False)
        if alt_f4_in is not None:
            wizard.wait_section(alt_f4_in, timeout=60)
            wizard.close_request()
        image = wizard.wait_section(7, timeout=120)
        self.assertIsNone(self.sandbox.screen().find(driver.DIALOG_TITLE, timeout=0))
        self.assertEqual(self.sandbox.boxes(), [])
        self.assertEqual(wizard.buttons(image), (False, False, True))

    def time_section_5(self, wizard):
        """From section 2, Next; returns the seconds until the installation is on show
        (section 6, or 7 when it went by between two looks), then waits for section 7."""
        started = time.monotonic()
        wizard.click("cmdSiguiente", settle=False)
        while wizard.section(wizard.window.grab()) not in (6, 7):
            self.assertLess(time.monotonic() - started, 150, "section 5 does not end")
            time.sleep(0.1)
        took = time.monotonic() - started
        image = wizard.wait_section(7, timeout=120)
        self.assertEqual(self.sandbox.boxes(), [])
        self.assertEqual(wizard.buttons(image), (False, False, True))
        return took

    def finish_without_links(self, wizard):
        for box in LINKS:
            wizard.click(box)
        wizard.click("cmdSalir", settle=False)
        wizard.wait_end()

    def assertInstalled(self, target, code, index):
        """The application in `target`, the system folder's files, the settings files and the
        uninstall entry, for the language `code` (list index `index`)."""
        sandbox = self.sandbox
        folder = sandbox.c(target)
        files = driver.files_below(folder)
        for name in ("TavrinLite.exe", "TavrinLiteAdmin.exe", "Help/readme.txt"):
            self.assertIn(name, files)
        self.assertNotIn("103.cab", files)
        for name in self.system_files:
            self.assertTrue((sandbox.system_folder() / name).exists(), name)
        self.assertEqual(driver.files_below(sandbox.temp_folder() / "Ostrevant"), [])
        self.assertEqual((folder / "DefaultSettings.ini").read_bytes(),
                         f"[Language]\r\nLanguage={code}\r\n".encode())
        self.assertEqual((sandbox.app_data() / self.name / "UserSettings.ini").read_bytes(),
                         f"[CurrentSettings]\r\nLanguage={code}\r\n".encode())
        values = {name: data for name, (_, data) in
                  sandbox.reg_query(UNINSTALL_KEY + self.name, "/reg:32").items()}
        self.assertEqual(values["DisplayName"], self.name)
        self.assertEqual(values["DisplayIcon"], self.config["Executable"])
        self.assertEqual(values["Publisher"], "Ostrevant")
        self.assertEqual(values["DisplayVersion"], self.config["Version"])
        self.assertRegex(values["InstallDate"], r"^20\d{6}$")
        self.assertEqual(values["UninstallString"],
                         "C:\\windows\\system32\\OstrevantUninstall.exe '" + self.name + "' '"
                         + target.rstrip("\\") + "'")
        self.assertEqual(values["Language"], str(index))
        # The uninstaller the entry names is there (the sample one, from cabinet 102).
        self.assertTrue(sandbox.c("C:\\windows\\system32\\OstrevantUninstall.exe").exists())

    def test_plain_installation_into_a_typed_folder(self):
        # French, no update check, a folder typed without its final "\", every box cleared.
        wizard = self.wizard()
        wizard.choose_language(driver.LANGUAGE_CODES.index("fr"))
        wizard.click("cmdSiguiente")
        wizard.click("chkUpdate")
        self.assertIs(wizard.ticked("chkUpdate"), False)
        wizard.click("cmdSiguiente")
        wizard.type_path("C:\\Apps\\Tavrin")
        self.install(wizard, alt_f4_in=6)

        for box in LINKS:
            wizard.click(box)
            self.assertIs(wizard.ticked(box), False, box)
        wizard.click("cmdSalir", settle=False)
        wizard.wait_end()

        self.assertEqual(self.servers.log, [])
        self.assertInstalled("C:\\Apps\\Tavrin\\", "fr", 4)
        self.assertNotIn(MARKER, driver.files_below(self.sandbox.c("C:\\Apps\\Tavrin")))
        self.assertFalse(self.sandbox.c("C:\\Apps\\Tavrin\\Uninstall.log").exists())
        self.assertFalse((self.sandbox.programs_menu() / self.name).exists())
        self.assertEqual(list(self.sandbox.desktop().glob("*.lnk")), [])
        self.assertEqual(list(self.sandbox.quick_launch().iterdir()), [])
        self.assertEqual(self.sandbox.boxes(wait=2), [])  # the application was not started

    def test_update_brings_the_newer_cabinet_and_finish_makes_the_shortcuts(self):
        ports = self.build.server_ports()
        query = "/serial/check_update.php?p=" + self.config["Product"]
        download = "/downloads/cabs/" + self.config["NameCab3"]
        self.servers.replies[(ports[0], query)] = driver.update_reply(self.config, newer=3)
        self.servers.replies[(ports[3], download)] = self.newer

        wizard = self.wizard()
        wizard.click("cmdSiguiente")
        self.assertIs(wizard.ticked("chkUpdate"), True)
        wizard.click("cmdSiguiente")
        self.install(wizard, alt_f4_in=5)  # during the pauses around the download

        self.assertEqual(self.servers.log, [(ports[0], query), (ports[3], download)])
        target = "C:\\Program Files\\" + self.name + "\\"
        self.assertInstalled(target, "en", 0)
        self.assertEqual(self.sandbox.c(target + MARKER).read_bytes(),
                         b"cabinet 103 of the download server\r\n")

        image = wizard.image()
        for box in LINKS:
            self.assertIs(wizard.ticked(box, image), True, box)
        wizard.click("cmdSalir", settle=False)
        # The sample application says what it is in a box titled after itself.
        started = self.config["Executable"].removesuffix(".exe") + " (sample)"
        self.assertEqual([title for title, _ in self.sandbox.boxes(wait=30)], [started])
        wizard.wait_end()

        menu = self.sandbox.programs_menu() / self.name
        links = [menu / (caption + ".lnk") for caption in self.captions("ShortcutPrograms")]
        links += [self.sandbox.desktop() / (caption + ".lnk")
                  for caption in self.captions("ShortcutDesktop")]
        links += [self.sandbox.quick_launch() / (caption + ".lnk")
                  for caption in self.captions("ShortcutQuickLaunch")]
        for link in links:
            self.assertTrue(link.exists(), link)
        log = self.sandbox.c(target + "Uninstall.log").read_bytes().decode("cp1252")
        self.assertTrue(log.endswith("\r\n"))
        logged = [self.sandbox.c(line) for line in log[:-2].split("\r\n")]
        self.assertEqual([path.resolve() for path in logged], [path.resolve() for path in links])

    def test_finish_reports_a_shortcut_that_cannot_be_made(self):
        # Without the Quick Launch folder the third set of shortcuts cannot be saved: the
        # failure is shown in the error box, and the wizard then closes as after a Finish.
        quick_launch = self.sandbox.quick_launch()
        quick_launch.rmdir()
        try:
            wizard = self.wizard()
            wizard.click("cmdSiguiente")
            wizard.click("chkUpdate")
            wizard.click("cmdSiguiente")
            self.install(wizard)
            wizard.click("cmdSalir", settle=False)
            boxes = self.sandbox.boxes(wait=30, ok=True)
            self.assertEqual(len(boxes), 1, boxes)
            self.assertEqual(boxes[0][0], "Error")
            self.assertTrue(boxes[0][1].startswith("Could not create the shortcuts.\n"), boxes)
            wizard.wait_end()
        finally:
            quick_launch.mkdir()

        # What was made before the failure stays: the Programs-menu and desktop shortcuts,
        # logged; the application is not started.
        target = "C:\\Program Files\\" + self.name + "\\"
        log = self.sandbox.c(target + "Uninstall.log").read_bytes().decode("cp1252")
        made = len(self.captions("ShortcutPrograms")) + len(self.captions("ShortcutDesktop"))
        self.assertEqual(len(log.split("\r\n")) - 1, made)
        self.assertEqual(len(list((self.sandbox.programs_menu() / self.name).glob("*.lnk"))) +
                         len(list(self.sandbox.desktop().glob("*.lnk"))), made)
        self.assertEqual(self.sandbox.boxes(wait=2), [])

    def test_silent_update_servers_end_section_5_within_about_a_minute(self):
        # Three update servers that take the query and never answer: each is given up after
        # 20 s, as a server without an answer, "update_noconnection" shows for 2 s, and the
        # built-in cabinets are installed.
        ports = self.build.server_ports()
        product = self.config["Product"]
        queries = [(ports[0], "/serial/check_update.php?p=" + product),
                   (ports[1], "/check_update.php?p=" + product),
                   (ports[2], "/serial/check_update.php?p=" + product)]
        for query in queries:
            self.servers.replies[query] = driver.SILENT

        wizard = self.wizard()
        wizard.click("cmdSiguiente")
        wizard.click("cmdSiguiente")
        took = self.time_section_5(wizard)
        self.assertGreaterEqual(took, 3 * 20 * 0.9)
        self.assertLessEqual(took, 75)
        self.finish_without_links(wizard)

        self.assertEqual(self.servers.log, queries)
        target = "C:\\Program Files\\" + self.name + "\\"
        self.assertInstalled(target, "en", 0)
        self.assertNotIn(MARKER, driver.files_below(self.sandbox.c(target)))

    def test_downloads_that_are_silent_or_only_look_whole_keep_the_built_in_cabinets(self):
        # Cabinets 101 and 103 are newer on the server. 101: the first download server never
        # answers, the second sends the built-in cabinet with a damaged data block; neither
        # replaces it. 103: the first sends the newer cabinet with a header that claims 65535
        # members, which is not taken either; the second sends it whole.
        ports = self.build.server_ports()
        query = "/serial/check_update.php?p=" + self.config["Product"]
        devices = "/downloads/cabs/" + self.config["NameCab1"]
        program = "/downloads/cabs/" + self.config["NameCab3"]
        built_in = (self.build.cabinets / "101.cab").read_bytes()
        self.servers.replies[(ports[0], query)] = driver.update_reply(self.config, newer=(1, 3))
        self.servers.replies[(ports[3], devices)] = driver.SILENT
        self.servers.replies[(ports[4], devices)] = driver.damaged_data_block(built_in)
        self.servers.replies[(ports[3], program)] = driver.with_member_count(self.newer, 65535)
        self.servers.replies[(ports[4], program)] = self.newer

        wizard = self.wizard()
        wizard.click("cmdSiguiente")
        wizard.click("cmdSiguiente")
        took = self.time_section_5(wizard)
        # 2 s, the silent download's 20 s, the other downloads and their checks, 20 s and 2 s.
        self.assertLessEqual(took, 60)
        self.finish_without_links(wizard)

        self.assertEqual(self.servers.log, [(ports[0], query), (ports[3], devices),
                                            (ports[4], devices), (ports[3], program),
                                            (ports[4], program)])
        target = "C:\\Program Files\\" + self.name + "\\"
        self.assertInstalled(target, "en", 0)
        self.assertEqual(self.sandbox.c(target + MARKER).read_bytes(),
                         b"cabinet 103 of the download server\r\n")
        termlink = subprocess.run(["cabextract", "-q", "-p", "-F", "termlink.dll",
                                   str(self.build.cabinets / "101.cab")],
                                  capture_output=True, check=True).stdout
        self.assertTrue((self.sandbox.system_folder() / "termlink.dll").read_bytes() == termlink,
                        "termlink.dll is not the built-in one")

    def test_a_relative_target_folder_shows_and_gets_the_full_path_it_leads_to(self):
        # Typed without a drive, the folder is found from the setup program's current folder:
        # the box shows that full path once it loses the focus, and the files and the uninstall
        # entry agree with it.
        self.sandbox.c("C:\\Setup").mkdir(exist_ok=True)
        self.start(cwd="C:\\Setup")
        wizard = self.wizard()
        wizard.click("cmdSiguiente")
        wizard.click("chkUpdate")
        wizard.click("cmdSiguiente")
        wizard.type_path("foo")
        wizard.click("cmdAnterior")  # the box loses the focus
        wizard.click("cmdSiguiente")
        self.assertEqual(wizard.path(), "C:\\Setup\\foo\\")
        self.install(wizard)
        self.finish_without_links(wizard)

        self.assertEqual(self.servers.log, [])
        self.assertInstalled("C:\\Setup\\foo\\", "en", 0)

    def captions(self, key):
        return [entry.split(",", 1)[1] for entry in self.build.lists.get(key, [])]


if __name__ == "__main__":
    unittest.main(verbosity=2)
