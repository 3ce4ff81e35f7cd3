// The folder chooser: a folder tree with an accept and a cancel button. The wizard's folder
// button sets the tree to the current target and shows the chooser modally; accepting writes
// the chosen folder, with the application's own folder below it, into the wizard's path box.
// Loaded once, then only shown and hidden until the wizard closes.
#pragma once

#include "boton.h"
#include "shapedform.h"
#include "texto.h"
#include "treefolder.h"

namespace instalio::ui {

class FrmFolders : public ShapedForm {
public:
    // `target`: the wizard's path box, which the chooser writes.
    explicit FrmFolders(Texto& target);

    // Sets the tree to `path` and shows the chooser modally over `owner`.
    void ShowFor(const std::string& path, Form& owner);

    TreeFolder TreeFolder1{*this, "TreeFolder1"};
    Boton cmdAceptar{*this, "cmdAceptar"};
    Boton cmdSalir{*this, "cmdSalir"};

protected:
    Description Layout() const override;
    // The tree, first in the tab order, takes the focus: its selection shows.
    void Form_Activate() override;
    // A close request of the system cancels.
    void Form_QueryClose() override { cmdSalir_Click(); }

private:
    void cmdAceptar_Click();
    void cmdSalir_Click();

    Texto& target_;
    bool nodeClicked_ = false; // since the chooser was last shown
};

} // namespace instalio::ui
