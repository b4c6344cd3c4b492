// SPDX-License-Identifier: MIT
#include "controls/ucToolbar.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionToolBar>
#include <QStyleOptionToolButton>
#include <QToolTip>
#include <algorithm>
#include <utility>

#include "controls/ControlAccessibility.h"
#include "platform/desktop/QtBitmapBridge.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/ImageList.h"

namespace {

int ArrowWidth(int style) {
    if ((style & ucToolbar::kStyleWholeDropDown) != 0) {
        return ucToolbar::kWholeArrowWidth;
    }
    return (style & ucToolbar::kStyleDropDown) != 0 ? ucToolbar::kSplitArrowWidth : 0;
}

bool IsSeparator(int style) {
    return (style & ucToolbar::kStyleSeparator) != 0;
}

}  // namespace

ucToolbar::ucToolbar(QWidget* parent) : QWidget(parent) {
    ControlAccessibility::Install();
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

bool ucToolbar::Initialize(int ImageSize, bool FlatStyle, bool ListStyle, bool Divider) {
    m_ImageSize = ImageSize;
    m_Flat = FlatStyle;
    m_List = ListStyle;
    m_Divider = Divider;
    m_Buttons.clear();
    m_HotButton = 0;
    m_MouseDownButton = 0;
    m_OwnImageList.Reset(
        gdi::ImageList::Create(ImageSize, ImageSize, gdi::ImageList::ILC_MASK | 32));
    m_ImageList = m_OwnImageList.Get();
    if (parentWidget() != nullptr) {
        setFont(parentWidget()->font());
    }
    m_Initialized = true;
    RefreshIcons();
    Relayout();
    return true;
}

int ucToolbar::AddBitmap(gdi::HBITMAP hBitmap, gdi::COLORREF MaskColor) {
    gdi::ImageList* list = gdi::ImageList::FromHandle(m_ImageList);
    if (!m_Initialized || list == nullptr) {
        return 0;
    }
    const int first = list->Add(hBitmap, MaskColor);
    RefreshIcons();
    return first;
}

int ucToolbar::AddIcon(const QImage& Icon) {
    gdi::ImageList* list = gdi::ImageList::FromHandle(m_ImageList);
    if (!m_Initialized || list == nullptr) {
        return 0;
    }
    const QSize size(list->IconWidth(), list->IconHeight());
    const QImage fitted = Icon.size() == size
                              ? Icon
                              : Icon.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const gdi::UniqueGdiObject bitmap(desktop::QtBitmapBridge::FromQImage(fitted));
    const int index = list->Add(bitmap.Get(), gdi::CLR_NONE);
    RefreshIcons();
    return index;
}

void ucToolbar::AddButton(const QString& Caption, int Image, const QString& TipText, int Style,
                          bool Autosize, int ItemData) {
    if (!m_Initialized) {
        return;
    }
    ToolButton button;
    button.caption = Caption;
    button.image = Image;
    button.tipText = TipText.left(kMaxTipLength);
    button.style = Style;
    button.autosize = Autosize && !IsSeparator(Style);
    button.itemData = ItemData;
    m_Buttons.push_back(std::move(button));
    Relayout();
}

ucToolbar::ToolButton* ucToolbar::Find(int Button) {
    return Button >= 1 && Button <= ButtonCount() ? &m_Buttons[static_cast<std::size_t>(Button - 1)]
                                                  : nullptr;
}

const ucToolbar::ToolButton* ucToolbar::Find(int Button) const {
    return const_cast<ucToolbar*>(this)->Find(Button);
}

QString ucToolbar::ButtonCaption(int Button) const {
    const ToolButton* button = Find(Button);
    return button != nullptr ? button->caption : QString();
}

void ucToolbar::SetButtonCaption(int Button, const QString& Caption) {
    if (ToolButton* button = Find(Button)) {
        button->caption = Caption;
        Relayout();
    }
}

int ucToolbar::ButtonImage(int Button) const {
    const ToolButton* button = Find(Button);
    return button != nullptr ? button->image : 0;
}

void ucToolbar::SetButtonImage(int Button, int Image) {
    if (ToolButton* button = Find(Button)) {
        button->image = Image;
        update();
    }
}

QString ucToolbar::ButtonTipText(int Button) const {
    const ToolButton* button = Find(Button);
    return button != nullptr ? button->tipText : QString();
}

void ucToolbar::SetButtonTipText(int Button, const QString& TipText) {
    if (ToolButton* button = Find(Button)) {
        button->tipText = TipText.left(kMaxTipLength);
    }
}

int ucToolbar::ButtonItemData(int Button) const {
    const ToolButton* button = Find(Button);
    return button != nullptr ? button->itemData : 0;
}

bool ucToolbar::ButtonEnabled(int Button) const {
    const ToolButton* button = Find(Button);
    return button != nullptr && button->enabled;
}

void ucToolbar::SetButtonEnabled(int Button, bool Enabled) {
    if (ToolButton* button = Find(Button)) {
        button->enabled = Enabled;
        if (!Enabled && Button == m_HotButton) {
            SetHotButton(0);
        }
        update();
    }
}

bool ucToolbar::ButtonChecked(int Button) const {
    const ToolButton* button = Find(Button);
    return button != nullptr && button->checked;
}

void ucToolbar::SetButtonChecked(int Button, bool Checked) {
    if (ToolButton* button = Find(Button)) {
        button->checked = Checked;
        update();
    }
}

bool ucToolbar::ButtonPressed(int Button) const {
    const ToolButton* button = Find(Button);
    return button != nullptr && button->pressed;
}

void ucToolbar::SetButtonPressed(int Button, bool Pressed) {
    if (ToolButton* button = Find(Button)) {
        button->pressed = Pressed;
        update();
    }
}

bool ucToolbar::ButtonVisible(int Button) const {
    const ToolButton* button = Find(Button);
    return button != nullptr && button->visible;
}

void ucToolbar::SetButtonVisible(int Button, bool Visible) {
    if (ToolButton* button = Find(Button)) {
        button->visible = Visible;
        if (!Visible && Button == m_HotButton) {
            SetHotButton(0);
        }
        Relayout();
    }
}

int ucToolbar::ButtonStyle(int Button) const {
    const ToolButton* button = Find(Button);
    return button != nullptr ? button->style : 0;
}

void ucToolbar::PressButton(int Button, bool dropDown) {
    const ToolButton* button = Find(Button);
    if (button == nullptr || !button->enabled || !isEnabled() || IsSeparator(button->style)) {
        return;
    }
    if ((button->style & kStyleWholeDropDown) != 0 ||
        (dropDown && (button->style & kStyleDropDown) != 0)) {
        DropDown(Button);
        return;
    }
    Toggle(Button);
    update();
    emit ButtonClick(Button);
}

QRect ucToolbar::ButtonRect(int Button) const {
    const ToolButton* button = Find(Button);
    return button != nullptr ? button->rect : QRect();
}

void ucToolbar::SethImageList(gdi::HIMAGELIST List) {
    m_ImageList = List;
    RefreshIcons();
}

QImage ucToolbar::ListImage(int Index) const {
    const gdi::ImageList* list = gdi::ImageList::FromHandle(m_ImageList);
    if (list == nullptr || Index < 0 || Index >= list->ImageCount()) {
        return {};
    }
    const gdi::UniqueGdiObject bitmap(
        gdi::CreateCompatibleBitmap(list->IconWidth(), list->IconHeight()));
    const gdi::UniqueGdiObject dc(gdi::CreateCompatibleDC());
    gdi::SelectObject(dc.Get(), bitmap.Get());
    list->Draw(Index, dc.Get(), 0, 0);
    return desktop::QtBitmapBridge::ToQImage(*gdi::BitmapFromHandle(bitmap.Get()),
                                             desktop::QtBitmapBridge::Alpha::Premultiplied);
}

void ucToolbar::SetTansparent(bool Transparent) {
    // Turning it off keeps the flat look and whatever transparency was there.
    m_Flat = true;
    m_Transparent = m_Transparent || Transparent;
    update();
}

void ucToolbar::SetUseThemeReBar(bool UseTheme) {
    m_ThemeReBar = UseTheme;
    update();
}

void ucToolbar::SetIdent(int Pixels) {
    m_Indent = std::max(0, Pixels);
    Relayout();
}

int ucToolbar::ToolbarHeight() const {
    if (!m_Initialized) {
        return 0;
    }
    // The divider lies above the buttons' area, so the bottom is measured from below it.
    const int top = m_Divider ? kDividerHeight : 0;
    const QRect second = ButtonRect(2);
    const int bottom = second.isEmpty() ? 0 : second.y() + second.height() - top;
    return bottom + top;
}

QSize ucToolbar::sizeHint() const {
    int right = m_Indent;
    for (const ToolButton& button : m_Buttons) {
        if (button.visible) {
            right = button.rect.x() + button.rect.width();
        }
    }
    return {right, (m_Divider ? kDividerHeight : 0) + m_ButtonHeight};
}

QSize ucToolbar::ContentSize(const ToolButton& button) const {
    const QSize image(m_ImageSize + kButtonMarginX, m_ImageSize + kButtonMarginY);
    if (button.caption.isEmpty()) {
        return image;
    }
    const QFontMetrics metrics(font());
    const int text = metrics.horizontalAdvance(button.caption);
    if (m_List) {
        return {image.width() + kTextGap + text,
                std::max(m_ImageSize, metrics.height()) + kButtonMarginY};
    }
    return {std::max(m_ImageSize, text) + kButtonMarginX, image.height() + metrics.height()};
}

void ucToolbar::Relayout() {
    // Buttons without auto-size share the widest one's width; all share one height.
    int uniformWidth = 0;
    m_ButtonHeight = m_ImageSize + kButtonMarginY;
    for (const ToolButton& button : m_Buttons) {
        if (IsSeparator(button.style)) {
            continue;
        }
        const QSize size = ContentSize(button);
        m_ButtonHeight = std::max(m_ButtonHeight, size.height());
        if (!button.autosize) {
            uniformWidth = std::max(uniformWidth, size.width());
        }
    }
    const int top = m_Divider ? kDividerHeight : 0;
    int x = m_Indent;
    for (ToolButton& button : m_Buttons) {
        if (!button.visible) {
            button.rect = QRect();
            continue;
        }
        int width = kSeparatorWidth;
        if (!IsSeparator(button.style)) {
            width = (button.autosize ? ContentSize(button).width() : uniformWidth) +
                    ArrowWidth(button.style);
        }
        button.rect = QRect(x, top, width, m_ButtonHeight);
        x += width;
    }
    updateGeometry();
    update();
}

void ucToolbar::RefreshIcons() {
    m_Icons.clear();
    const gdi::ImageList* list = gdi::ImageList::FromHandle(m_ImageList);
    const int count = list != nullptr ? list->ImageCount() : 0;
    for (int index = 0; index < count; ++index) {
        m_Icons.emplace_back(QPixmap::fromImage(ListImage(index)));
    }
    update();
}

int ucToolbar::ButtonAt(QPoint point) const {
    for (std::size_t index = 0; index < m_Buttons.size(); ++index) {
        const ToolButton& button = m_Buttons[index];
        if (button.visible && !IsSeparator(button.style) && button.rect.contains(point)) {
            return static_cast<int>(index) + 1;
        }
    }
    return 0;
}

bool ucToolbar::InDropArrow(int Button, QPoint point) const {
    const QStyleOptionToolButton option = ButtonOption(Button);
    return style()
        ->subControlRect(QStyle::CC_ToolButton, &option, QStyle::SC_ToolButtonMenu, this)
        .contains(point);
}

bool ucToolbar::IsGroupMember(std::size_t index) const {
    const int style = m_Buttons[index].style;
    return !IsSeparator(style) && (style & kStyleGroup) != 0;
}

void ucToolbar::Toggle(int Button) {
    const auto index = static_cast<std::size_t>(Button - 1);
    ToolButton& button = m_Buttons[index];
    if ((button.style & kStyleGroup) != 0) {
        // Like option buttons: the run of adjacent group buttons holds one checked button.
        for (std::size_t i = index; i > 0 && IsGroupMember(i - 1); --i) {
            m_Buttons[i - 1].checked = false;
        }
        for (std::size_t i = index + 1; i < m_Buttons.size() && IsGroupMember(i); ++i) {
            m_Buttons[i].checked = false;
        }
        button.checked = true;
    } else if ((button.style & kStyleCheck) != 0) {
        button.checked = !button.checked;
    }
}

void ucToolbar::SetHotButton(int Button) {
    if (Button == m_HotButton) {
        return;
    }
    const int previous = std::exchange(m_HotButton, Button);
    if (previous != 0) {
        emit ButtonLeave(previous);
        if (Button == 0) {
            emit ToolbarLeave();
        }
    }
    if (Button != 0) {
        emit ButtonEnter(Button);
        if (previous == 0) {
            emit ToolbarEnter();
        }
    }
    update();
}

bool ucToolbar::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QWidget::event(event);
    }
    const auto* help = static_cast<QHelpEvent*>(event);
    const ToolButton* button = Find(ButtonAt(help->pos()));
    if (button != nullptr && !button->tipText.isEmpty()) {
        QToolTip::showText(help->globalPos(), button->tipText, this, button->rect);
    } else {
        QToolTip::hideText();
        event->ignore();
    }
    return true;
}

