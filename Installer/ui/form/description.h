// Saved form descriptions: what the form designer stores with a window. One table per window
// (or per user control, for its constituents): one row per element with its parent, position
// and design settings, in z-order from the bottom up. Loading a window applies its table.
#pragma once

#include "twips.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace instalio::ui {

// Design settings of one element; what a row leaves out keeps the element's default.
struct Design {
    std::optional<std::string> Caption;
    std::optional<OleColor> ForeColor;
    std::optional<OleColor> BackColor;
    std::optional<bool> Opaque; // a label's background: opaque in BackColor, or transparent
    std::optional<OleColor> BorderColor;
    std::optional<std::string> FontName;
    std::optional<int> FontSize; // points
    std::optional<bool> FontBold;
    std::optional<std::string> Picture; // a bitmap resource of the program
    std::optional<bool> Stretch;        // an image: stretched, or sized to its picture
    std::optional<bool> Visible;
    std::optional<bool> Enabled;
    std::optional<int> Interval;                                 // a timer's, in milliseconds
    std::optional<std::string> MousePointer;                     // a cursor resource of the program
    std::optional<int> TabIndex;                                 // the place in the tab order
    std::vector<std::pair<std::string, std::string>> Properties; // a user control's bag
};

struct ElementRow {
    std::string Name;
    std::string Parent; // empty: the window (or user control) itself
    int Left = 0;       // twips, relative to the parent
    int Top = 0;
    int Width = 0;
    int Height = 0;
    Design Settings;
};

using Description = std::vector<ElementRow>;

} // namespace instalio::ui
