#include "recording_surface.h"

namespace instalio::test {

namespace {
std::string Bool(bool value) {
    return value ? "True" : "False";
}
} // namespace

void Recorder::Record(const std::string& entry) {
    owner_.log.push_back(name_ + entry);
}

void RecordedLabel::SetCaption(const std::string& value) {
    caption = value;
    Record(".Caption=" + value);
}

void RecordedLabel::SetVisible(bool value) {
    visible = value;
    Record(".Visible=" + Bool(value));
}

void RecordedImage::SetVisible(bool value) {
    visible = value;
    Record(".Visible=" + Bool(value));
}

void RecordedBar::Start(bool value) {
    running = value;
    Record(".Start(" + Bool(value) + ")");
}

void RecordedBar::SetVisible(bool value) {
    visible = value;
    Record(".Visible=" + Bool(value));
}

bool RecordedCheckBox::Checked() {
    Record(".Checked");
    return checked;
}

std::string RecordedTextBox::Text() {
    Record(".Text");
    return text;
}

void RecordedButton::SetText(const std::string& value) {
    text = value;
    Record(".Text=" + value);
}

std::string RecordedCombo::SelectedIndex() {
    Record(".SelectedIndex");
    return selectedIndex;
}

void RecordedCombo::SetSelectedIndex(const std::string& index) {
    selectedIndex = index;
    Record(".SelectedIndex=" + index);
    if (indexChanged) {
        indexChanged();
    }
}

void RecordedCombo::SetImageList(display::ImageList& list) {
    images = &list;
    Record(".SetImageList");
}

void RecordedCombo::AddItem(const std::string& text, std::int16_t index, std::int16_t icon) {
    items.push_back({text, index, icon});
    Record(".AddItem(" + text + "," + std::to_string(index) + "," + std::to_string(icon) + ")");
}

bool RecordedTransfer::OpenURL(const std::string& url, std::string& response) {
    Record(".OpenURL(" + url + ")");
    return answer ? answer(url, response) : false;
}

RecordedDialog::RecordedDialog(RecordingSurface& owner, const std::string& name)
    : aceptar(owner, name + ".cmdAceptar"), salir(owner, name + ".cmdSalir") {}

display::PictureButton& RecordedDialog::cmdAceptar() {
    return aceptar;
}
display::PictureButton& RecordedDialog::cmdSalir() {
    return salir;
}

display::DialogButtons& RecordingSurface::frmFolders() {
    if (!folders.loaded) {
        folders.loaded = true;
        log.emplace_back("frmFolders.Load");
    }
    return folders;
}

display::DialogButtons& RecordingSurface::frmDialog() {
    if (!dialog.loaded) {
        dialog.loaded = true;
        log.emplace_back("frmDialog.Load");
    }
    return dialog;
}

void RecordingSurface::DibujarSeccion(std::int16_t Index) {
    SeccionActual = Index;
    log.push_back("DibujarSeccion(" + std::to_string(Index) + ")");
    if (sectionShown) {
        sectionShown(Index);
    }
}

} // namespace instalio::test