void ucToolbar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        Relayout();
    } else if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        SetHotButton(0);
    }
    QWidget::changeEvent(event);
}

void ucToolbar::mousePressEvent(QMouseEvent* event) {
    const int hit = ButtonAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || hit == 0 || !Find(hit)->enabled) {
        return;
    }
    const int style = Find(hit)->style;
    if ((style & kStyleWholeDropDown) != 0 ||
        ((style & kStyleDropDown) != 0 && InDropArrow(hit, event->position().toPoint()))) {
        DropDown(hit);
        return;
    }
    m_MouseDownButton = hit;
    update();
}

// The host opens its menu or pop-up at the button's lower-left corner.
void ucToolbar::DropDown(int Button) {
    const QRect rect = Find(Button)->rect;
    const QPoint corner(rect.x(), rect.y() + rect.height());
    const QPoint host = parentWidget() != nullptr ? mapTo(parentWidget(), corner) : corner;
    emit ButtonDropDown(Button, host.x(), host.y());
}

void ucToolbar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const int pressed = std::exchange(m_MouseDownButton, 0);
    update();
    if (pressed != 0 && ButtonAt(event->position().toPoint()) == pressed) {
        Toggle(pressed);
        emit ButtonClick(pressed);
    }
}

void ucToolbar::mouseMoveEvent(QMouseEvent* event) {
    const int hit = ButtonAt(event->position().toPoint());
    SetHotButton(hit != 0 && Find(hit)->enabled ? hit : 0);
}

