#include "recording_surface.h"

namespace instalio::test {

namespace {
const char* Bool(bool value) {
    return value ? "True" : "False";
}
} // namespace

void RecordedLabel::SetCaption(const std::string& value) {
    caption = value;
    owner_.log.push_back(name_ + ".Caption=" + value);
}

void RecordedLabel::SetVisible(bool value) {
    visible = value;
    owner_.log.push_back(name_ + ".Visible=" + Bool(value));
}

void RecordedImage::SetVisible(bool value) {
    visible = value;
    owner_.log.push_back(name_ + ".Visible=" + Bool(value));
}

void RecordedBar::Start(bool value) {
    running = value;
    owner_.log.push_back(name_ + ".Start(" + Bool(value) + ")");
}

void RecordedBar::SetVisible(bool value) {
    visible = value;
    owner_.log.push_back(name_ + ".Visible=" + Bool(value));
}

bool RecordedCheckBox::Checked() {
    owner_.log.push_back(name_ + ".Checked");
    return checked;
}

std::string RecordedTextBox::Text() {
    owner_.log.push_back(name_ + ".Text");
    return text;
}

void RecordedButton::SetText(const std::string& value) {
    text = value;
    owner_.log.push_back(name_ + ".Text=" + value);
}

std::string RecordedCombo::SelectedIndex() {
    owner_.log.push_back(name_ + ".SelectedIndex");
    return selectedIndex;
}

void RecordedCombo::SetSelectedIndex(const std::string& index) {
    selectedIndex = index;
    owner_.log.push_back(name_ + ".SelectedIndex=" + index);
    if (indexChanged) {
        indexChanged();
    }
}

void RecordedCombo::SetImageList(ImageList& list) {
    images = &list;
    owner_.log.push_back(name_ + ".SetImageList");
}

void RecordedCombo::AddItem(const std::string& text, std::int16_t index, std::int16_t icon) {
    items.push_back({text, index, icon});
    owner_.log.push_back(name_ + ".AddItem(" + text + "," + std::to_string(index) + "," +
                         std::to_string(icon) + ")");
}

bool RecordedTransfer::OpenURL(const std::string& url, std::string& response) {
    owner_.log.push_back("WebTransfer.OpenURL(" + url + ")");
    return answer ? answer(url, response) : false;
}

RecordedDialog::RecordedDialog(RecordingSurface& owner, const std::string& name)
    : aceptar(owner, name + ".cmdAceptar"), salir(owner, name + ".cmdSalir") {}

PictureButton& RecordedDialog::cmdAceptar() {
    return aceptar;
}
PictureButton& RecordedDialog::cmdSalir() {
    return salir;
}

DialogButtons& RecordingSurface::frmFolders() {
    if (!folders.loaded) {
        folders.loaded = true;
        log.emplace_back("frmFolders.Load");
    }
    return folders;
}

DialogButtons& RecordingSurface::frmDialog() {
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
