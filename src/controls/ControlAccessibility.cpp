// SPDX-License-Identifier: MIT
#include "controls/ControlAccessibility.h"

#include <QAccessible>

#include "controls/FrmColorPicker.h"
#include "controls/FrmColorPickerAccessible.h"
#include "controls/ucListIcon.h"
#include "controls/ucListIconAccessible.h"
#include "controls/ucStatusbar.h"
#include "controls/ucStatusbarAccessible.h"
#include "controls/ucToolbar.h"
#include "controls/ucToolbarAccessible.h"

namespace {

// Asked for each class of the object's, most derived first; only the controls' own classes
// answer.
QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == "ucToolbar") {
        return new ucToolbarAccessible(static_cast<ucToolbar*>(object));
    }
    if (className == "ucListIcon") {
        return new ucListIconAccessible(static_cast<ucListIcon*>(object));
    }
    if (className == "ucStatusbar") {
        return new ucStatusbarAccessible(static_cast<ucStatusbar*>(object));
    }
    if (className == "FrmColorPicker") {
        return new FrmColorPickerAccessible(static_cast<FrmColorPicker*>(object));
    }
    return nullptr;
}

}  // namespace

void ControlAccessibility::Install() {
    static const bool installed = [] {
        QAccessible::installFactory(&Factory);
        return true;
    }();
    static_cast<void>(installed);
}
