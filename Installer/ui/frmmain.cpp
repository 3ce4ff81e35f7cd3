#include "frmmain.h"

#include "config.h"
#include "errorbox.h"
#include "folders.h"
#include "install.h"
#include "language.h"
#include "layouts.h"
#include "shortcuts.h"
#include "transfer.h"
#include "update.h"

#include <optional>
#include <vector>

namespace instalio::ui {

namespace {

constexpr std::int32_t kYes = 6;

// The flag pictures of the languages, in list order.
constexpr const char* kFlags[] = {"FLAG_EN",   "FLAG_ES", "FLAG_PT", "FLAG_IT", "FLAG_FR",
                                  "FLAG_ESMX", "FLAG_CA", "FLAG_NL", "FLAG_HR"};

// A text a section writes when it shows: a label's Caption or a button's Text, from the language
// table by key.
struct SectionText {
    SectionText(Label FrmMain::*element, const char* textKey) : label(element), key(textKey) {}
    SectionText(Boton FrmMain::*element, const char* textKey) : button(element), key(textKey) {}

    Label FrmMain::*label = nullptr;
    Boton FrmMain::*button = nullptr;
    const char* key;
};

// What DibujarSeccion does in a section once its frame shows, in this order: the Enabled of
// Back, Next and Close (kUnchanged: not written), the texts, then, after a repaint, the engine
// step, which moves the wizard on itself.
struct SectionRow {
    std::int16_t section;
    std::optional<bool> back;
    std::optional<bool> next;
    std::optional<bool> close;
    void (*then)();
    std::vector<SectionText> texts;
};

constexpr std::optional<bool> kUnchanged;

const SectionRow* RowOfSection(std::int16_t section) {
    using F = FrmMain;
    // clang-format off
    static const std::vector<SectionRow> rows = {
        // section              Back   Next   Close       engine step      texts (element, language key), in the order they are set
        {Section::Language,     false, true,  kUnchanged, nullptr,         {{&F::lblTooltip, "tooltip_next"}, {&F::lblSeccion0, "section_0"}}},
        {Section::Welcome,      true,  true,  kUnchanged, nullptr,         {{&F::lblTooltip, "tooltip_next"}, {&F::lblSeccion1, "section_1"}, {&F::lblUpdateCheck, "update_check"}}},
        {Section::TargetFolder, true,  true,  kUnchanged, nullptr,         {{&F::lblTooltip, "tooltip_next"}, {&F::lblSeccion2, "section_2"}, {&F::cmdRuta, "button_path"}}},
        {Section::Update,       false, false, false,      CheckForUpdates, {}},
        {Section::Install,      false, false, false,      InstallProduct,  {{&F::lblSeccion6, "section_6"}}},
        {Section::Finished,     false, false, true,       nullptr,         {{&F::lblSeccion7, "section_7"}, {&F::lblTooltip, "tooltip_finish"}, {&F::lblCreate1, "create_programs_link"}, {&F::lblCreate2, "create_desktop_link"}, {&F::lblCreate3, "create_quick_link"}, {&F::lblRun, "run_application"}, {&F::cmdSalir, "button_finish"}}},
        {Section::Interrupted,  false, false, true,       nullptr,         {{&F::cmdSalir, "button_finish"}, {&F::lblSeccion8, "section_8"}, {&F::lblTooltip, "tooltip_finish"}}},
    };
    // clang-format on
    for (const SectionRow& row : rows) {
        if (row.section == section) {
            return &row;
        }
    }
    return nullptr;
}

void SetButton(Boton& button, std::optional<bool> enabled) {
    if (enabled.has_value()) {
        button.SetEnabled(*enabled);
    }
}

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

FrmMain::FrmMain() : ShapedForm("frmMain") {
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
    ShapedForm::Form_Load();
    InicializarFormulario();
    DibujarSeccion(Section::Language);
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
    const SectionRow* row = RowOfSection(Index);
    if (row == nullptr) {
        return;
    }
    SetButton(cmdAnterior, row->back);
    SetButton(cmdSiguiente, row->next);
    SetButton(cmdSalir, row->close);
    for (const SectionText& text : row->texts) {
        if (text.label != nullptr) {
            (this->*text.label).SetCaption(GetText(text.key));
        } else {
            (this->*text.button).SetText(GetText(text.key));
        }
    }
    if (row->then != nullptr) {
        Refresh(); // the section shows before the engine step takes the thread
        row->then();
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
