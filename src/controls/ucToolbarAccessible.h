// SPDX-License-Identifier: MIT
#pragma once

#include "controls/AccessibleControl.h"

class ucToolbar;

// The toolbar and its buttons: each named by its caption or else its tooltip, pressed and
// dropped down as a click does.
class ucToolbarAccessible : public AccessibleControl {
  public:
    explicit ucToolbarAccessible(ucToolbar* toolbar);

    int PartCount() const override;
    QString PartText(int part, QAccessible::Text t) const override;
    QAccessible::Role PartRole(int part) const override;
    QAccessible::State PartState(int part) const override;
    QRect PartRect(int part) const override;
    QStringList PartActions(int part) const override;
    void DoPartAction(int part, const QString& action) override;

  private:
    ucToolbar* Bar() const;
};
