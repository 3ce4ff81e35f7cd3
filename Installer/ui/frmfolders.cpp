#include "frmfolders.h"

#include "config.h"
#include "layouts.h"

namespace instalio::ui {

FrmFolders::FrmFolders(Texto& target) : ShapedForm("frmFolders"), target_(target) {
    SetCaption(kFoldersCaption);
    SetPicture(LoadPicture("FRMFOLDERS"));
    cmdAceptar.Click = [this] { cmdAceptar_Click(); };
    cmdSalir.Click = [this] { cmdSalir_Click(); };
    TreeFolder1.NodeClick = [this] { nodeClicked_ = true; };
}

Description FrmFolders::Layout() const {
    return FrmFoldersLayout();
}

void FrmFolders::Form_Activate() {
    if (TreeFolder1.TreeView1 != nullptr) {
        TreeFolder1.TreeView1->SetFocus();
    }
}

void FrmFolders::ShowFor(const std::string& path, Form& owner) {
    TreeFolder1.Path(path);
    nodeClicked_ = false;
    ShowModal(owner);
}

void FrmFolders::cmdAceptar_Click() {
    // The user picks the parent folder; the application's own folder goes below it. Without a
    // click on a node the tree still stands at the current target: that stays as it is.
    if (nodeClicked_) {
        target_.SetText(TreeFolder1.Path() + "\\" + SetupConfig.Name + "\\");
    }
    Hide();
}

void FrmFolders::cmdSalir_Click() {
    Hide();
}

} // namespace instalio::ui
