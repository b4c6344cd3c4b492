#include <QApplication>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include "controls/FrmColorPicker.h"
#include "controls/ucListIcon.h"
#include "controls/ucStatusbar.h"
#include "controls/ucToolbar.h"
#include "platform/desktop/QtBitmapBridge.h"
#include "platform/desktop/QtDesktop.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/ImageList.h"
#include "platform/gdi/UniqueGdiObject.h"

// A window with every control, for looking at them as a user would. With --popup the colour
// pop-up opens below the strip view.
namespace {

gdi::HIMAGELIST SampleCells() {
    QImage strip(16 * 6, 16, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    const QColor colors[] = {Qt::red,        Qt::darkGreen, Qt::blue,
                             Qt::darkYellow, Qt::magenta,   Qt::darkCyan};
    for (int cell = 0; cell < 6; ++cell) {
        for (int y = 2; y < 14; ++y) {
            for (int x = 2; x < 14; ++x) {
                const int d = (x - 8) * (x - 8) + (y - 8) * (y - 8);
                if (d <= 36) {
                    strip.setPixelColor(cell * 16 + x, y, colors[cell]);
                }
            }
        }
    }
    const gdi::HIMAGELIST list = gdi::ImageList::Create(16, 16, gdi::ImageList::ILC_MASK | 32);
    gdi::UniqueGdiObject bitmap(desktop::QtBitmapBridge::FromQImage(strip));
    gdi::ImageList::FromHandle(list)->Add(bitmap.Get(), gdi::CLR_NONE);
    return list;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    desktop::QtDesktop desktop;
    QWidget window;
    window.setWindowTitle("Controls");
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* toolbar = new ucToolbar(&window);
    toolbar->Initialize(16, true, true, true);
    gdi::UniqueGdiObject images(desktop::QtBitmapBridge::FromQImage(QImage(":/toolbar.png")));
    toolbar->AddBitmap(images.Get(), gdi::CLR_NONE);
    toolbar->AddButton("Add", 0, "Add", ucToolbar::kStyleDropDown, true, 0);
    toolbar->AddButton("", -1, "", ucToolbar::kStyleSeparator, false, 0);
    toolbar->AddButton("", 1, "Move Back", ucToolbar::kStyleButton, true, 0);
    toolbar->AddButton("", 2, "Move forward", ucToolbar::kStyleButton, true, 0);
    toolbar->AddButton("", -1, "", ucToolbar::kStyleSeparator, false, 0);
    toolbar->AddButton("Delete", 3, "Delete", ucToolbar::kStyleButton, true, 0);
    toolbar->AddButton("", -1, "", ucToolbar::kStyleSeparator, false, 0);
    toolbar->AddButton("", 4, "Background color", ucToolbar::kStyleWholeDropDown, true, 0);
    layout->addWidget(toolbar);
    auto* view = new ucListIcon(&window);
    gdi::UniqueGdiObject cells(SampleCells());
    view->SethImageList(cells.Get());
    view->SetBackCheckerBoard(true);
    for (int i = 0; i < 6; ++i) {
        view->AddItem(i);
    }
    view->SetListIndex(2);
    layout->addWidget(view);
    auto* status = new ucStatusbar(&window);
    status->Initialize(true, true);
    status->AddPanel(0, 60, 80, ucStatusbar::kFitContents, "6 Icons", "", -1);
    status->AddPanel(0, 60, 100, ucStatusbar::kSpring, "True Color (24 Bits)", "", -1);
    status->AddPanel(0, 60, 100, ucStatusbar::kSpring, "Bitmap size: 96x16 Pixels", "", -1);
    layout->addWidget(status);
    window.resize(420, 100);
    window.move(20, 20);
    window.show();
    view->Refresh();
    if (application.arguments().contains("--popup")) {
        QTimer::singleShot(300, [&] {
            auto* picker = new FrmColorPicker(desktop, &window);
            picker->PopUpColor(&window, 10, view->geometry().bottom(), 0xFF00FF);
        });
    }
    return application.exec();
}
