#include "frmmain.h"

#include "config.h"
#include "errorbox.h"
#include "folders.h"
#include "install.h"
#include "language.h"
#include "layouts.h"
#include "shapedform.h"
#include "shortcuts.h"
#include "transfer.h"
#include "update.h"

namespace instalio::ui {

namespace {

constexpr std::int32_t kYes = 6;

// The flag pictures of the languages, in list order.
constexpr const char* kFlags[] = {"FLAG_EN",   "FLAG_ES", "FLAG_PT", "FLAG_IT", "FLAG_FR",
                                  "FLAG_ESMX", "FLAG_CA", "FLAG_NL", "FLAG_HR"};

} // namespace

// The window as the engine sees it.
class FrmMain::Surface final : public display::Surface {
public:
    explicit Surface(FrmMain& form) : form_(form) {}

    void DibujarSeccion(std::int16_t Index) override { form_.DibujarSeccion(Index); }
    display::Label& lblTitle() override { return lblTitle_; }
    display::Label& lblSeccion0() override { return lblSeccion0_; }
    display::Label& lblTooltip() override { return lblTooltip_; }
    display::Label& lblSeccion5() override { return lblSeccion5_; }
    display::VisibleLabel& lblUpdateInfo() override { return lblUpdateInfo_; }
    display::Image& imgUpdate() override { return imgUpdate_; }
    display::VisibleActivityBar& barUpdate() override { return barUpdate_; }
    display::ActivityBar& barInstall() override { return barInstall_; }
    display::Label& lblInstallInfo() override { return lblInstallInfo_; }
    display::PictureCheckBox& chkUpdate() override { return chkUpdate_; }
    display::PictureCheckBox& Check1() override { return check1_; }
    display::PictureCheckBox& Check2() override { return check2_; }
    display::PictureCheckBox& Check3() override { return check3_; }
    display::PictureCheckBox& Check4() override { return check4_; }
    display::BorderedTextBox& txtPath() override { return txtPath_; }
    display::ImageCombo& cmbLanguages() override { return cmbLanguages_; }
    display::ImageList& ilIdiomas() override { return ilIdiomas_; }
    display::InternetTransfer& WebTransfer() override { return webTransfer_; }
    display::PictureButton& cmdSiguiente() override { return cmdSiguiente_; }
    display::PictureButton& cmdAnterior() override { return cmdAnterior_; }
    display::PictureButton& cmdSalir() override { return cmdSalir_; }
    display::DialogButtons& frmFolders() override {
        form_.frmFolders.Load();
        return folders_;
    }
    display::DialogButtons& frmDialog() override {
        form_.frmDialog.Load();
        return dialog_;
    }

private:
    // The flags as the engine hands them on to the language list.
    class Flags final : public display::ImageList {
    public:
        explicit Flags(FrmMain& form) : form_(form) {}
        ocx::ImageList* images() const { return form_.ilIdiomas.get(); }

    private:
        FrmMain& form_;
    };

    class Languages final : public display::ImageCombo {
    public:
        explicit Languages(ui::ImageCombo& combo) : combo_(combo) {}
        std::string SelectedIndex() override { return combo_.SelectedIndex(); }
        void SetSelectedIndex(const std::string& index) override { combo_.SetSelectedIndex(index); }
        void SetImageList(display::ImageList& images) override {
            if (ocx::ImageList* list = static_cast<Flags&>(images).images()) {
                combo_.SetImageList(*list);
            }
        }
        void AddItem(const std::string& text, std::int16_t index, std::int16_t icon) override {
            combo_.AddItem(text, index, icon);
        }

    private:
        ui::ImageCombo& combo_;
    };

    // WebTransfer: the request goes through MSINETVM.OCX.
    class Transfer final : public display::InternetTransfer {
    public:
        bool OpenURL(const std::string& url, std::string& response) override {
            return ocx::OpenURL(url, response) == 0;
        }
    };

