// SPDX-License-Identifier: MIT
#include "controls/AccessibleControl.h"

#include <QWidget>

#include "controls/AccessiblePart.h"

AccessibleControl::AccessibleControl(QWidget* control, QAccessible::Role role, const QString& name)
    : QAccessibleWidget(control, role), m_Name(name) {}

// Parts are registered without an object, so nothing else deletes them.
AccessibleControl::~AccessibleControl() {
    for (const auto& [part, id] : m_Parts) {
        QAccessible::deleteAccessibleInterface(id);
    }
}

QString AccessibleControl::text(QAccessible::Text t) const {
    const QString text = QAccessibleWidget::text(t);
    return t == QAccessible::Name && text.isEmpty() ? m_Name : text;
}

int AccessibleControl::childCount() const {
    return PartCount() + QAccessibleWidget::childCount();
}

QAccessibleInterface* AccessibleControl::child(int index) const {
    const int parts = PartCount();
    if (index < 0 || index >= parts) {
        return index < 0 ? nullptr : QAccessibleWidget::child(index - parts);
    }
    const auto known = m_Parts.find(index);
    if (known != m_Parts.end()) {
        return QAccessible::accessibleInterface(known->second);
    }
    auto* part = new AccessiblePart(const_cast<AccessibleControl*>(this), index);
    m_Parts[index] = QAccessible::registerAccessibleInterface(part);
    return part;
}

int AccessibleControl::indexOfChild(const QAccessibleInterface* child) const {
    const QAccessible::Id id = QAccessible::uniqueId(const_cast<QAccessibleInterface*>(child));
    for (const auto& [part, partId] : m_Parts) {
        if (partId == id) {
            return part < PartCount() ? part : -1;
        }
    }
    const int widgetIndex = QAccessibleWidget::indexOfChild(child);
    return widgetIndex < 0 ? -1 : PartCount() + widgetIndex;
}

QAccessibleInterface* AccessibleControl::childAt(int x, int y) const {
    const QPoint local = widget()->mapFromGlobal(QPoint(x, y));
    for (int part = 0; part < PartCount(); ++part) {
        if (PartRect(part).contains(local)) {
            return child(part);
        }
    }
    return QAccessibleWidget::childAt(x, y);
}

QAccessibleInterface* AccessibleControl::focusChild() const {
    const int part = widget()->hasFocus() ? FocusedPart() : -1;
    return part >= 0 ? child(part) : QAccessibleWidget::focusChild();
}

QRect AccessibleControl::GlobalPartRect(int part) const {
    const QRect local = PartRect(part);
    return {widget()->mapToGlobal(local.topLeft()), local.size()};
}

void AccessibleControl::NotifyFocus(QWidget* control, int part) {
    if (!QAccessible::isActive() || part < 0) {
        return;
    }
    QAccessibleEvent focus(static_cast<QObject*>(control), QAccessible::Focus);
    focus.setChild(part);
    QAccessible::updateAccessibility(&focus);
}
