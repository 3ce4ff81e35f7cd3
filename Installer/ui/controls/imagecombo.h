// The image combo box: a drop-down list whose entries carry an icon. Closed, a strip showing
// the selected entry's icon and text with a drop arrow; a click on the strip opens the list
// below it. A mouse choice selects and closes; Up and Down select entry after entry and leave
// the list open. Every change of the selection raises IndexChanged.
#pragma once

#include "image.h"
#include "imagelist.h"
#include "label.h"
#include "listview.h"
#include "shape.h"
#include "usercontrol.h"

#include <cstdint>
#include <memory>

namespace instalio::ui {

class ImageCombo : public UserControl {
public:
    ImageCombo(HostContainer& owner, std::string name);

    std::string Text() const { return lblTexto.Caption(); }
    void SetText(const std::string& text);
    // The selected entry counted from 0, as decimal text; "-1" when none.
    std::string SelectedIndex() const { return std::to_string(m_SelectedIndex); }
    // Selects the entry of the index given as text, converted as the form system converts a
    // text to a number: a text that is no number (13) or no 16-bit one (6) fails before
    // anything changes, an index past the entries fails after the index was taken.
    void SetSelectedIndex(const std::string& index);
    bool Enabled() const { return lblTexto.ElementEnabled(); }
    void SetEnabled(bool enabled);
    // Replaces the icons by copies of the pictures of `images`, in their order.
    void SetImageList(const ocx::ImageList& images);
    // Adds an entry at position Index (from 1) with Icon (an icon number, from 1).
    void AddItem(const std::string& Text, std::int16_t Index, std::int16_t Icon);
    // Removes the entry at position Index (from 1).
    void DeleteItem(std::int16_t Index);

    std::function<void()> IndexChanged;

    bool ListOpen() const { return m_ListOpen; }

    Image Boton{*this, "Boton"};
    Shape Borde1{*this, "Borde1"};
    Shape Borde2{*this, "Borde2"};
    Label lblTexto{*this, "lblTexto"};
    Image Image1{*this, "Image1"};
    Image Icono{*this, "Icono"};
    std::unique_ptr<ocx::ImageList> ListaImagenes;
    std::unique_ptr<ocx::ListView> Lista;

protected:
    void UserControl_Initialize() override;
    void UserControl_ReadProperties(const PropertyBag& bag) override;
    void UserControl_WriteProperties(PropertyBag& bag) const override;
    void UserControl_Resize() override;
    void UserControl_ExitFocus() override { ShowList(false); }

private:
    void ShowList(bool Open);
    void Lista_KeyDown(std::int16_t KeyCode);
    void Lista_ItemClick(const ocx::ListItem& Item);

    std::int16_t m_SelectedIndex = 0;
    bool m_ListOpen = false;
    bool m_ItemChosen = false;
    bool m_KeyNavigation = false;
    int listHeight_ = 2030; // twips
};

} // namespace instalio::ui