    FrmMain& form_;
    LabelSurface lblTitle_{form_.lblTitle};
    LabelSurface lblSeccion0_{form_.lblSeccion0};
    LabelSurface lblTooltip_{form_.lblTooltip};
    LabelSurface lblSeccion5_{form_.lblSeccion5};
    LabelSurface lblUpdateInfo_{form_.lblUpdateInfo};
    ImageSurface imgUpdate_{form_.imgUpdate};
    BarSurface barUpdate_{form_.barUpdate};
    BarSurface barInstall_{form_.barInstall};
    LabelSurface lblInstallInfo_{form_.lblInstallInfo};
    CheckSurface chkUpdate_{form_.chkUpdate};
    CheckSurface check1_{form_.Check1};
    CheckSurface check2_{form_.Check2};
    CheckSurface check3_{form_.Check3};
    CheckSurface check4_{form_.Check4};
    TextSurface txtPath_{form_.txtPath};
    Languages cmbLanguages_{form_.cmbLanguages};
    Flags ilIdiomas_{form_};
    Transfer webTransfer_;
    ButtonSurface cmdSiguiente_{form_.cmdSiguiente};
    ButtonSurface cmdAnterior_{form_.cmdAnterior};
    ButtonSurface cmdSalir_{form_.cmdSalir};
    DialogSurface folders_{form_.frmFolders.cmdAceptar, form_.frmFolders.cmdSalir};
    DialogSurface dialog_{form_.frmDialog.cmdAceptar, form_.frmDialog.cmdSalir};
};

FrmMain::FrmMain() : Form("frmMain") {
    for (int section : kSections) {
        frmSeccion[section] = std::make_unique<Frame>(*this, SectionFrameName(section));
    }
    SetCaption(kMainCaption);
    SetPicture(LoadPicture("FRMMAIN"));
    surface_ = std::make_unique<Surface>(*this);
    instalio::frmMain = surface_.get();

    cmdAnterior.Click = [this] { cmdAnterior_Click(); };
    cmdSiguiente.Click = [this] { cmdSiguiente_Click(); };
    cmdSalir.Click = [this] { cmdSalir_Click(); };
    cmdRuta.Click = [this] { cmdRuta_Click(); };
    cmbLanguages.IndexChanged = [this] { cmbLanguages_IndexChanged(); };
    txtPath.LostFocus = [this] { txtPath_LostFocus(); };
}

FrmMain::~FrmMain() {
    if (instalio::frmMain == surface_.get()) {
        instalio::frmMain = nullptr;
    }
}

Description FrmMain::Layout() const {
    return FrmMainLayout();
}

void FrmMain::Form_Load() {
    ilIdiomas = std::make_unique<ocx::ImageList>();
    for (const char* flag : kFlags) {
        if (PicturePtr picture = LoadPicture(flag)) {
            ilIdiomas->Add(picture->Bitmap());
        }
    }
    ShapeForm(*this);
    InicializarFormulario();
    DibujarSeccion(Section::Language);
}

void FrmMain::Form_MouseDown(int, int, int, int) {
    DragForm(*this);
}

void FrmMain::InicializarFormulario() {
    for (auto& [section, frame] : frmSeccion) {
        frame->SetLeft(120);
        frame->SetTop(720);
    }
    FillLanguageCombo();
    frmFolders.Load();
    txtPath.SetText(ProgramFilesFolder() + SetupConfig.Name + "\\");
    frmDialog.Load();
}

void FrmMain::DibujarSeccion(std::int16_t Index) {
    for (auto& [section, frame] : frmSeccion) {
        frame->SetVisible(false);
    }
    if (auto shown = frmSeccion.find(Index); shown != frmSeccion.end()) {
        shown->second->SetVisible(true);
    }
    SeccionActual = Index;
    switch (Index) {
    case Section::Language:
        cmdAnterior.SetEnabled(false);
        cmdSiguiente.SetEnabled(true);
        lblTooltip.SetCaption(GetText("tooltip_next"));
        lblSeccion0.SetCaption(GetText("section_0"));
        break;
    case Section::Welcome:
        cmdAnterior.SetEnabled(true);
        cmdSiguiente.SetEnabled(true);
        lblTooltip.SetCaption(GetText("tooltip_next"));
        lblSeccion1.SetCaption(GetText("section_1"));
        lblUpdateCheck.SetCaption(GetText("update_check"));
        break;
    case Section::TargetFolder:
        cmdAnterior.SetEnabled(true);
        cmdSiguiente.SetEnabled(true);
        lblTooltip.SetCaption(GetText("tooltip_next"));
        lblSeccion2.SetCaption(GetText("section_2"));
        cmdRuta.SetText(GetText("button_path"));
        break;
    case Section::Update:
        cmdAnterior.SetEnabled(false);
        cmdSiguiente.SetEnabled(false);
        cmdSalir.SetEnabled(false);
        Refresh();
        CheckForUpdates();
        break;
    case Section::Install:
        cmdAnterior.SetEnabled(false);
        cmdSiguiente.SetEnabled(false);
        cmdSalir.SetEnabled(false);
        lblSeccion6.SetCaption(GetText("section_6"));
        Refresh();
        InstallProduct();
        break;
    case Section::Finished:
        cmdAnterior.SetEnabled(false);
        cmdSiguiente.SetEnabled(false);
        cmdSalir.SetEnabled(true);
        lblSeccion7.SetCaption(GetText("section_7"));
        lblTooltip.SetCaption(GetText("tooltip_finish"));
        lblCreate1.SetCaption(GetText("create_programs_link"));
        lblCreate2.SetCaption(GetText("create_desktop_link"));
        lblCreate3.SetCaption(GetText("create_quick_link"));
        lblRun.SetCaption(GetText("run_application"));
        cmdSalir.SetText(GetText("button_finish"));
        break;
    case Section::Interrupted:
        cmdAnterior.SetEnabled(false);
        cmdSiguiente.SetEnabled(false);
        cmdSalir.SetEnabled(true);
        cmdSalir.SetText(GetText("button_finish"));
        lblSeccion8.SetCaption(GetText("section_8"));
        lblTooltip.SetCaption(GetText("tooltip_finish"));
        break;
    default:
        break;
    }
}

void FrmMain::cmdSiguiente_Click() {
    switch (SeccionActual) {
    case Section::Language:
        DibujarSeccion(Section::Welcome);
        break;
    case Section::Welcome:
        DibujarSeccion(Section::TargetFolder);
        break;
    case Section::TargetFolder:
        DibujarSeccion(Section::Update);
        break;
    default:
        break;
    }
}

void FrmMain::cmdAnterior_Click() {
    if (SeccionActual != Section::Language) {
        DibujarSeccion(static_cast<std::int16_t>(SeccionActual - 1));
    }
}

void FrmMain::cmdSalir_Click() {
    if (SeccionActual == Section::Finished) {
        // A failure of the shortcuts is reported; the wizard then closes as after a Finish.
        if (DWORD failure = CreateShortcuts()) {
            ShowSystemError("Could not create the shortcuts.", failure);
        }
    }
    if (SeccionActual >= Section::Update) {
        CerrarInstalador();
        return;
    }
    frmDialog.lblText.SetCaption(GetText("close_dialog"));
    frmDialog.ShowModal(*this);
    if (frmDialog.result == kYes) {
        DibujarSeccion(Section::Interrupted);
    }
}

void FrmMain::Form_QueryClose() {
    if (SeccionActual == Section::Update || SeccionActual == Section::Install) {
        return; // the engine is writing into the window
    }
    cmdSalir_Click();
}

void FrmMain::CerrarInstalador() {
    frmDialog.Unload();
    frmFolders.Unload();
    Unload();
}

void FrmMain::cmbLanguages_IndexChanged() {
    // The index is read as text and converted to a number: 0-8 gives the languages 1-9.
    int number = std::atoi(cmbLanguages.SelectedIndex().c_str()) + 1;
    ChangeLanguage(number);
    ApplyLanguage();
}

void FrmMain::cmdRuta_Click() {
    frmFolders.ShowFor(txtPath.Text(), *this);
}

void FrmMain::txtPath_LostFocus() {
    std::string path = txtPath.Text();
    if (path.empty() || path.back() != '\\') {
        path += "\\";
    }
    // A path that is no full one ("foo", "\foo", "C:foo") would be found from the current folder
    // at each use: the box shows the full path it leads to, which is where the files go and what
    // the uninstall entry records.
    if (!IsFullPath(path)) {
        path = FullPathOf(path);
    }
    if (path != txtPath.Text()) {
        txtPath.SetText(path);
    }
}

} // namespace instalio::ui
