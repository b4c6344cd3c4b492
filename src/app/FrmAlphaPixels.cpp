// SPDX-License-Identifier: MIT
#include "app/FrmAlphaPixels.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>
#include <cstring>

#include "app/ClsDIB.h"
#include "controls/FrmColorPicker.h"
#include "controls/ucListIcon.h"
#include "image/c32bppDIB.h"
#include "platform/desktop/Desktop.h"
#include "platform/desktop/QtBitmapBridge.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/PixelZoom.h"

namespace {

using desktop::QtBitmapBridge;

// A drawing context holding a 32-bit copy of an image, drawn into and read back as a QImage.
struct Surface {
    explicit Surface(const QImage& image)
        : bitmap(QtBitmapBridge::FromQImage(image)), dc(gdi::CreateCompatibleDC()) {
        gdi::SelectObject(dc.Get(), bitmap.Get());
    }
    ~Surface() { gdi::SelectObject(dc.Get(), gdi::StockBitmap()); }
    QImage Read() const {
        return QtBitmapBridge::ToQImage(*gdi::BitmapFromHandle(bitmap.Get()),
                                        QtBitmapBridge::Alpha::Opaque);
    }
    gdi::UniqueGdiObject bitmap;
    gdi::UniqueGdiObject dc;
};

// The image with each pixel a factor x factor square, its premultiplied bytes as they are.
void EnlargedCopy(const c32bppDIB& image, int factor, c32bppDIB& copy) {
    const gdi::Bitmap* bitmap = gdi::BitmapFromHandle(image.Handle());
    const auto enlarged = bitmap != nullptr ? gdi::PixelZoom::Enlarged(*bitmap, factor) : nullptr;
    if (!enlarged || !copy.InitializeDIB(enlarged->Width(), enlarged->Height())) {
        image.CopyImageTo(copy);
        return;
    }
    std::memcpy(copy.BitsPointer(), enlarged->Bits(), copy.PixelBytes().size());
    copy.SetAlpha(image.Alpha());
    copy.SetImageType(image.ImageType());
}

// A dropper: a slanted tube with a drop at its tip, hot spot on the tip.
QCursor DropperCursor() {
    QPixmap shape(16, 16);
    shape.fill(Qt::transparent);
    QPainter painter(&shape);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1.5));
    painter.drawLine(2, 13, 10, 5);
    painter.setBrush(Qt::black);
    painter.drawEllipse(QPointF(12, 3.5), 2.5, 2.5);
    painter.setPen(QPen(Qt::white, 0.8));
    painter.drawLine(3, 13, 10, 6);
    painter.end();
    return QCursor(shape, 1, 14);
}

}  // namespace

FrmAlphaPixels::FrmAlphaPixels(desktop::Desktop& desktop, QWidget* parent)
    : QDialog(parent),
      m_Desktop(desktop),
      m_Source(std::make_unique<c32bppDIB>()),
      m_CutOut(std::make_unique<c32bppDIB>()),
      m_Canvas(std::make_unique<ClsDIB>()),
      m_Left(Checkerboard()),
      m_Right(Checkerboard()) {
    setWindowTitle("Alpha Pixels");
    BuildControls();
    Picture1->setPixmap(QPixmap::fromImage(m_Left));
    Picture2->setPixmap(QPixmap::fromImage(m_Right));
}

FrmAlphaPixels::~FrmAlphaPixels() = default;

