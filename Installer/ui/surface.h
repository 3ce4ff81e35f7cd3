// The wizard's elements as the engine sees them (display.h): each adapter passes the engine's
// calls on to the element of the window, with exactly the members the engine uses.
#pragma once

#include "barra.h"
#include "boton.h"
#include "check.h"
#include "display.h"
#include "image.h"
#include "label.h"
#include "texto.h"

namespace instalio::ui {

class LabelSurface final : public display::VisibleLabel {
public:
    explicit LabelSurface(ui::Label& label) : label_(label) {}
    void SetCaption(const std::string& caption) override { label_.SetCaption(caption); }
    void SetVisible(bool visible) override { label_.SetVisible(visible); }

private:
    ui::Label& label_;
};

class ImageSurface final : public display::Image {
public:
    explicit ImageSurface(ui::Image& image) : image_(image) {}
    void SetVisible(bool visible) override { image_.SetVisible(visible); }

private:
    ui::Image& image_;
};

class BarSurface final : public display::VisibleActivityBar {
public:
    explicit BarSurface(Barra& bar) : bar_(bar) {}
    void Start(bool value) override { bar_.Start(value); }
    void SetVisible(bool visible) override { bar_.SetVisible(visible); }

private:
    Barra& bar_;
};

class CheckSurface final : public display::PictureCheckBox {
public:
    explicit CheckSurface(Check& check) : check_(check) {}
    bool Checked() override { return check_.Checked(); }

private:
    Check& check_;
};

class TextSurface final : public display::BorderedTextBox {
public:
    explicit TextSurface(Texto& text) : text_(text) {}
    std::string Text() override { return text_.Text(); }

private:
    Texto& text_;
};

class ButtonSurface final : public display::PictureButton {
public:
    explicit ButtonSurface(Boton& button) : button_(button) {}
    void SetText(const std::string& text) override { button_.SetText(text); }

private:
    Boton& button_;
};

// The accept and cancel (or yes and no) buttons of a dialog.
class DialogSurface final : public display::DialogButtons {
public:
    DialogSurface(Boton& accept, Boton& cancel) : accept_(accept), cancel_(cancel) {}
    display::PictureButton& cmdAceptar() override { return accept_; }
    display::PictureButton& cmdSalir() override { return cancel_; }

private:
    ButtonSurface accept_;
    ButtonSurface cancel_;
};

} // namespace instalio::ui
