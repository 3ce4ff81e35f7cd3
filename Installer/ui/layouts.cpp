#include "layouts.h"

#include <stdexcept>

namespace instalio::ui {

namespace {

constexpr OleColor kWhite = 0x00FFFFFF;
constexpr OleColor kBlue = 0x00984E00;
constexpr OleColor kGrey = 0x00808080;
constexpr OleColor kFrameColor = 0x00EEEEEE;
constexpr OleColor kSystemBackground = 0x80000001;

// A label of a section frame, in the sections' blue.
ElementRow Text(const char* name, const char* frame, int left, int top, int width, int height) {
    return {name, frame, left, top, width, height, {.Caption = name, .ForeColor = kBlue}};
}

// A picture button with its two icons.
ElementRow Button(const char* name, const char* parent, int left, int top, int width,
                  const char* icon) {
    std::string iconName = icon;
    return {name,
            parent,
            left,
            top,
            width,
            405,
            {.Properties = {{"text", name},
                            {"iconenabled", "ICON_" + iconName},
                            {"icondisabled", "ICON_" + iconName + "_OFF"}}}};
}

// A ticked picture check box.
ElementRow Ticked(const char* name, const char* frame, int left, int top) {
    return {name, frame, left, top, 195, 195, {.Properties = {{"checked", "-1"}}}};
}

// A row with its place in the window's tab order.
ElementRow Tab(ElementRow row, int index) {
    row.Settings.TabIndex = index;
    return row;
}

} // namespace

std::string SectionFrameName(int section) {
    return "frmSeccion(" + std::to_string(section) + ")";
}

Description FrmMainLayout() {
    // clang-format off
    Description rows = {
        {"lblTitle", "", 120, 360, 5055, 255, {.Caption = "Ostrevant Installer", .ForeColor = kWhite, .FontName = "MS Sans Serif", .FontSize = 12, .FontBold = true}},
    };
    for (int section : kSections) {
        rows.push_back({SectionFrameName(section), "", 120, 720, 5060, 2895, {.BackColor = kFrameColor, .Visible = false}});
    }
    Description rest = {
        {"lblTooltip", "", 240, 3600, 4695, 255, {.Caption = "", .ForeColor = kBlue}},
        // The tab order follows the rows: the buttons, then each section's controls.
        Tab(Button("cmdAnterior", "", 210, 3920, 1560, "BACK"), 0),
        Tab(Button("cmdSiguiente", "", 1850, 3920, 1560, "NEXT"), 1),
        Tab(Button("cmdSalir", "", 3480, 3920, 1560, "CLOSE"), 2),
        // 0: the language
        Text("lblSeccion0", "frmSeccion(0)", 120, 120, 4695, 375),
        {"cmbLanguages", "frmSeccion(0)", 1200, 480, 2655, 255, {.TabIndex = 3}},
        // 1: welcome
        Text("lblSeccion1", "frmSeccion(1)", 120, 120, 4815, 2655),
        Tab(Ticked("chkUpdate", "frmSeccion(1)", 480, 1695), 4),
        Text("lblUpdateCheck", "frmSeccion(1)", 840, 1680, 3615, 255),
        // 2: the target folder
        Text("lblSeccion2", "frmSeccion(2)", 120, 120, 4815, 1815),
        {"txtPath", "frmSeccion(2)", 120, 1800, 4815, 255, {.TabIndex = 5, .Properties = {{"text", ""}, {"forecolor", "&H0&"}, {"backcolor", "&HFFFFFF&"}, {"bordercolor", "&H808080&"}}}},
        Tab(Button("cmdRuta", "frmSeccion(2)", 3000, 2160, 1935, "FOLDER"), 6),
        // 5: the update check
        Text("lblSeccion5", "frmSeccion(5)", 120, 120, 4815, 975),
        {"imgUpdate", "frmSeccion(5)", 2040, 1080, 690, 735, {.Picture = "UPDATE", .Stretch = false, .Visible = false}},
        {"barUpdate", "frmSeccion(5)", 240, 1920, 4575, 210, {.Visible = false}},
        {"lblUpdateInfo", "frmSeccion(5)", 240, 2160, 4575, 495, {.Caption = "...", .ForeColor = kGrey}},
        // 6: the installation
        {"lblSeccion6", "frmSeccion(6)", 120, 120, 4815, 855, {.Caption = "lblSeccion6", .ForeColor = kSystemBackground}},
        {"barInstall", "frmSeccion(6)", 240, 1920, 4575, 210, {}},
        {"lblInstallInfo", "frmSeccion(6)", 240, 2160, 4575, 495, {.Caption = "...", .ForeColor = kGrey}},
        // 7: finished
        Text("lblSeccion7", "frmSeccion(7)", 120, 120, 4815, 975),
        Tab(Ticked("Check1", "frmSeccion(7)", 480, 1440), 7),
        Tab(Ticked("Check2", "frmSeccion(7)", 480, 1680), 8),
        Tab(Ticked("Check3", "frmSeccion(7)", 480, 1920), 9),
        Tab(Ticked("Check4", "frmSeccion(7)", 480, 2160), 10),
        Text("lblCreate1", "frmSeccion(7)", 840, 1420, 3615, 255),
        Text("lblCreate2", "frmSeccion(7)", 840, 1660, 3615, 255),
        Text("lblCreate3", "frmSeccion(7)", 840, 1900, 3615, 255),
        Text("lblRun", "frmSeccion(7)", 840, 2140, 3615, 255),
        // 8: interrupted
        Text("lblSeccion8", "frmSeccion(8)", 120, 120, 4815, 2655),
    };
    // clang-format on
    rows.insert(rows.end(), rest.begin(), rest.end());
    return rows;
}

ElementRow RowOf(const Description& description, const std::string& name) {
    for (const ElementRow& row : description) {
        if (row.Name == name) {
            return row;
        }
    }
    throw std::logic_error("no row " + name);
}

Description FrmFoldersLayout() {
    // clang-format off
    return {
        {"TreeFolder1", "", 280, 280, 3920, 3420, {.TabIndex = 0}},
        Tab(Button("cmdAceptar", "", 240, 3840, 1920, "ACCEPT"), 1),
        Tab(Button("cmdSalir", "", 2280, 3840, 1920, "CLOSE"), 2),
    };
    // clang-format on
}

Description FrmDialogLayout() {
    // clang-format off
    return {
        Tab(Button("cmdAceptar", "", 220, 1000, 1920, "YES"), 0),
        Tab(Button("cmdSalir", "", 2300, 1000, 1920, "NO"), 1),
        Tab(Text("lblText", "", 240, 240, 3975, 735), 2),
    };
    // clang-format on
}

} // namespace instalio::ui
