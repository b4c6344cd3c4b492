// SPDX-License-Identifier: MIT
#include "import/FrmLoadFromRes.h"

#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include "controls/ucListIcon.h"
#include "import/ModuleBitmap.h"
#include "platform/desktop/Desktop.h"
#include "platform/desktop/QtBitmapBridge.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/PixelZoom.h"
#include "platform/pe/PeModule.h"

namespace {

// Wider pictures than this are more than any screen shows and more than Qt draws.
constexpr int kMaxPreviewWidth = 16384;

}  // namespace

FrmLoadFromRes::FrmLoadFromRes(desktop::Desktop& desktop, StripRules rules, QWidget* parent)
    : QDialog(parent), m_Desktop(desktop), m_Rules(std::move(rules)) {
    setWindowTitle("Load From Resource");
    BuildControls();
    resize(640, 420);
}

FrmLoadFromRes::~FrmLoadFromRes() = default;

void FrmLoadFromRes::BuildControls() {
    // The list and the info frame share one fixed width, so that longer info texts do not
    // shift the preview.
    constexpr int kLeftColumnWidth = 220;
    LstBitmaps = new QListWidget;
    LstBitmaps->setFixedWidth(kLeftColumnWidth);
    connect(LstBitmaps, &QListWidget::currentRowChanged, this, &FrmLoadFromRes::SelectEntry);
    PicBitmap = new QLabel;
    PicBitmap->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_PreviewArea = new QScrollArea;
    m_PreviewArea->setWidget(PicBitmap);
    m_PreviewArea->setWidgetResizable(true);
    auto* preview = new QGroupBox("Preview");
    (new QVBoxLayout(preview))->addWidget(m_PreviewArea);

    LblName = new QLabel("Name:");
    LblSize = new QLabel("Size:");
    LblDimensions = new QLabel("Dimensions:");
    LblBpp = new QLabel("Bit per pixel:");
    LblIcons = new QLabel("Icons:");
    LblMaskColor = new QLabel("Mask Color:   None");
    PicMaskColor = new QLabel;
    PicMaskColor->setFixedSize(34, 16);
    PicMaskColor->setFrameShape(QFrame::Box);
    PicMaskColor->setToolTip("Press here and release over the colour to use");
    PicMaskColor->installEventFilter(this);
    TxtSizeWidth = new QLineEdit;
    TxtSizeHeight = new QLineEdit;
    for (QLineEdit* box : {TxtSizeWidth, TxtSizeHeight}) {
        box->setMaximumWidth(60);
        connect(box, &QLineEdit::editingFinished, this, [this, box] { ValidateBox(box); });
    }
    auto* mask = new QHBoxLayout;
    mask->addWidget(LblMaskColor);
    mask->addWidget(PicMaskColor);
    mask->addStretch();
    auto* info = new QGroupBox("Image Info");
    info->setFixedWidth(kLeftColumnWidth);
    auto* fields = new QFormLayout(info);
    for (QLabel* label : {LblName, LblSize, LblDimensions, LblBpp, LblIcons}) {
        fields->addRow(label);
    }
    fields->addRow(mask);
    fields->addRow("Icon Width:", TxtSizeWidth);
    fields->addRow("Icon Height:", TxtSizeHeight);

    CmdOk = new QPushButton("Ok");
    CmdCancel = new QPushButton("Cancel");
    CmdOk->setDefault(true);
    connect(CmdOk, &QPushButton::clicked, this, &FrmLoadFromRes::Confirm);
    connect(CmdCancel, &QPushButton::clicked, this, &QDialog::hide);
    auto* left = new QVBoxLayout;
    left->addWidget(LstBitmaps, 1);
    left->addWidget(info);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdOk);
    buttons->addWidget(CmdCancel);
    auto* right = new QVBoxLayout;
    right->addWidget(preview, 1);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right, 1);
}

void FrmLoadFromRes::SetPath(const QString& Path) {
    m_Path = Path;
    setWindowTitle(Path);
    LstBitmaps->clear();
    m_Module = pe::PeModule::LoadAsData(Path.toStdString());
    if (!m_Module) {
        return;
    }
    for (const pe::ResourceId& name : m_Module->EnumResourceNames(pe::PeModule::RT_BITMAP)) {
        LstBitmaps->addItem(QString::fromStdString(name.Listed()));
    }
    if (LstBitmaps->count() > 0) {
        LstBitmaps->setCurrentRow(0);
    }
}

