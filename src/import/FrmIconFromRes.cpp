// SPDX-License-Identifier: MIT
#include "import/FrmIconFromRes.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "controls/PreviewBoard.h"
#include "image/c32bppDIB.h"
#include "platform/desktop/Desktop.h"
#include "platform/desktop/QtBitmapBridge.h"
#include "platform/gdi/Gdi.h"

namespace {

constexpr gdi::COLORREF kHighlight = 0x8000000D;
constexpr int kBox = PreviewBoard::kSize;

QImage EmptyPreview() {
    QImage board = PreviewBoard::Checkerboard();
    QPainter painter(&board);
    painter.setPen(desktop::QtBitmapBridge::ToQColor(kHighlight));
    painter.drawRect(0, 0, kBox - 1, kBox - 1);
    return board;
}

}  // namespace

FrmIconFromRes::FrmIconFromRes(desktop::Desktop& desktop, QWidget* parent,
                               const QString& defaultIconModule, Chooser chooser)
    : QDialog(parent),
      m_Desktop(desktop),
      m_Chooser(std::move(chooser)),
      m_DefaultIconModule(defaultIconModule),
      m_Picked(std::make_unique<c32bppDIB>()),
      m_Preview(EmptyPreview()) {
    setWindowTitle("Load from PE Files");
    TxtResFile = new QLineEdit;
    TxtResFile->setReadOnly(true);
    Command1 = new QPushButton("Open");
    lbIcon = new QListWidget;
    lbIcon->setMinimumWidth(200);
    Picture1 = new QLabel;
    Picture1->setFixedSize(kBox, kBox);
    Picture1->setPixmap(QPixmap::fromImage(m_Preview));
    CmdAceptar = new QPushButton("Acept");
    CmdCancel = new QPushButton("Cancel");
    CmdAceptar->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &FrmIconFromRes::OpenIcons);
    connect(lbIcon, &QListWidget::currentRowChanged, this, &FrmIconFromRes::ShowPreview);
    connect(CmdAceptar, &QPushButton::clicked, this, &FrmIconFromRes::Accept);
    connect(CmdCancel, &QPushButton::clicked, this, &QDialog::hide);
    auto* file = new QHBoxLayout;
    file->addWidget(TxtResFile, 1);
    file->addWidget(Command1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(lbIcon, 1);
    middle->addWidget(Picture1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdAceptar);
    buttons->addWidget(CmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(file);
    layout->addLayout(middle, 1);
    layout->addLayout(buttons);
}

FrmIconFromRes::~FrmIconFromRes() = default;

void FrmIconFromRes::OpenIcons() {
    const std::optional<FrmIconChooser::Choice> choice = m_Chooser(m_DefaultIconModule);
    if (!choice) {
        return;
    }
    m_DefaultIconModule = choice->path;
    TxtResFile->setText(choice->path);
    const bool iconFile = choice->path.right(3).toLower() == "ico";
    const bool loaded =
        iconFile ? m_Icons.LoadIconFromFile(choice->path.toStdString())
                 : m_Icons.LoadIconFromResource(choice->path.toStdString(), choice->index);
    if (!loaded) {
        m_Desktop.MessageBox(this, iconFile ? "Error reading file" : "Error reading resource",
                             desktop::MessageButtons::Ok, desktop::MessageIcon::Information,
                             windowTitle());
        hide();
        return;
    }
    m_SourceAddress =
        iconFile ? choice->path : choice->path + ":icon:" + QString::number(choice->index);
    lbIcon->clear();
    for (int i = 0; i < m_Icons.Count(); ++i) {
        lbIcon->addItem(QString::fromStdString(m_Icons.ListText(i)));
    }
    lbIcon->setFocus();
    lbIcon->setCurrentRow(lbIcon->count() - 1);
}

// The entry decoded by our own icon decoder, at its size, centred on the checkerboard.
void FrmIconFromRes::ShowPreview(int row) {
    m_Preview = EmptyPreview();
    c32bppDIB image;
    const IconGroup::Entry* entry =
        row >= 0 && row < m_Icons.Count() ? &m_Icons.EntryAt(row) : nullptr;
    if (entry != nullptr) {
        const int w = entry->Width() == 0 ? 256 : entry->Width();
        const int h = entry->Height() == 0 ? 256 : entry->Height();
        if (image.LoadPicture_Stream(m_Icons.SingleIconFile(row), w, h, 0, 0, false, 32)) {
            const QImage icon =
                desktop::QtBitmapBridge::ToQImage(*gdi::BitmapFromHandle(image.Handle()),
                                                  desktop::QtBitmapBridge::Alpha::Premultiplied);
            QPainter painter(&m_Preview);
            painter.drawImage(static_cast<int>(std::nearbyint(kBox / 2.0 - image.Width() / 2.0)),
                              static_cast<int>(std::nearbyint(kBox / 2.0 - image.Height() / 2.0)),
                              icon);
        }
    }
    Picture1->setPixmap(QPixmap::fromImage(m_Preview));
}

void FrmIconFromRes::Accept() {
    const int row = lbIcon->currentRow();
    if (row < 0) {
        return;
    }
    if (m_Picked->LoadPicture_Stream(m_Icons.SingleIconFile(row), 0, 0, 0, 0, false, 32)) {
        m_Tag = "1";
        hide();
    }
}
