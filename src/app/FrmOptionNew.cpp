// SPDX-License-Identifier: MIT
#include "app/FrmOptionNew.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

#include "controls/FrmColorPicker.h"
#include "platform/desktop/Desktop.h"
#include "platform/desktop/QtBitmapBridge.h"

namespace {

constexpr std::array<int, 5> kSizes{16, 24, 32, 48, 256};
constexpr std::array<int, 6> kDepths{32, 24, 16, 8, 4, 1};
constexpr gdi::COLORREF kGrayText = 0x80000011;

}  // namespace

FrmOptionNew::FrmOptionNew(desktop::Desktop& desktop, QWidget* parent)
    : QDialog(parent), m_Desktop(desktop) {
    setWindowTitle("New Bitmap");
    auto* frames = new QHBoxLayout;
    frames->addWidget(BuildSizeFrame());
    frames->addWidget(BuildColorFrame());
    CmdOk = new QPushButton("Ok");
    CmdCancel = new QPushButton("Cancel");
    CmdOk->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdOk);
    buttons->addWidget(CmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(frames);
    layout->addLayout(buttons);
    connect(CmdOk, &QPushButton::clicked, this, &FrmOptionNew::Confirm);
    connect(CmdCancel, &QPushButton::clicked, this, &QDialog::hide);
    OptSize[0]->setChecked(true);
    OptColor[0]->setChecked(true);
    ChooseSize(0);
    ChooseColor(0);
}

QWidget* FrmOptionNew::BuildSizeFrame() {
    auto* frame = new QGroupBox("Size");
    auto* grid = new QGridLayout(frame);
    const char* captions[] = {"16 x 16", "24 x 24", "32 x 32", "48 x 48", "256 x 256 ", "Custom"};
    for (int i = 0; i < 6; ++i) {
        OptSize[static_cast<std::size_t>(i)] = new QRadioButton(captions[i]);
        grid->addWidget(OptSize[static_cast<std::size_t>(i)], i, 0, 1, 3);
        connect(OptSize[static_cast<std::size_t>(i)], &QRadioButton::clicked, this,
                [this, i] { ChooseSize(i); });
    }
    Label1 = {new QLabel("Width:"), new QLabel("Height:")};
    TxtSizeWidth = new QLineEdit("16");
    TxtSizeHeight = new QLineEdit("16");
    ChkSquare = new QCheckBox("Square");
    ChkSquare->setChecked(true);
    grid->addWidget(Label1[0], 6, 0);
    grid->addWidget(TxtSizeWidth, 6, 1);
    grid->addWidget(Label1[1], 7, 0);
    grid->addWidget(TxtSizeHeight, 7, 1);
    grid->addWidget(ChkSquare, 8, 0, 1, 2);
    for (QLineEdit* box : {TxtSizeWidth, TxtSizeHeight}) {
        box->setMaximumWidth(60);
        connect(box, &QLineEdit::editingFinished, this, [this, box] { ValidateBox(box); });
    }
    return frame;
}

QWidget* FrmOptionNew::BuildColorFrame() {
    auto* frame = new QGroupBox("Colors");
    auto* column = new QVBoxLayout(frame);
    const char* captions[] = {"True Color + Alpha Chanel (32 bits)",
                              "True Color (24 Bits)",
                              "True Color (16 Bits)",
                              "256 Colors (8 Bits)",
                              "16 Colors (4 Bits)",
                              "2 Colors (1 Bit)"};
    for (int i = 0; i < 6; ++i) {
        OptColor[static_cast<std::size_t>(i)] = new QRadioButton(captions[i]);
        column->addWidget(OptColor[static_cast<std::size_t>(i)]);
        connect(OptColor[static_cast<std::size_t>(i)], &QRadioButton::clicked, this,
                [this, i] { ChooseColor(i); });
    }
    PicBackColor = new QLabel;
    PicBackColor->setFixedSize(24, 22);
    PicBackColor->setFrameShape(QFrame::Box);
    CmdPalette = new QPushButton("         BackColor");
    connect(CmdPalette, &QPushButton::pressed, this, &FrmOptionNew::OpenPalette);
    auto* palette = new QHBoxLayout;
    palette->addWidget(PicBackColor);
    palette->addWidget(CmdPalette, 1);
    column->addStretch();
    column->addLayout(palette);
    return frame;
}

