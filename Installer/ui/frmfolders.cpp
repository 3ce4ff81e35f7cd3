#include "frmfolders.h"

#include "config.h"
#include "layouts.h"
#include "shapedform.h"

namespace instalio::ui {

FrmFolders::FrmFolders(Texto& target) : Form("frmFolders"), target_(target) {
    SetCaption(kFoldersCaption);
    SetPicture(LoadPicture("FRMFOLDERS"));
    cmdAceptar.Click = [this] { cmdAceptar_Click(); };
    cmdSalir.Click = [this] { cmdSalir_Click(); };
}

Description FrmFolders::Layout() const {
    return FrmFoldersLayout();
}

void FrmFolders::Form_Load() {
    ShapeForm(*this);
}

void FrmFolders::Form_Activate() {
    if (TreeFolder1.TreeView1 != nullptr) {
        TreeFolder1.TreeView1->SetFocus();
    }
}

void FrmFolders::Form_MouseDown(int, int, int, int) {
    DragForm(*this);
}

void FrmFolders::ShowFor(const std::string& path, Form& owner) {
    TreeFolder1.Path(path);
    assigned_ = TreeFolder1.Path();
    ShowModal(owner);
}

void FrmFolders::cmdAceptar_Click() {
    // The user picks the parent folder; the application's own folder goes below it. A tree the
    // user did not touch still holds the current target: that stays as it is.
    std::string chosen = TreeFolder1.Path();
    if (chosen != assigned_) {
        target_.SetText(chosen + "\\" + SetupConfig.Name + "\\");
    }
    Hide();
}

void FrmFolders::cmdSalir_Click() {
    Hide();
}

} // namespace instalio::ui
