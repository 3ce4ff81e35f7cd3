// The wizard window: a borderless window in the outline of its picture that walks the user
// through the installation one section at a time. It is the engine's display surface.
#pragma once

#include "barra.h"
#include "boton.h"
#include "check.h"
#include "frame.h"
#include "frmdialog.h"
#include "frmfolders.h"
#include "image.h"
#include "imagecombo.h"
#include "imagelist.h"
#include "label.h"
#include "shapedform.h"
#include "surface.h"
#include "texto.h"

#include <cstdint>
#include <map>
#include <memory>

namespace instalio::ui {

class FrmMain : public ShapedForm {
public:
    FrmMain();
    ~FrmMain() override;

    // Shows section Index (hiding every other), sets SeccionActual, the buttons and the
    // section's texts, and for sections 5 and 6 runs the engine step of that section.
    void DibujarSeccion(std::int16_t Index);

    Label lblTitle{*this, "lblTitle"};
    std::map<int, std::unique_ptr<Frame>> frmSeccion;
    Label lblTooltip{*this, "lblTooltip"};
    Boton cmdAnterior{*this, "cmdAnterior"};
    Boton cmdSiguiente{*this, "cmdSiguiente"};
    Boton cmdSalir{*this, "cmdSalir"};
    Label lblSeccion0{*this, "lblSeccion0"};
    ImageCombo cmbLanguages{*this, "cmbLanguages"};
    Label lblSeccion1{*this, "lblSeccion1"};
    Check chkUpdate{*this, "chkUpdate"};
    Label lblUpdateCheck{*this, "lblUpdateCheck"};
    Label lblSeccion2{*this, "lblSeccion2"};
    Texto txtPath{*this, "txtPath"};
    Boton cmdRuta{*this, "cmdRuta"};
    Label lblSeccion5{*this, "lblSeccion5"};
    Image imgUpdate{*this, "imgUpdate"};
    Barra barUpdate{*this, "barUpdate"};
    Label lblUpdateInfo{*this, "lblUpdateInfo"};
    Label lblSeccion6{*this, "lblSeccion6"};
    Barra barInstall{*this, "barInstall"};
    Label lblInstallInfo{*this, "lblInstallInfo"};
    Label lblSeccion7{*this, "lblSeccion7"};
    Check Check1{*this, "Check1"};
    Check Check2{*this, "Check2"};
    Check Check3{*this, "Check3"};
    Check Check4{*this, "Check4"};
    Label lblCreate1{*this, "lblCreate1"};
    Label lblCreate2{*this, "lblCreate2"};
    Label lblCreate3{*this, "lblCreate3"};
    Label lblRun{*this, "lblRun"};
    Label lblSeccion8{*this, "lblSeccion8"};
    // The flags of the languages, in list order; made when the window loads.
    std::unique_ptr<ocx::ImageList> ilIdiomas;

    FrmFolders frmFolders{txtPath};
    FrmDialog frmDialog;

protected:
    Description Layout() const override;
    // Makes the flags, shapes the window, sets it up and shows section 0.
    void Form_Load() override;
    // A close request of the system does what Close does, and nothing while the engine works.
    void Form_QueryClose() override;

private:
    class Surface;

    void InicializarFormulario();
    void CerrarInstalador();
    void cmdAnterior_Click();
    void cmdSiguiente_Click();
    void cmdSalir_Click();
    void cmdRuta_Click();
    void cmbLanguages_IndexChanged();
    void txtPath_LostFocus();

    std::unique_ptr<Surface> surface_;
};

} // namespace instalio::ui
