// SPDX-License-Identifier: MIT
#pragma once

#include "controls/AccessibleControl.h"

class ucStatusbar;

// The status bar and its panels, each read by its text, its tooltip as the description. A notice
// shown across the panels is the bar's value.
class ucStatusbarAccessible : public AccessibleControl {
  public:
    explicit ucStatusbarAccessible(ucStatusbar* bar);

    QString text(QAccessible::Text t) const override;
    int PartCount() const override;
    QString PartText(int part, QAccessible::Text t) const override;
    QAccessible::Role PartRole(int) const override { return QAccessible::StaticText; }
    QAccessible::State PartState(int part) const override;
    QRect PartRect(int part) const override;

  private:
    ucStatusbar* Bar() const;
};
