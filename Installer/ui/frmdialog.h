// The yes/no dialog: a question and a Yes and a No button. The caller sets the question, shows
// the dialog modally and reads the answer from `result`. Loaded once, then only shown and
// hidden until the wizard closes.
#pragma once

#include "boton.h"
#include "label.h"
#include "shapedform.h"

#include <cstdint>

namespace instalio::ui {

class FrmDialog : public ShapedForm {
public:
    FrmDialog();

    // 0 until the first answer, then 6 after Yes and 7 after No; kept between showings.
    std::int32_t result = 0;

    Boton cmdAceptar{*this, "cmdAceptar"};
    Boton cmdSalir{*this, "cmdSalir"};
    Label lblText{*this, "lblText"};

protected:
    Description Layout() const override;
    // A close request of the system answers No.
    void Form_QueryClose() override { cmdSalir_Click(); }

private:
    void cmdAceptar_Click();
    void cmdSalir_Click();
};

} // namespace instalio::ui