void FrmAlphaPixels::BuildControls() {
    Label1 = new QLabel(
        "This image contains transparent pixels, this resolution should not preserve them, or "
        "make a background color");
    Label1->setWordWrap(true);
    Picture1 = new QLabel;
    Picture2 = new QLabel;
    for (QLabel* preview : {Picture1, Picture2}) {
        preview->setFixedSize(kPreviewSize, kPreviewSize);
    }
    OptRemove = new QRadioButton("Remove Alpha Pixel");
    OptPreserve = new QRadioButton("Preserve Alpha Pixel");
    OptRemove->setChecked(true);
    PicBackColor = new QLabel;
    PicBackColor->setFixedSize(24, 22);
    PicBackColor->setFrameShape(QFrame::Box);
    CmdBackColor = new QPushButton("             BackColor");
    CmdDropper = new QPushButton;
    CmdDropper->setIcon(QIcon(QPixmap(DropperCursor().pixmap())));
    CmdDropper->setToolTip("Pick a colour from the screen");
    CmdDropper->installEventFilter(this);
    Check1 = new QCheckBox("Don't display this window again and make always this desition.");
    CmdAccept = new QPushButton("Accept");
    CmdAccept->setDefault(true);
    for (QWidget* control :
         {static_cast<QWidget*>(CmdBackColor), static_cast<QWidget*>(CmdDropper)}) {
        control->setEnabled(false);
        connect(OptPreserve, &QRadioButton::toggled, control, &QWidget::setEnabled);
    }
    connect(CmdBackColor, &QPushButton::clicked, this, &FrmAlphaPixels::OpenPalette);
    connect(CmdAccept, &QPushButton::clicked, this, &QDialog::hide);

    auto* colour = new QHBoxLayout;
    colour->addWidget(PicBackColor);
    colour->addWidget(CmdBackColor, 1);
    colour->addWidget(CmdDropper);
    auto* grid = new QGridLayout;
    grid->addWidget(Picture1, 0, 0);
    grid->addWidget(Picture2, 0, 1);
    grid->addWidget(OptRemove, 1, 0);
    grid->addWidget(OptPreserve, 1, 1);
    grid->addLayout(colour, 2, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Check1, 1);
    bottom->addWidget(CmdAccept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    LblSource = new QLabel;
    LblSource->setWordWrap(true);
    LblSource->hide();
    layout->addWidget(LblSource);
    layout->addLayout(grid);
    layout->addLayout(bottom);
}

void FrmAlphaPixels::SetSourceName(const QString& source) {
    LblSource->setText("Image: " + source);
    LblSource->setVisible(!source.isEmpty());
}

QImage FrmAlphaPixels::Checkerboard() {
    return PreviewBoard::Checkerboard();
}

int FrmAlphaPixels::CentredOrigin(int size, int boardSize) {
    return static_cast<int>(std::nearbyint(boardSize / 2.0 - size / 2.0));
}

int FrmAlphaPixels::PreviewPixelSize(int width, int height, double devicePixelRatio) {
    return ucListIcon::DevicePixelsPerCellPixel(
        ucListIcon::ZoomToFit(width, height, kPreviewSize, kPreviewSize), devicePixelRatio);
}

void FrmAlphaPixels::SetColorBack(gdi::COLORREF color) {
    m_ColorBack = color;
    PicBackColor->setStyleSheet(
        QString("background: %1;").arg(QtBitmapBridge::ToQColor(color).name()));
}

// Every step works pixel by pixel, so the previews of the enlarged image are the previews of the
// image with each pixel enlarged.
void FrmAlphaPixels::SetDIB(const c32bppDIB& image) {
    m_Scale = devicePixelRatioF();
    EnlargedCopy(image, PreviewPixelSize(image.Width(), image.Height(), m_Scale), *m_Source);
    m_Source->CopyImageTo(*m_CutOut);
    m_CutOut->RemoveAlpha();
    DrawLeftPreview();
    m_Canvas->Create(m_Source->Width(), m_Source->Height(), 24);
    RedrawRightPreview();
}

void FrmAlphaPixels::DrawLeftPreview() {
    const QImage board = PreviewBoard::Checkerboard(m_Scale);
    Surface preview(board);
    m_CutOut->Render(preview.dc.Get(), CentredOrigin(m_CutOut->Width(), board.width()),
                     CentredOrigin(m_CutOut->Height(), board.width()), m_CutOut->Width(),
                     m_CutOut->Height());
    ShowPreview(Picture1, m_Left, preview.Read());
}

void FrmAlphaPixels::RedrawRightPreview() {
    const QImage board = PreviewBoard::Checkerboard(m_Scale);
    Surface preview(board);
    const int w = m_Source->Width(), h = m_Source->Height();
    if (m_Canvas->hDC() != 0) {
        m_Canvas->Fill(m_ColorBack);
        m_Source->Render(m_Canvas->hDC(), 0, 0, w, h);
        gdi::TransparentBlt(preview.dc.Get(), CentredOrigin(w, board.width()),
                            CentredOrigin(h, board.width()), w, h, m_Canvas->hDC(), 0, 0,
                            m_ColorBack);
    }
    ShowPreview(Picture2, m_Right, preview.Read());
}

// Shown one device pixel per pixel, so that the enlarged pixels stay whole.
void FrmAlphaPixels::ShowPreview(QLabel* picture, QImage& shown, QImage drawn) const {
    shown = std::move(drawn);
    QPixmap pixmap = QPixmap::fromImage(shown);
    pixmap.setDevicePixelRatio(m_Scale);
    picture->setPixmap(pixmap);
}

void FrmAlphaPixels::OpenPalette() {
    if (m_Picker) {
        return;
    }
    m_Picker = new FrmColorPicker(m_Desktop, this);
    connect(m_Picker, &FrmColorPicker::SelectColor, this, [this](unsigned color) {
        SetColorBack(color);
        RedrawRightPreview();
    });
    const QPoint below = CmdBackColor->mapTo(this, QPoint(0, CmdBackColor->height()));
    m_Picker->PopUpColor(this, below.x(), below.y(), m_ColorBack);
}

void FrmAlphaPixels::PickScreenColor() {
    SetColorBack(m_Desktop.ScreenPixelUnderPointer());
    RedrawRightPreview();
}

// The dropper: the pointer changes while the button is held and the colour is read wherever
// it is released.
bool FrmAlphaPixels::eventFilter(QObject* watched, QEvent* event) {
    if (watched == CmdDropper && CmdDropper->isEnabled()) {
        if (event->type() == QEvent::MouseButtonPress) {
            CmdDropper->setCursor(DropperCursor());
        } else if (event->type() == QEvent::MouseButtonRelease) {
            CmdDropper->unsetCursor();
            PickScreenColor();
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool FrmAlphaPixels::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        m_Picker.clear();
    }
    return QDialog::event(event);
}
