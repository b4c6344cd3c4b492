// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessibleWidget>
#include <map>

// What assistive technology sees of a control that draws its parts itself (buttons, cells,
// panels, swatches): the control, then one child per part, then its child widgets. A part's
// interface is made when first asked for and lives as long as the control's.
class AccessibleControl : public QAccessibleWidget {
  public:
    AccessibleControl(QWidget* control, QAccessible::Role role, const QString& name);
    ~AccessibleControl() override;
    AccessibleControl(const AccessibleControl&) = delete;
    AccessibleControl& operator=(const AccessibleControl&) = delete;

    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    // The parts, counted from 0; rectangles in the control's own pixels.
    virtual int PartCount() const = 0;
    virtual QString PartText(int part, QAccessible::Text t) const = 0;
    virtual QAccessible::Role PartRole(int part) const = 0;
    virtual QAccessible::State PartState(int part) const = 0;
    virtual QRect PartRect(int part) const = 0;
    // The actions a part offers (QAccessibleActionInterface names) and doing one of them.
    virtual QStringList PartActions(int) const { return {}; }
    virtual void DoPartAction(int, const QString&) {}
    // The part that has the keyboard focus, or -1.
    virtual int FocusedPart() const { return -1; }
    // A part's rectangle on the screen.
    QRect GlobalPartRect(int part) const;

    // Tells assistive technology that the focus moved to a part.
    static void NotifyFocus(QWidget* control, int part);

  private:
    QString m_Name;
    mutable std::map<int, QAccessible::Id> m_Parts;
};
