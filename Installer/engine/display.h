// The wizard window as the engine sees it: the section numbers, SeccionActual, DibujarSeccion
// and the named elements the engine writes to or reads from, each with exactly the members the
// engine uses. The wizard window implements it; engine tests implement it with recording
// elements. The view's kinds live in a namespace of their own: the form layer's label, image
// and image combo box, and the control library's image list, are other classes.
#pragma once

#include <cstdint>
#include <string>

namespace instalio {

// Section numbers: identifiers of the wizard's frames, not positions in a list.
namespace Section {
constexpr std::int16_t Language = 0; // choice of the language
constexpr std::int16_t Welcome = 1;  // welcome, with the box for checking newer versions
constexpr std::int16_t TargetFolder = 2;
constexpr std::int16_t Update = 5;   // update check and download
constexpr std::int16_t Install = 6;  // installation
constexpr std::int16_t Finished = 7; // finished, with the shortcut and run boxes
constexpr std::int16_t Interrupted = 8;
} // namespace Section

// The number of the section on show: 0 before the first DibujarSeccion, written only by it.
extern std::int16_t SeccionActual;

namespace display {

// Label whose caption the engine writes.
class Label {
public:
    virtual ~Label() = default;
    virtual void SetCaption(const std::string& caption) = 0;
};

// Label whose caption and visibility the engine writes.
class VisibleLabel : public Label {
public:
    virtual void SetVisible(bool visible) = 0;
};

// Image whose visibility the engine writes.
class Image {
public:
    virtual ~Image() = default;
    virtual void SetVisible(bool visible) = 0;
};

// Activity bar: Start(true) runs the animation, Start(false) stops it where it stands.
class ActivityBar {
public:
    virtual ~ActivityBar() = default;
    virtual void Start(bool value) = 0;
};

// Activity bar whose host visibility (the extender's Visible) the engine writes too.
class VisibleActivityBar : public ActivityBar {
public:
    virtual void SetVisible(bool visible) = 0;
};

// Picture check box whose state the engine reads.
class PictureCheckBox {
public:
    virtual ~PictureCheckBox() = default;
    virtual bool Checked() = 0;
};

// Bordered text box whose text the engine reads.
class BorderedTextBox {
public:
    virtual ~BorderedTextBox() = default;
    virtual std::string Text() = 0;
};

// Picture button whose caption (Text) the engine writes.
class PictureButton {
public:
    virtual ~PictureButton() = default;
    virtual void SetText(const std::string& text) = 0;
};

// Image list of the language flags; the engine only hands it to the image combo box.
class ImageList {
public:
    virtual ~ImageList() = default;
};

// Image combo box of the languages.
class ImageCombo {
public:
    virtual ~ImageCombo() = default;
    // The selected entry counted from 0, as decimal text; "-1" when none.
    virtual std::string SelectedIndex() = 0;
    // Selects an entry by its index as text; raises the list's IndexChanged.
    virtual void SetSelectedIndex(const std::string& index) = 0;
    // Replaces the list's icons by copies of the pictures of `images`.
    virtual void SetImageList(ImageList& images) = 0;
    // Adds an entry at position `index` (from 1) with icon `icon` (from 1).
    virtual void AddItem(const std::string& text, std::int16_t index, std::int16_t icon) = 0;
};

// The Internet Transfer element: fetches a URL.
class InternetTransfer {
public:
    virtual ~InternetTransfer() = default;
    // The response body of `url` into `response`; false when the request failed (a run-time
    // failure of the request, as opposed to an empty reply).
    virtual bool OpenURL(const std::string& url, std::string& response) = 0;
};

// The two buttons of the folder chooser and of the yes/no dialog.
class DialogButtons {
public:
    virtual ~DialogButtons() = default;
    virtual PictureButton& cmdAceptar() = 0;
    virtual PictureButton& cmdSalir() = 0;
};

// The wizard window frmMain.
class Surface {
public:
    virtual ~Surface() = default;

    // Hides every section frame and shows frame Index, sets SeccionActual to Index, sets the
    // buttons and the section's texts, and for sections 5 and 6 runs the engine step of that
    // section before it returns.
    virtual void DibujarSeccion(std::int16_t Index) = 0;

    virtual Label& lblTitle() = 0;
    virtual Label& lblSeccion0() = 0;
    virtual Label& lblTooltip() = 0;
    virtual Label& lblSeccion5() = 0;
    virtual VisibleLabel& lblUpdateInfo() = 0;
    virtual Image& imgUpdate() = 0;
    virtual VisibleActivityBar& barUpdate() = 0;
    virtual ActivityBar& barInstall() = 0;
    virtual Label& lblInstallInfo() = 0;
    virtual PictureCheckBox& chkUpdate() = 0;
    virtual PictureCheckBox& Check1() = 0;
    virtual PictureCheckBox& Check2() = 0;
    virtual PictureCheckBox& Check3() = 0;
    virtual PictureCheckBox& Check4() = 0;
    virtual BorderedTextBox& txtPath() = 0;
    virtual ImageCombo& cmbLanguages() = 0;
    virtual ImageList& ilIdiomas() = 0;
    virtual InternetTransfer& WebTransfer() = 0;
    virtual PictureButton& cmdSiguiente() = 0;
    virtual PictureButton& cmdAnterior() = 0;
    virtual PictureButton& cmdSalir() = 0;

    // The folder chooser and the yes/no dialog. Reaching one loads it, hidden, when it is not
    // loaded yet.
    virtual DialogButtons& frmFolders() = 0;
    virtual DialogButtons& frmDialog() = 0;
};

} // namespace display

// The wizard window the engine works on; null until the window has been created.
extern display::Surface* frmMain;

} // namespace instalio
