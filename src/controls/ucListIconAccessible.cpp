// SPDX-License-Identifier: MIT
#include "controls/ucListIconAccessible.h"

#include <algorithm>

#include "controls/ucListIcon.h"

ucListIconAccessible::ucListIconAccessible(ucListIcon* view)
    : AccessibleControl(view, QAccessible::List, "Strip") {}

ucListIcon* ucListIconAccessible::View() const {
    return static_cast<ucListIcon*>(widget());
}

int ucListIconAccessible::PartCount() const {
    return View()->ItemCount();
}

// The tooltip's lines read as one; without one the position alone.
QString ucListIconAccessible::PartText(int part, QAccessible::Text t) const {
    if (t != QAccessible::Name) {
        return {};
    }
    const QString tip = View()->ItemToolTip(part);
    return tip.isEmpty() ? QString("Cell %1 of %2").arg(part + 1).arg(PartCount())
                         : QString(tip).replace('\n', ", ");
}

QAccessible::State ucListIconAccessible::PartState(int part) const {
    const std::vector<int> selected = View()->SelectedItems();
    QAccessible::State state;
    state.selectable = true;
    state.focusable = true;
    state.selected = std::find(selected.begin(), selected.end(), part) != selected.end();
    state.focused = part == View()->ListIndex() && View()->hasFocus();
    state.offscreen = !View()->rect().intersects(PartRect(part));
    return state;
}

QRect ucListIconAccessible::PartRect(int part) const {
    return View()->ItemRect(part);
}

int ucListIconAccessible::FocusedPart() const {
    return View()->ListIndex();
}
