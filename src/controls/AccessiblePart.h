// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessibleInterface>

class AccessibleControl;

// One part a control draws itself, as assistive technology sees it; the control's interface
// answers every question about it.
class AccessiblePart : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    AccessiblePart(AccessibleControl* control, int part) : m_Control(control), m_Part(part) {}

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    AccessibleControl* m_Control;
    int m_Part;
};
