// A display surface for engine tests: plain element objects that keep their state and write
// every access into one log, in the order the engine made them.
#pragma once

#include "display.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace instalio::test {

class RecordingSurface;

// What every recorded element holds: the surface whose log it writes, and its own name.
class Recorder {
public:
    Recorder(RecordingSurface& owner, std::string name) : owner_(owner), name_(std::move(name)) {}

protected:
    // Logs "<name><entry>".
    void Record(const std::string& entry);

private:
    RecordingSurface& owner_;
    std::string name_;
};

class RecordedLabel : public VisibleLabel, private Recorder {
public:
    using Recorder::Recorder;
    void SetCaption(const std::string& caption) override;
    void SetVisible(bool visible) override;
    std::string caption;
    bool visible = true;
};

class RecordedImage : public Image, private Recorder {
public:
    using Recorder::Recorder;
    void SetVisible(bool visible) override;
    bool visible = false;
};

class RecordedBar : public VisibleActivityBar, private Recorder {
public:
    using Recorder::Recorder;
    void Start(bool value) override;
    void SetVisible(bool visible) override;
    bool running = false;
    bool visible = false;
};

class RecordedCheckBox : public PictureCheckBox, private Recorder {
public:
    using Recorder::Recorder;
    bool Checked() override;
    bool checked = true;
};

class RecordedTextBox : public BorderedTextBox, private Recorder {
public:
    using Recorder::Recorder;
    std::string Text() override;
    std::string text;
};

class RecordedButton : public PictureButton, private Recorder {
public:
    using Recorder::Recorder;
    void SetText(const std::string& text) override;
    std::string text;
};

class RecordedImageList : public ImageList {};

struct ComboItem {
    std::string text;
    std::int16_t index;
    std::int16_t icon;
};

class RecordedCombo : public ImageCombo, private Recorder {
public:
    using Recorder::Recorder;
    std::string SelectedIndex() override;
    void SetSelectedIndex(const std::string& index) override;
    void SetImageList(ImageList& images) override;
    void AddItem(const std::string& text, std::int16_t index, std::int16_t icon) override;
    std::string selectedIndex = "-1";
    ImageList* images = nullptr;
    std::vector<ComboItem> items;
    // Runs after every SetSelectedIndex, as the list's IndexChanged.
    std::function<void()> indexChanged;
};

class RecordedTransfer : public InternetTransfer, private Recorder {
public:
    explicit RecordedTransfer(RecordingSurface& owner) : Recorder(owner, "WebTransfer") {}
    bool OpenURL(const std::string& url, std::string& response) override;
    // The answer to each request; without one every request fails.
    std::function<bool(const std::string& url, std::string& response)> answer;
};

class RecordedDialog : public DialogButtons {
public:
    RecordedDialog(RecordingSurface& owner, const std::string& name);
    PictureButton& cmdAceptar() override;
    PictureButton& cmdSalir() override;
    RecordedButton aceptar;
    RecordedButton salir;
    bool loaded = false;
};

class RecordingSurface : public DisplaySurface {
public:
    void DibujarSeccion(std::int16_t Index) override;

    Label& lblTitle() override { return title; }
    Label& lblSeccion0() override { return seccion0; }
    Label& lblTooltip() override { return tooltip; }
    Label& lblSeccion5() override { return seccion5; }
    VisibleLabel& lblUpdateInfo() override { return updateInfo; }
    Image& imgUpdate() override { return updateImage; }
    VisibleActivityBar& barUpdate() override { return updateBar; }
    ActivityBar& barInstall() override { return installBar; }
    Label& lblInstallInfo() override { return installInfo; }
    PictureCheckBox& chkUpdate() override { return updateCheck; }
    PictureCheckBox& Check1() override { return check1; }
    PictureCheckBox& Check2() override { return check2; }
    PictureCheckBox& Check3() override { return check3; }
    PictureCheckBox& Check4() override { return check4; }
    BorderedTextBox& txtPath() override { return path; }
    ImageCombo& cmbLanguages() override { return languages; }
    ImageList& ilIdiomas() override { return flags; }
    InternetTransfer& WebTransfer() override { return transfer; }
    PictureButton& cmdSiguiente() override { return next; }
    PictureButton& cmdAnterior() override { return back; }
    PictureButton& cmdSalir() override { return close; }
    DialogButtons& frmFolders() override;
    DialogButtons& frmDialog() override;

    // Every access in order, as "element.Member=value" or "element.Member(arguments)".
    std::vector<std::string> log;
    // Runs inside DibujarSeccion after SeccionActual has been set.
    std::function<void(std::int16_t)> sectionShown;

    RecordedLabel title{*this, "lblTitle"};
    RecordedLabel seccion0{*this, "lblSeccion0"};
    RecordedLabel tooltip{*this, "lblTooltip"};
    RecordedLabel seccion5{*this, "lblSeccion5"};
    RecordedLabel updateInfo{*this, "lblUpdateInfo"};
    RecordedImage updateImage{*this, "imgUpdate"};
    RecordedBar updateBar{*this, "barUpdate"};
    RecordedBar installBar{*this, "barInstall"};
    RecordedLabel installInfo{*this, "lblInstallInfo"};
    RecordedCheckBox updateCheck{*this, "chkUpdate"};
    RecordedCheckBox check1{*this, "Check1"};
    RecordedCheckBox check2{*this, "Check2"};
    RecordedCheckBox check3{*this, "Check3"};
    RecordedCheckBox check4{*this, "Check4"};
    RecordedTextBox path{*this, "txtPath"};
    RecordedCombo languages{*this, "cmbLanguages"};
    RecordedImageList flags;
    RecordedTransfer transfer{*this};
    RecordedButton next{*this, "cmdSiguiente"};
    RecordedButton back{*this, "cmdAnterior"};
    RecordedButton close{*this, "cmdSalir"};
    RecordedDialog folders{*this, "frmFolders"};
    RecordedDialog dialog{*this, "frmDialog"};
};

} // namespace instalio::test
