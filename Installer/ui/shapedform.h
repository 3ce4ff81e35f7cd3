// Shaped, draggable windows: a form takes the outline of its picture, with the magenta parts
// cut away, and moves with the mouse when pressed on its background.
#pragma once

#include "form.h"

#include "owners.h"

namespace instalio::ui {

// The colour cut away from a window's picture: magenta, exactly.
constexpr COLORREF kTransparentColor = RGB(255, 0, 255);

// Gives the form the outline of its Picture (SetWindowRgn, repainted), then sizes the form to
// the picture. Without a drawing context the form keeps its full rectangle, and is still sized.
void ShapeForm(Form& form);

// A new region of the picture's pixels that are not magenta, in the picture's coordinates;
// none when no drawing context could be made.
ScopedRegion RegionFromPicture(const Picture& picture);

// Starts moving the form with the mouse (a press on its background), when it is neither
// minimised nor maximised; then pumps pending events once in every case.
void DragForm(Form& form);

// A window shaped and dragged so: Form_Load shapes it, Form_MouseDown drags it. A window that
// does more when it loads calls ShapedForm::Form_Load where the shaping belongs.
class ShapedForm : public Form {
public:
    using Form::Form;

protected:
    void Form_Load() override;
    void Form_MouseDown(int Button, int Shift, int X, int Y) override;
};

} // namespace instalio::ui
