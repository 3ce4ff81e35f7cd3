#include "imagecombo.h"

#include "conversion.h"

namespace instalio::ui {

namespace {

constexpr int kClosedHeight = 255;
constexpr int kOpenHeight = 2300;
constexpr OleColor kListColor = 0xCFCFCF;
constexpr OleColor kBackColor = 0xC0C0C0;
constexpr OleColor kBorderColor = 0x808080;
constexpr COLORREF kMaskColor = RGB(255, 0, 255);
constexpr char kBlanks[] = "       "; // the icon lies over them
constexpr std::int16_t kKeyUp = 38;
constexpr std::int16_t kKeyDown = 40;

Description Constituents() {
    // clang-format off
    return {
        {"Boton", "", 2400, 0, 255, 255, {.Picture = "COMBO_ARROW", .MousePointer = "HAND"}},
        {"Borde1", "", 0, 0, 2415, 255, {.BorderColor = kBorderColor}},
        {"Borde2", "", 45, 240, 2370, 2060, {.BorderColor = kBorderColor, .Visible = false}},
        {"lblTexto", "", 75, 15, 2325, 225, {.Caption = "", .BackColor = kListColor, .Opaque = true, .MousePointer = "HAND"}},
        {"Image1", "", 0, 0, 75, 255, {.Picture = "COMBO_LEFT", .MousePointer = "HAND"}},
        {"Icono", "", 115, 0, 240, 240, {.Stretch = false, .MousePointer = "HAND"}},
    };
    // clang-format on
}

RECT PixelRect(int left, int top, int width, int height) {
    return RECT{Px(left), Px(top), Px(left + width), Px(top + height)};
}

} // namespace

ImageCombo::ImageCombo(HostContainer& owner, std::string name)
    : UserControl(owner, std::move(name)) {
    ApplyDescription(Constituents());
    SetControlBackColor(kBackColor);
    for (Element* strip : std::initializer_list<Element*>{&Boton, &Icono, &Image1, &lblTexto}) {
        strip->ElementClick = [this] { ShowList(!m_ListOpen); };
    }
}

void ImageCombo::UserControl_Initialize() {
    ListaImagenes = std::make_unique<ocx::ImageList>(kMaskColor);
    Lista =
        std::make_unique<ocx::ListView>(Hwnd(), PixelRect(60, kClosedHeight, 2340, listHeight_));
    Lista->SetImageList(ListaImagenes.get());
    Lista->SetColours(ToColorRef(kListColor), GetSysColor(COLOR_WINDOWTEXT));
    Lista->SetCursor(LoadCursorResource("HAND"));
    Lista->Click = [this] { m_ItemChosen = true; };
    Lista->KeyDown = [this](std::int16_t& KeyCode, std::int16_t&) { Lista_KeyDown(KeyCode); };
    Lista->ItemClick = [this](const ocx::ListItem& Item) { Lista_ItemClick(Item); };
    WatchFocus(Lista->Hwnd());
}

void ImageCombo::SetText(const std::string& text) {
    lblTexto.SetCaption(text);
    PropertyChanged("Text");
}

void ImageCombo::SetEnabled(bool enabled) {
    lblTexto.SetElementEnabled(enabled);
    PropertyChanged("Enabled");
}

void ImageCombo::SetSelectedIndex(const std::string& index) {
    m_SelectedIndex = TextToInteger(index);
    if (m_SelectedIndex >= 0) {
        ocx::ListItem item = Lista->Item(m_SelectedIndex + 1);
        SetText(kBlanks + item.Text);
        Icono.SetPicture(std::make_shared<Picture>(ListaImagenes->Icon(item.Icon).release()));
    } else {
        SetText("");
    }
    if (IndexChanged) {
        IndexChanged();
    }
    PropertyChanged("SelectedIndex");
}

void ImageCombo::SetImageList(const ocx::ImageList& images) {
    ListaImagenes->Clear();
    for (std::int32_t i = 1; i <= images.Count(); ++i) {
        ScopedBitmap picture = images.Picture(i);
        ListaImagenes->Add(picture.get());
    }
}

void ImageCombo::AddItem(const std::string& Text, std::int16_t Index, std::int16_t Icon) {
    Lista->Add(Index, Text, Icon);
}

void ImageCombo::DeleteItem(std::int16_t Index) {
    Lista->Remove(Index);
}

void ImageCombo::ShowList(bool Open) {
    m_ListOpen = Open;
    if (Open) {
        Borde2.SetVisible(true);
        SetHeight(kOpenHeight);
        Lista->SetFocus();
    } else {
        Borde2.SetVisible(false);
        SetHeight(kClosedHeight);
    }
}

void ImageCombo::Lista_KeyDown(std::int16_t KeyCode) {
    if (KeyCode == kKeyDown || KeyCode == kKeyUp) {
        m_KeyNavigation = true;
        m_ItemChosen = true;
    }
}

void ImageCombo::Lista_ItemClick(const ocx::ListItem& Item) {
    if (m_ItemChosen) {
        SetSelectedIndex(std::to_string(Item.Index - 1));
        // The image's own picture this time, not an icon made from it.
        Icono.SetPicture(
            std::make_shared<Picture>(ListaImagenes->Picture(Item.Icon).release(), kMaskColor));
        lblTexto.SetCaption(kBlanks + Item.Text);
        if (!m_KeyNavigation) {
            ShowList(false);
        }
    }
    m_KeyNavigation = false;
    m_ItemChosen = false;
}

void ImageCombo::UserControl_Resize() {
    Boton.Move(Width() - 255, 0, Boton.Width(), Boton.Height());
    Borde1.Move(0, 0, Width() - 240, Borde1.Height());
    lblTexto.Move(75, 15, Width() - 330, lblTexto.Height());
    if (m_ListOpen) {
        if (Lista != nullptr) {
            Lista->Move(PixelRect(60, kClosedHeight, Width() - 315, listHeight_));
        }
        Borde2.Move(45, 240, Width() - 285, Height() - 240);
    } else {
        SetHeight(kClosedHeight);
    }
}

void ImageCombo::UserControl_ReadProperties(const PropertyBag& bag) {
    lblTexto.SetCaption(bag.ReadString("Text", ""));
    lblTexto.SetElementEnabled(bag.ReadBool("Enabled", true));
    m_SelectedIndex = static_cast<std::int16_t>(bag.ReadLong("SelectedIndex", -1));
}

void ImageCombo::UserControl_WriteProperties(PropertyBag& bag) const {
    bag.WriteString("Text", lblTexto.Caption(), "");
    bag.WriteBool("Enabled", lblTexto.ElementEnabled(), true);
    bag.WriteLong("SelectedIndex", m_SelectedIndex, -1);
}

} // namespace instalio::ui
