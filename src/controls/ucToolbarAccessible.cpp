// SPDX-License-Identifier: MIT
#include "controls/ucToolbarAccessible.h"

#include "controls/ucToolbar.h"

ucToolbarAccessible::ucToolbarAccessible(ucToolbar* toolbar)
    : AccessibleControl(toolbar, QAccessible::ToolBar, "Toolbar") {}

ucToolbar* ucToolbarAccessible::Bar() const {
    return static_cast<ucToolbar*>(widget());
}

int ucToolbarAccessible::PartCount() const {
    return Bar()->ButtonCount();
}

QString ucToolbarAccessible::PartText(int part, QAccessible::Text t) const {
    const QString caption = Bar()->ButtonCaption(part + 1);
    const QString tip = Bar()->ButtonTipText(part + 1);
    if (t == QAccessible::Name) {
        return caption.isEmpty() ? tip : caption;
    }
    return t == QAccessible::Description && tip != caption ? tip : QString();
}

QAccessible::Role ucToolbarAccessible::PartRole(int part) const {
    const int style = Bar()->ButtonStyle(part + 1);
    if (style == ucToolbar::kStyleSeparator) {
        return QAccessible::Separator;
    }
    if ((style & ucToolbar::kStyleWholeDropDown) != 0) {
        return QAccessible::ButtonMenu;
    }
    return (style & ucToolbar::kStyleDropDown) != 0 ? QAccessible::ButtonDropDown
                                                    : QAccessible::PushButton;
}

QAccessible::State ucToolbarAccessible::PartState(int part) const {
    const int button = part + 1;
    const int style = Bar()->ButtonStyle(button);
    QAccessible::State state;
    state.disabled = !Bar()->ButtonEnabled(button) || !Bar()->isEnabled();
    state.invisible = !Bar()->ButtonVisible(button);
    state.pressed = Bar()->ButtonPressed(button);
    state.checkable = style != ucToolbar::kStyleSeparator &&
                      (style & (ucToolbar::kStyleCheck | ucToolbar::kStyleGroup)) != 0;
    state.checked = state.checkable && Bar()->ButtonChecked(button);
    state.hasPopup = (style & (ucToolbar::kStyleDropDown | ucToolbar::kStyleWholeDropDown)) != 0;
    return state;
}

QRect ucToolbarAccessible::PartRect(int part) const {
    return Bar()->ButtonRect(part + 1);
}

QStringList ucToolbarAccessible::PartActions(int part) const {
    switch (PartRole(part)) {
        case QAccessible::Separator:
            return {};
        case QAccessible::ButtonMenu:
            return {showMenuAction()};
        case QAccessible::ButtonDropDown:
            return {pressAction(), showMenuAction()};
        default:
            return {pressAction()};
    }
}

void ucToolbarAccessible::DoPartAction(int part, const QString& action) {
    Bar()->PressButton(part + 1, action == showMenuAction());
}
