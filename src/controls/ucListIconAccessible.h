// SPDX-License-Identifier: MIT
#pragma once

#include "controls/AccessibleControl.h"

class ucListIcon;

// The strip view as a list whose items say their position and, through the item tooltips the
// host gives, their size and source.
class ucListIconAccessible : public AccessibleControl {
  public:
    explicit ucListIconAccessible(ucListIcon* view);

    int PartCount() const override;
    QString PartText(int part, QAccessible::Text t) const override;
    QAccessible::Role PartRole(int) const override { return QAccessible::ListItem; }
    QAccessible::State PartState(int part) const override;
    QRect PartRect(int part) const override;
    int FocusedPart() const override;

  private:
    ucListIcon* View() const;
};
