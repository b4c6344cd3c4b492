// SPDX-License-Identifier: MIT
#include "controls/ucStatusbarAccessible.h"

#include "controls/ucStatusbar.h"

ucStatusbarAccessible::ucStatusbarAccessible(ucStatusbar* bar)
    : AccessibleControl(bar, QAccessible::StatusBar, "Status bar") {}

ucStatusbar* ucStatusbarAccessible::Bar() const {
    return static_cast<ucStatusbar*>(widget());
}

QString ucStatusbarAccessible::text(QAccessible::Text t) const {
    return t == QAccessible::Value ? Bar()->Notice() : AccessibleControl::text(t);
}

int ucStatusbarAccessible::PartCount() const {
    return Bar()->PanelCount();
}

QString ucStatusbarAccessible::PartText(int part, QAccessible::Text t) const {
    if (t == QAccessible::Name) {
        return Bar()->PanelText(part + 1);
    }
    return t == QAccessible::Description ? Bar()->PanelTipText(part + 1) : QString();
}

QAccessible::State ucStatusbarAccessible::PartState(int part) const {
    QAccessible::State state;
    state.readOnly = true;
    // A notice covers the panels while it is shown.
    state.invisible = !Bar()->Notice().isEmpty() || PartRect(part).isEmpty();
    return state;
}

QRect ucStatusbarAccessible::PartRect(int part) const {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    Bar()->GetPanelRect(part + 1, x1, y1, x2, y2);
    return {x1, y1, x2 - x1, y2 - y1};
}
