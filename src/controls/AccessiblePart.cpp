// SPDX-License-Identifier: MIT
#include "controls/AccessiblePart.h"

#include "controls/AccessibleControl.h"

bool AccessiblePart::isValid() const {
    return m_Control->isValid() && m_Part < m_Control->PartCount();
}

QWindow* AccessiblePart::window() const {
    return m_Control->window();
}

QAccessibleInterface* AccessiblePart::parent() const {
    return m_Control;
}

QString AccessiblePart::text(QAccessible::Text t) const {
    return isValid() ? m_Control->PartText(m_Part, t) : QString();
}

QRect AccessiblePart::rect() const {
    return isValid() ? m_Control->GlobalPartRect(m_Part) : QRect();
}

QAccessible::Role AccessiblePart::role() const {
    return isValid() ? m_Control->PartRole(m_Part) : QAccessible::NoRole;
}

QAccessible::State AccessiblePart::state() const {
    if (!isValid()) {
        QAccessible::State gone;
        gone.invalid = true;
        return gone;
    }
    return m_Control->PartState(m_Part);
}

void* AccessiblePart::interface_cast(QAccessible::InterfaceType type) {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                : nullptr;
}

QStringList AccessiblePart::actionNames() const {
    return isValid() ? m_Control->PartActions(m_Part) : QStringList();
}

void AccessiblePart::doAction(const QString& actionName) {
    if (actionNames().contains(actionName)) {
        m_Control->DoPartAction(m_Part, actionName);
    }
}