void ucToolbar::leaveEvent(QEvent* event) {
    SetHotButton(0);
    QWidget::leaveEvent(event);
}

QStyleOptionToolButton ucToolbar::ButtonOption(int Button) const {
    const ToolButton& button = *Find(Button);
    QStyleOptionToolButton option;
    option.initFrom(this);
    option.rect = button.rect;
    option.font = font();
    option.state &= ~(QStyle::State_MouseOver | QStyle::State_HasFocus);
    if (!button.enabled) {
        option.state &= ~QStyle::State_Enabled;
        option.palette.setCurrentColorGroup(QPalette::Disabled);
    }
    const bool hot = Button == m_HotButton;
    const bool down = button.pressed || (Button == m_MouseDownButton && hot);
    if (m_Flat) {
        option.state |= QStyle::State_AutoRaise;
    }
    if (hot) {
        option.state |= QStyle::State_MouseOver;
    }
    if (down) {
        option.state |= QStyle::State_Sunken;
        option.activeSubControls = QStyle::SC_ToolButton;
    }
    if (button.checked) {
        option.state |= QStyle::State_On;
    }
    if (!down && !button.checked) {
        option.state |= QStyle::State_Raised;
    }
    option.subControls = QStyle::SC_ToolButton;
    if ((button.style & kStyleWholeDropDown) != 0) {
        option.features |= QStyleOptionToolButton::HasMenu;
    } else if ((button.style & kStyleDropDown) != 0) {
        option.subControls |= QStyle::SC_ToolButtonMenu;
        option.features |= QStyleOptionToolButton::MenuButtonPopup;
    }
    if (button.image >= 0 && button.image < static_cast<int>(m_Icons.size())) {
        option.icon = m_Icons[static_cast<std::size_t>(button.image)];
    }
    option.iconSize = QSize(m_ImageSize, m_ImageSize);
    option.text = button.caption;
    if (button.caption.isEmpty()) {
        option.toolButtonStyle = Qt::ToolButtonIconOnly;
    } else {
        option.toolButtonStyle =
            m_List ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonTextUnderIcon;
    }
    return option;
}