void FrmOptionNew::ChooseSize(int index) {
    const bool custom = index == 5;
    if (custom) {
        m_IconWidth = LeadingNumber(TxtSizeWidth->text());
        m_IconHeight = LeadingNumber(TxtSizeHeight->text());
    } else {
        m_IconWidth = m_IconHeight = kSizes[static_cast<std::size_t>(index)];
    }
    for (QWidget* control : {static_cast<QWidget*>(TxtSizeWidth),
                             static_cast<QWidget*>(TxtSizeHeight), static_cast<QWidget*>(Label1[0]),
                             static_cast<QWidget*>(Label1[1]), static_cast<QWidget*>(ChkSquare)}) {
        control->setEnabled(custom);
    }
}

void FrmOptionNew::ChooseColor(int index) {
    m_ColorDep = kDepths[static_cast<std::size_t>(index)];
    CmdPalette->setEnabled(index != 0);
    ShowSwatch();
}

void FrmOptionNew::ShowSwatch() {
    const gdi::COLORREF shown = m_ColorDep == 32 ? kGrayText : m_ColorBack;
    PicBackColor->setStyleSheet(
        QString("background: %1;").arg(desktop::QtBitmapBridge::ToQColor(shown).name()));
}

std::optional<int> FrmOptionNew::ParseSize(const QString& text) {
    bool numeric = false;
    const double value = text.trimmed().toDouble(&numeric);
    if (!numeric || !std::isfinite(value)) {
        return std::nullopt;
    }
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<std::int16_t>::min() ||
        rounded > std::numeric_limits<std::int16_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(rounded);
}

int FrmOptionNew::LeadingNumber(const QString& text) {
    static const QRegularExpression leading(R"(^\s*[-+]?(\d+\.?\d*|\.\d+))");
    const QRegularExpressionMatch match = leading.match(text);
    return match.hasMatch() ? ParseSize(match.captured(0)).value_or(0) : 0;
}

std::optional<int> FrmOptionNew::CheckSizeBox(desktop::Desktop& desktop, QWidget* owner,
                                              QLineEdit* box) {
    const std::optional<int> value = ParseSize(box->text());
    if (value) {
        box->setText(QString::number(*value));
    }
    if (value && *value >= 1 && *value <= 256) {
        return value;
    }
    desktop.MessageBox(owner, kRangeMessage, desktop::MessageButtons::Ok,
                       desktop::MessageIcon::None, owner->windowTitle());
    box->setFocus();
    return std::nullopt;
}

bool FrmOptionNew::ValidateBox(QLineEdit* box) {
    if (m_Validating || !box->isEnabled()) {
        return true;
    }
    m_Validating = true;
    const std::optional<int> value = CheckSizeBox(m_Desktop, this, box);
    if (value && ChkSquare->isChecked()) {
        (box == TxtSizeWidth ? TxtSizeHeight : TxtSizeWidth)->setText(box->text());
        m_IconWidth = m_IconHeight = *value;
    } else if (value) {
        (box == TxtSizeWidth ? m_IconWidth : m_IconHeight) = *value;
    }
    m_Validating = false;
    return value.has_value();
}

void FrmOptionNew::Confirm() {
    // The box being edited is checked first, as leaving it would; an invalid one blocks Ok.
    for (QLineEdit* box : {TxtSizeWidth, TxtSizeHeight}) {
        if (focusWidget() == box && !ValidateBox(box)) {
            return;
        }
    }
    m_Tag = "1";
    hide();
}

void FrmOptionNew::OpenPalette() {
    if (m_Picker) {
        return;
    }
    m_Picker = new FrmColorPicker(m_Desktop, this);
    connect(m_Picker, &FrmColorPicker::SelectColor, this, [this](unsigned color) {
        m_ColorBack = color;
        ShowSwatch();
    });
    const QRect button = CmdPalette->geometry();
    const QPoint below =
        CmdPalette->parentWidget()->mapTo(this, button.bottomLeft() + QPoint(0, 1));
    m_Picker->PopUpColor(this, below.x(), below.y(), m_ColorDep == 32 ? kGrayText : m_ColorBack);
}

bool FrmOptionNew::event(QEvent* event) {
    // The pop-up closes itself; once the dialog is active again it no longer counts as open.
    if (event->type() == QEvent::WindowActivate) {
        m_Picker.clear();
    }
    return QDialog::event(event);
}
