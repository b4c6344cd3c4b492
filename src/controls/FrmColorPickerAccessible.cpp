// SPDX-License-Identifier: MIT
#include "controls/FrmColorPickerAccessible.h"

#include <array>

#include "controls/FrmColorPicker.h"

namespace {

// The swatches' colours by their usual names, in swatch order.
constexpr std::array<const char*, 16> kSwatchNames{
    "Black", "Navy", "Green", "Teal", "Maroon", "Purple",  "Olive",  "Silver",
    "Grey",  "Blue", "Lime",  "Aqua", "Red",    "Fuchsia", "Yellow", "White"};

QString Hex(gdi::COLORREF color) {
    return QString("#%1%2%3")
        .arg(color & 0xFF, 2, 16, QChar('0'))
        .arg((color >> 8) & 0xFF, 2, 16, QChar('0'))
        .arg((color >> 16) & 0xFF, 2, 16, QChar('0'));
}

}  // namespace

FrmColorPickerAccessible::FrmColorPickerAccessible(FrmColorPicker* picker)
    : AccessibleControl(picker, QAccessible::ColorChooser, "Colours") {}

FrmColorPicker* FrmColorPickerAccessible::Picker() const {
    return static_cast<FrmColorPicker*>(widget());
}

gdi::COLORREF FrmColorPickerAccessible::PartColor(int part) const {
    return part == 0 ? Picker()->DefaultColor()
                     : FrmColorPicker::kSwatches[static_cast<std::size_t>(part - 1)];
}

QString FrmColorPickerAccessible::PartText(int part, QAccessible::Text t) const {
    if (t != QAccessible::Name) {
        return {};
    }
    if (part == kMoreColorsPart) {
        return FrmColorPicker::kMoreColorsText;
    }
    const QString name =
        part == 0 ? QString("Colour in use") : kSwatchNames[static_cast<std::size_t>(part - 1)];
    return name + ", " + Hex(PartColor(part));
}

QRect FrmColorPickerAccessible::PartRect(int part) const {
    if (part == kMoreColorsPart) {
        return FrmColorPicker::MoreColorsRect();
    }
    if (part == 0) {
        return {4, 5, 76, 17};
    }
    const int swatch = part - 1;
    return {4 + 20 * (swatch % 4), 27 + 20 * (swatch / 4), 16, 16};
}

void FrmColorPickerAccessible::DoPartAction(int part, const QString&) {
    if (part == kMoreColorsPart) {
        Picker()->ChooseMoreColors();
    } else {
        Picker()->PickColor(PartColor(part));
    }
}