void ucToolbar::PaintBackground(QPainter& painter) const {
    if (m_ThemeReBar) {
        QStyleOptionToolBar option;
        option.initFrom(this);
        style()->drawControl(QStyle::CE_ToolBar, &option, &painter, this);
    } else if (!m_Transparent) {
        painter.fillRect(rect(), palette().window());
    }
    if (m_Divider) {
        // An etched line: shadow over highlight.
        painter.setPen(palette().mid().color());
        painter.drawLine(0, 0, width() - 1, 0);
        painter.setPen(palette().light().color());
        painter.drawLine(0, 1, width() - 1, 1);
    }
}

void ucToolbar::PaintSeparator(QPainter& painter, const QRect& rect) const {
    QStyleOption option;
    option.initFrom(this);
    option.rect = rect;
    option.state |= QStyle::State_Horizontal;
    style()->drawPrimitive(QStyle::PE_IndicatorToolBarSeparator, &option, &painter, this);
}

void ucToolbar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintBackground(painter);
    for (int command = 1; command <= ButtonCount(); ++command) {
        const ToolButton& button = *Find(command);
        if (!button.visible) {
            continue;
        }
        if (IsSeparator(button.style)) {
            PaintSeparator(painter, button.rect);
            continue;
        }
        const QStyleOptionToolButton option = ButtonOption(command);
        style()->drawComplexControl(QStyle::CC_ToolButton, &option, &painter, this);
    }
}