void FrmLoadFromRes::SelectEntry(int row) {
    if (row < 0 || !m_Module) {
        return;
    }
    m_ResID = LstBitmaps->item(row)->text();
    m_Bitmap.Reset(ModuleBitmap::Load(*m_Module, m_ResID.toStdString()));
    const gdi::Bitmap* bitmap = gdi::BitmapFromHandle(m_Bitmap.Get());
    if (bitmap == nullptr) {
        m_Desktop.MessageBox(this, "Error to add file", desktop::MessageButtons::Ok,
                             desktop::MessageIcon::Information, windowTitle());
        return;
    }
    const auto location = m_Module->FindResource(pe::ResourceId::FromListed(m_ResID.toStdString()),
                                                 pe::PeModule::RT_BITMAP);
    const int w = bitmap->Width(), h = bitmap->Height();
    m_ColorDep = bitmap->BitCount();
    m_IconWidth = m_Rules.proposedCellWidth(w, h);
    m_IconHeight = h;
    ShowPreview();
    const int cells = w / m_IconWidth;
    m_MaskColor = m_ColorDep == 32
                      ? gdi::CLR_NONE
                      : m_Rules.findMaskColor(m_Bitmap.Get(), m_IconWidth, m_IconHeight, cells);
    ShowMaskColor();
    LblName->setText("Name: " + m_ResID);
    LblSize->setText("Size: " + QString::number(location ? location->size : 0));
    LblDimensions->setText(QString("Dimensions: %1x%2 Pixels").arg(w).arg(h));
    LblBpp->setText("Colors: " + QString::number(m_ColorDep) + " Bpp");
    LblIcons->setText("Icons: " + QString::number(cells));
    TxtSizeWidth->setText(QString::number(m_IconWidth));
    TxtSizeHeight->setText(QString::number(m_IconHeight));
}

// Cells smaller than the preview are enlarged as the strip view zooms, by the largest step at
// which a cell still fits; a long strip scrolls.
void FrmLoadFromRes::ShowPreview() {
    const gdi::Bitmap* bitmap = gdi::BitmapFromHandle(m_Bitmap.Get());
    if (bitmap == nullptr || m_IconWidth < 1 || m_IconHeight < 1) {
        return;
    }
    const QSize box = m_PreviewArea->viewport()->size();
    const double ratio = devicePixelRatioF();
    int zoom = ucListIcon::ZoomToFit(m_IconWidth, m_IconHeight, box.width(), box.height());
    while (zoom > 1 &&
           bitmap->Width() * ucListIcon::DevicePixelsPerCellPixel(zoom, ratio) > kMaxPreviewWidth) {
        zoom = ucListIcon::NextZoom(zoom, -1);
    }
    const auto enlarged =
        gdi::PixelZoom::Enlarged(*bitmap, ucListIcon::DevicePixelsPerCellPixel(zoom, ratio));
    // The enlarged copy is 32-bit whatever the bitmap was; only a 32-bit bitmap has alpha.
    const auto alpha = bitmap->BitCount() == 32 ? desktop::QtBitmapBridge::Alpha::Premultiplied
                                                : desktop::QtBitmapBridge::Alpha::Opaque;
    QPixmap shown = QPixmap::fromImage(
        desktop::QtBitmapBridge::ToQImage(enlarged ? *enlarged : *bitmap, alpha));
    shown.setDevicePixelRatio(ratio);
    PicBitmap->setPixmap(shown);
}

void FrmLoadFromRes::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    ShowPreview();
}

// Without a mask colour the swatch is hidden and the label ends in "None".
void FrmLoadFromRes::ShowMaskColor() {
    PicMaskColor->setVisible(m_MaskColor != gdi::CLR_NONE);
    LblMaskColor->setText(m_MaskColor == gdi::CLR_NONE ? "Mask Color:   None" : "Mask Color:");
    PicMaskColor->setStyleSheet(
        QString("background: %1;").arg(desktop::QtBitmapBridge::ToQColor(m_MaskColor).name()));
}

bool FrmLoadFromRes::ValidateBox(QLineEdit* box) {
    if (m_Validating) {
        return true;
    }
    m_Validating = true;
    const std::optional<int> value = m_Rules.checkSizeBox(this, box);
    if (value) {
        (box == TxtSizeWidth ? m_IconWidth : m_IconHeight) = *value;
        ShowPreview();
    }
    m_Validating = false;
    return value.has_value();
}

void FrmLoadFromRes::Confirm() {
    for (QLineEdit* box : {TxtSizeWidth, TxtSizeHeight}) {
        if (focusWidget() == box && !ValidateBox(box)) {
            return;
        }
    }
    m_Tag = "1";
    hide();
}

void FrmLoadFromRes::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (LstBitmaps->count() == 0) {
        // Once shown, so that the message has the dialog as its owner.
        QTimer::singleShot(0, this, [this] {
            m_Desktop.MessageBox(this, "The file " + m_Path + " don`t contain any Bitmap",
                                 desktop::MessageButtons::Ok, desktop::MessageIcon::Information,
                                 windowTitle());
            hide();
        });
    }
}

// The mask colour is read from the screen wherever the press on the swatch is released.
bool FrmLoadFromRes::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PicMaskColor && event->type() == QEvent::MouseButtonRelease) {
        m_MaskColor = m_Desktop.ScreenPixelUnderPointer();
        ShowMaskColor();
    }
    return QDialog::eventFilter(watched, event);
}
