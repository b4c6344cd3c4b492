// SPDX-License-Identifier: MIT
#pragma once

// Makes the controls that draw their own parts known to assistive technology: installs, once, the
// factory that gives the toolbar, the strip view, the status bar and the colour pop-up their
// interfaces. Each of those controls calls it when made.
class ControlAccessibility {
  public:
    static void Install();
};
