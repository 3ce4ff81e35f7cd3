"""The wizard up to the installation, on the real setup program: its window, the language
switch, Back and Next, Close with the yes/no dialog, the folder chooser and the typed path.
Each scenario starts the program anew in one sandbox and clicks at the layout's positions."""

import unittest

import driver
from driver import DIALOG, DIALOG_TITLE, FOLDERS, FOLDERS_TITLE, MAIN, crop, same

ENABLED = {0: (False, True, True), 1: (True, True, True), 2: (True, True, True),
           8: (False, False, True)}


class Road(driver.ScenarioCase):
    group = "road"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # A folder listed right below drive C: in the folder tree, with a sub-folder of its own.
        cls.sandbox.c("C:\\Data\\Old").mkdir(parents=True)
        cls.name = cls.build.config["Name"]
        cls.default_path = "C:\\Program Files\\" + cls.name + "\\"

    def assertSection(self, wizard, section):
        image = wizard.image()
        self.assertEqual(wizard.section(image), section)
        self.assertEqual(wizard.buttons(image), ENABLED[section])
        return image

    def assertShapedLike(self, window, picture):
        """The window is its picture's size, and its X shape is the picture less its magenta."""
        expected = driver.picture_mask(self.build.picture(picture))
        shape = window.shape_mask()
        self.assertEqual(window.geometry()[2:], self.build.picture(picture).size)
        self.assertEqual(shape[0][0], 0, "the corner is not cut away")
        self.assertTrue(shape == expected, f"{picture}: the shape is not the picture's region")

    def assertCentredOn(self, window, x, y, width, height):
        wx, wy, ww, wh = window.geometry()
        self.assertLessEqual(abs((2 * wx + ww) - (2 * x + width)), 2)
        self.assertLessEqual(abs((2 * wy + wh) - (2 * y + height)), 2)

    def assertNothingInstalled(self):
        sandbox = self.sandbox
        self.assertFalse((sandbox.program_files() / self.name).exists())
        self.assertIsNone(sandbox.reg_query(driver.UNINSTALL_KEY + self.name, "/reg:32"))
        self.assertFalse((sandbox.temp_folder() / "Ostrevant").exists())
        self.assertFalse((sandbox.app_data() / self.name).exists())
        self.assertFalse((sandbox.programs_menu() / self.name).exists())
        self.assertEqual(list(sandbox.desktop().glob("*.lnk")), [])
        self.assertEqual(list(sandbox.quick_launch().iterdir()), [])

    def test_window_is_centred_in_the_outline_of_its_picture(self):
        wizard = self.wizard()
        self.assertEqual(wizard.window.geometry()[2:], (466, 299))
        width, height = self.sandbox.screen().size()
        self.assertCentredOn(wizard.window, 0, 0, width, height)
        self.assertShapedLike(wizard.window, "FRMMAIN")

    def test_language_switch_rewrites_the_texts(self):
        wizard = self.wizard()
        english = self.assertSection(wizard, 0)
        wizard.click("cmdSiguiente")
        english_welcome = wizard.image()
        wizard.click("cmdAnterior")

        wizard.choose_language(1)  # Español
        spanish = self.assertSection(wizard, 0)
        for name in ("lblSeccion0", "cmbLanguages", "cmdAnterior", "cmdSiguiente", "cmdSalir"):
            self.assertFalse(same(crop(english, MAIN[name]), crop(spanish, MAIN[name])), name)
        wizard.click("cmdSiguiente")
        self.assertFalse(same(crop(wizard.image(), MAIN["frame"]),
                              crop(english_welcome, MAIN["frame"])))
        wizard.click("cmdAnterior")

        wizard.choose_language(0)
        back = wizard.image()
        for name in ("lblTitle", "frame", "cmdAnterior", "cmdSiguiente", "cmdSalir"):
            self.assertTrue(same(crop(english, MAIN[name]), crop(back, MAIN[name])), name)

    def test_back_and_next(self):
        wizard = self.wizard()
        pictures = {0: self.assertSection(wizard, 0)}
        for section in (1, 2):
            wizard.click("cmdSiguiente")
            pictures[section] = self.assertSection(wizard, section)
        for section in (1, 0):
            wizard.click("cmdAnterior")
            self.assertTrue(same(self.assertSection(wizard, section), pictures[section]))
        wizard.click("cmdAnterior")  # disabled on section 0
        self.assertTrue(same(self.assertSection(wizard, 0), pictures[0]))

    def test_a_double_click_is_one_click(self):
        wizard = self.wizard()
        wizard.click("cmdSiguiente")
        self.assertSection(wizard, 1)
        # The second press on Next does not go on to the update check and the installation.
        wizard.click("cmdSiguiente", double=True)
        self.assertSection(wizard, 2)
        wizard.click("cmdAnterior")
        self.assertSection(wizard, 1)

        self.assertTrue(wizard.ticked("chkUpdate"))
        wizard.click("chkUpdate", double=True)
        self.assertFalse(wizard.ticked("chkUpdate"), "turned over once")
        wizard.click("chkUpdate")
        self.assertTrue(wizard.ticked("chkUpdate"), "a click after the double-click time")

        wizard.close_request()
        wizard.dialog(DIALOG_TITLE).click(DIALOG["cmdAceptar"])
        wizard.wait_section(8)
        wizard.click("cmdSalir", settle=False)
        self.assertEqual(wizard.wait_end(), 0)
        self.assertNothingInstalled()

    def test_close_asks_and_yes_interrupts(self):
        wizard = self.wizard()
        wizard.click("cmdSiguiente")
        welcome = self.assertSection(wizard, 1)
        x, y, width, height = wizard.window.geometry()

        # Close, and the window system's close request (Alt+F4), both ask; No keeps section 1.
        for ask in (lambda: wizard.click("cmdSalir", settle=False), wizard.close_request):
            ask()
            dialog = wizard.dialog(DIALOG_TITLE)
            self.assertShapedLike(dialog, "FRMDIALOG")
            self.assertCentredOn(dialog, x, y, width, height)
            dialog.click(DIALOG["cmdSalir"])
            self.assertIsNone(self.sandbox.screen().find(DIALOG_TITLE, timeout=0))
            self.assertTrue(same(self.assertSection(wizard, 1), welcome))

        wizard.click("cmdSalir", settle=False)
        wizard.dialog(DIALOG_TITLE).click(DIALOG["cmdAceptar"])
        interrupted = self.assertSection(wizard, 8)
        self.assertFalse(same(crop(welcome, MAIN["cmdSalir"]), crop(interrupted, MAIN["cmdSalir"])),
                         "Close is not captioned Finish")
        wizard.click("cmdSalir", settle=False)
        wizard.wait_end()
        self.assertEqual(self.sandbox.boxes(), [])
        self.assertNothingInstalled()

    def test_finish_ends_the_program_cleanly(self):
        wizard = self.wizard()
        wizard.click("cmdSalir", settle=False)
        wizard.dialog(DIALOG_TITLE).click(DIALOG["cmdAceptar"])
        wizard.wait_section(8)
        wizard.click("cmdSalir", settle=False)
        self.assertEqual(wizard.wait_end(), 0)

    def test_folder_chooser(self):
        wizard = self.wizard()
        wizard.click("cmdSiguiente")
        wizard.click("cmdSiguiente")
        self.assertEqual(wizard.path(), self.default_path)

        def chooser():
            wizard.click("cmdRuta", settle=False)
            return wizard.dialog(FOLDERS_TITLE)

        # Accepted untouched, the tree still holds the current target: it stays as it is.
        folders = chooser()
        self.assertShapedLike(folders, "FRMFOLDERS")
        self.assertCentredOn(folders, *wizard.window.geometry())
        folders.click(FOLDERS["cmdAceptar"])
        self.assertEqual(wizard.path(), self.default_path)

        folders = chooser()
        wizard.click_folder(folders, row=1, level=1)  # C:\Data
        folders.click(FOLDERS["cmdSalir"])
        self.assertIsNone(self.sandbox.screen().find(FOLDERS_TITLE, timeout=0.5))
        self.assertEqual(wizard.path(), self.default_path)

        folders = chooser()
        wizard.click_folder(folders, row=1, level=1)
        folders.click(FOLDERS["cmdAceptar"])
        self.assertIsNone(self.sandbox.screen().find(FOLDERS_TITLE, timeout=0.5))
        self.assertEqual(wizard.path(), "C:\\Data\\" + self.name + "\\")

    def test_a_click_on_the_node_the_chooser_opened_at_is_a_choice(self):
        wizard = self.wizard()
        wizard.click("cmdSiguiente")
        wizard.click("cmdSiguiente")
        # The tree opens at C:\Data, selected and (with its sub-folder) expanded.
        wizard.type_path("C:\\Data\\")
        wizard.click("cmdRuta", settle=False)
        folders = wizard.dialog(FOLDERS_TITLE)
        wizard.click_folder(folders, row=1, level=1)
        folders.click(FOLDERS["cmdAceptar"])
        self.assertEqual(wizard.path(), "C:\\Data\\" + self.name + "\\")

    def test_typed_path_gets_a_backslash(self):
        wizard = self.wizard()
        wizard.click("cmdSiguiente")
        wizard.click("cmdSiguiente")
        wizard.type_path("C:\\Apps\\Tavrin")
        wizard.click("cmdAnterior")  # the box loses the focus
        self.assertSection(wizard, 1)
        wizard.click("cmdSiguiente")
        self.assertSection(wizard, 2)
        self.assertEqual(wizard.path(), "C:\\Apps\\Tavrin\\")


if __name__ == "__main__":
    unittest.main(verbosity=2)
