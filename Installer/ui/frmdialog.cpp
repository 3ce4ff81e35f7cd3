#include "frmdialog.h"

#include "layouts.h"

namespace instalio::ui {

namespace {

constexpr std::int32_t kYes = 6;
constexpr std::int32_t kNo = 7;

} // namespace

FrmDialog::FrmDialog() : ShapedForm("frmDialog") {
    SetCaption(kDialogCaption);
    SetPicture(LoadPicture("FRMDIALOG"));
    cmdAceptar.Click = [this] { cmdAceptar_Click(); };
    cmdSalir.Click = [this] { cmdSalir_Click(); };
}

Description FrmDialog::Layout() const {
    return FrmDialogLayout();
}

void FrmDialog::cmdAceptar_Click() {
    result = kYes;
    Hide();
}

void FrmDialog::cmdSalir_Click() {
    result = kNo;
    Hide();
}

} // namespace instalio::ui
