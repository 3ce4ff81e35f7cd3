// instalio_ui_bench: how long the user waits for the wizard's window pieces. Run by hand under
// wine64 (cmake/wine-run build/win64/wine build/win64/bin/instalio_ui_bench.exe):
//   - the region of the wizard's 466 x 299 picture (goal: 20 ms at the most);
//   - a form with one of each control, from Load until it is painted on screen (goal: 100 ms);
//   - the wizard window: a section switch until it is painted (goal: 50 ms). For this one the
//     bench installs the two control libraries into its prefix first, as the start-up does.
// Prints the median, the fastest and the slowest of each.
#include "barra.h"
#include "boton.h"
#include "check.h"
#include "config.h"
#include "display.h"
#include "frame.h"
#include "frmmain.h"
#include "label.h"
#include "language.h"
#include "layouts.h"
#include "libraries.h"
#include "shapedform.h"
#include "texto.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using namespace instalio::ui;

double Now() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void Report(const char* what, std::vector<double> times, double goal) {
    std::sort(times.begin(), times.end());
    double median = times[times.size() / 2];
    std::printf("%-48s median %7.2f ms  fastest %7.2f ms  slowest %7.2f ms  (goal %.0f ms: %s)\n",
                what, median, times.front(), times.back(), goal, median <= goal ? "met" : "MISSED");
}

class BenchForm : public Form {
public:
    BenchForm() : Form("frmBench") {}
    Label lblTitle{*this, "lblTitle"};
    Frame fraSection{*this, "fraSection"};
    Label lblText{*this, "lblText"};
    Check chkUpdate{*this, "chkUpdate"};
    Texto txtPath{*this, "txtPath"};
    Barra barInstall{*this, "barInstall"};
    Boton cmdAnterior{*this, "cmdAnterior"};
    Boton cmdSiguiente{*this, "cmdSiguiente"};
    Boton cmdSalir{*this, "cmdSalir"};

protected:
    Description Layout() const override {
        // The title and the buttons as the wizard has them.
        const Description wizard = FrmMainLayout();
        // clang-format off
        return {
            RowOf(wizard, "lblTitle"),
            {"fraSection", "", 120, 720, 5060, 2895, {.BackColor = 0xEEEEEE}},
            {"lblText", "fraSection", 120, 120, 4695, 375, {.Caption = "Welcome"}},
            {"chkUpdate", "fraSection", 480, 1695, 195, 195, {.Properties = {{"Checked", "-1"}}}},
            {"txtPath", "fraSection", 120, 1800, 4815, 255, {.Properties = {{"Text", "C:\\Program Files\\"}, {"ForeColor", "0"}}}},
            {"barInstall", "fraSection", 240, 1920, 4575, 210, {}},
            RowOf(wizard, "cmdAnterior"),
            RowOf(wizard, "cmdSiguiente"),
            RowOf(wizard, "cmdSalir"),
        };
        // clang-format on
    }
    void Form_Load() override { ShapeForm(*this); }
};

} // namespace

int main() {
    PicturePtr picture = LoadPicture("FRMMAIN");
    if (picture == nullptr) {
        std::puts("no wizard picture in the resources");
        return 1;
    }
    std::vector<double> region;
    for (int i = 0; i < 50; ++i) {
        double start = Now();
        HRGN shape = RegionFromPicture(*picture).release();
        region.push_back(Now() - start);
        DeleteObject(shape);
    }
    Report("region of the 466 x 299 picture", region, 20);

    std::vector<double> form;
    for (int i = 0; i < 20; ++i) {
        BenchForm bench;
        bench.SetPicture(picture);
        double start = Now();
        bench.Show(); // loads, shapes, shows and paints
        GdiFlush();
        form.push_back(Now() - start);
        bench.Unload();
        MSG quit;
        while (PeekMessageA(&quit, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    Report("form with one of each control, load to screen", form, 100);

    if (!instalio::InstallSystemOcx("VMCOMCTL.OCX") ||
        !instalio::InstallSystemOcx("MSINETVM.OCX") || !instalio::DetectLanguage() ||
        !instalio::LoadConfiguration()) {
        std::puts("the wizard cannot start in this prefix");
        return 1;
    }
    FrmMain wizard;
    wizard.Show();
    std::vector<double> switches;
    const std::int16_t sections[] = {instalio::Section::Welcome, instalio::Section::TargetFolder,
                                     instalio::Section::Language};
    for (int i = 0; i < 30; ++i) {
        double start = Now();
        wizard.DibujarSeccion(sections[i % 3]);
        wizard.Refresh();
        GdiFlush();
        switches.push_back(Now() - start);
    }
    Report("wizard section switch, to painted", switches, 50);
    wizard.Unload();
    return 0;
}
