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

class RecordedLabel : public display::VisibleLabel, private Recorder {
public:
    using Recorder::Recorder;
    void SetCaption(const std::string& caption) override;
    void SetVisible(bool visible) override;
    std::string caption;
    bool visible = true;
};

class RecordedImage : public display::Image, private Recorder {
public:
    using Recorder::Recorder;
    void SetVisible(bool visible) override;
    bool visible = false;
};

class RecordedBar : public display::VisibleActivityBar, private Recorder {
public:
    using Recorder::Recorder;
    void Start(bool value) override;
    void SetVisible(bool visible) override;
    bool running = false;
    bool visible = false;
};

class RecordedCheckBox : public display::PictureCheckBox, private Recorder {
public:
    using Recorder::Recorder;
    bool Checked() override;
    bool checked = true;
};

class RecordedTextBox : public display::BorderedTextBox, private Recorder {
public:
    using Recorder::Recorder;
    std::string Text() override;
    std::string text;
};

class RecordedButton : public display::PictureButton, private Recorder {
public:
    using Recorder::Recorder;
    void SetText(const std::string& text) override;
    std::string text;
};

class RecordedImageList : public display::ImageList {};

struct ComboItem {
    std::string text;
    std::int16_t index;
    std::int16_t icon;
};

class RecordedCombo : public display::ImageCombo, private Recorder {
public:
    using Recorder::Recorder;
    std::string SelectedIndex() override;
    void SetSelectedIndex(const std::string& index) override;
    void SetImageList(display::ImageList& images) override;
    void AddItem(const std::string& text, std::int16_t index, std::int16_t icon) override;
    std::string selectedIndex = "-1";
    display::ImageList* images = nullptr;
    std::vector<ComboItem> items;
    // Runs after every SetSelectedIndex, as the list's IndexChanged.
    std::function<void()> indexChanged;
};

class RecordedTransfer : public display::InternetTransfer, private Recorder {
public:
    explicit RecordedTransfer(RecordingSurface& owner) : Recorder(owner, "WebTransfer") {}
    bool OpenURL(const std::string& url, std::string& response) override;
    // The answer to each request; without one every request fails.
    std::function<bool(const std::string& url, std::string& response)> answer;
};

class RecordedDialog : public display::DialogButtons {
public:
    RecordedDialog(RecordingSurface& owner, const std::string& name);
    display::PictureButton& cmdAceptar() override;
    display::PictureButton& cmdSalir() override;
    RecordedButton aceptar;
    RecordedButton salir;
    bool loaded = false;
};

class RecordingSurface : public display::Surface {
public:
    void DibujarSeccion(std::int16_t Index) override;

    display::Label& lblTitle() override { return title; }
    display::Label& lblSeccion0() override { return seccion0; }
    display::Label& lblTooltip() override { return tooltip; }
    display::Label& lblSeccion5() override { return seccion5; }
    display::VisibleLabel& lblUpdateInfo() override { return updateInfo; }
    display::Image& imgUpdate() override { return updateImage; }
    display::VisibleActivityBar& barUpdate() override { return updateBar; }
    display::ActivityBar& barInstall() override { return installBar; }
    display::Label& lblInstallInfo() override { return installInfo; }
    display::PictureCheckBox& chkUpdate() override { return updateCheck; }
    display::PictureCheckBox& Check1() override { return check1; }
    display::PictureCheckBox& Check2() override { return check2; }
    display::PictureCheckBox& Check3() override { return check3; }
    display::PictureCheckBox& Check4() override { return check4; }
    display::BorderedTextBox& txtPath() override { return path; }
    display::ImageCombo& cmbLanguages() override { return languages; }
    display::ImageList& ilIdiomas() override { return flags; }
    display::InternetTransfer& WebTransfer() override { return transfer; }
    display::PictureButton& cmdSiguiente() override { return next; }
    display::PictureButton& cmdAnterior() override { return back; }
    display::PictureButton& cmdSalir() override { return close; }
    display::DialogButtons& frmFolders() override;
    display::DialogButtons& frmDialog() override;

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
