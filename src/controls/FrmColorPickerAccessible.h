// SPDX-License-Identifier: MIT
#pragma once

#include "controls/AccessibleControl.h"
#include "platform/gdi/GdiTypes.h"

class FrmColorPicker;

// The colour pop-up as buttons: the colour in use, the sixteen swatches by name, and
// "More Colours…"; pressing one picks as a click does.
class FrmColorPickerAccessible : public AccessibleControl {
  public:
    static constexpr int kSwatchParts = 16;
    static constexpr int kMoreColorsPart = kSwatchParts + 1;

    explicit FrmColorPickerAccessible(FrmColorPicker* picker);

    int PartCount() const override { return kMoreColorsPart + 1; }
    QString PartText(int part, QAccessible::Text t) const override;
    QAccessible::Role PartRole(int) const override { return QAccessible::PushButton; }
    QAccessible::State PartState(int) const override { return {}; }
    QRect PartRect(int part) const override;
    QStringList PartActions(int) const override { return {pressAction()}; }
    void DoPartAction(int part, const QString& action) override;

  private:
    FrmColorPicker* Picker() const;
    // Part 0 is the colour in use, parts 1 to 16 the swatches.
    gdi::COLORREF PartColor(int part) const;
};
