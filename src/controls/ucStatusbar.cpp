// SPDX-License-Identifier: MIT
#include "controls/ucStatusbar.h"

#include <qdrawutil.h>
#include <QAccessible>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSizeGrip>
#include <QStyle>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <utility>

#include "controls/ControlAccessibility.h"

namespace {

// 1 left, 2 right; 0 for the buttons the bar does not report.
int ButtonNumber(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return 1;
        case Qt::RightButton:
            return 2;
        default:
            return 0;
    }
}

}  // namespace

ucStatusbar::PanelLayout ucStatusbar::LayoutPanels(int Available,
                                                   const std::vector<PanelMeasure>& Panels) {
    PanelLayout layout;
    // Sums run in 64 bits so that absurd widths saturate at the cut instead of overflowing.
    long long used = 0;
    long long springs = 0;
    for (const PanelMeasure& panel : Panels) {
        long long width = panel.Width;
        if (panel.Autosize == kSpring) {
            ++springs;
        } else if (panel.Autosize == kFitContents) {
            width = std::max<long long>(
                panel.MinWidth, kTextPadding + panel.TextWidth + (panel.HasIcon ? kIconSpace : 0));
        }
        if (panel.Autosize != kSpring) {
            used += width;
        }
        layout.Widths.push_back(static_cast<int>(width));
    }
    if (springs > 0) {
        const long long share = (Available - used) / springs;
        for (std::size_t i = 0; i < Panels.size(); ++i) {
            if (Panels[i].Autosize == kSpring) {
                layout.Widths[i] = static_cast<int>(std::max<long long>(share, Panels[i].MinWidth));
            }
        }
    }
    long long edge = 0;
    for (const int width : layout.Widths) {
        edge += width;
        layout.RightEdges.push_back(static_cast<int>(std::min<long long>(edge, Available)));
    }
    if (!Panels.empty() && Panels.back().Autosize == kSpring) {
        layout.RightEdges.back() = Available;
    }
    return layout;
}

ucStatusbar::ucStatusbar(QWidget* parent) : QWidget(parent), m_NoticeTimer(new QTimer(this)) {
    ControlAccessibility::Install();
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_NoticeTimer->setSingleShot(true);
    connect(m_NoticeTimer, &QTimer::timeout, this, [this] { ShowNotice("", 0); });
}

void ucStatusbar::ShowNotice(const QString& text, int milliseconds) {
    m_Notice = text;
    if (text.isEmpty()) {
        m_NoticeTimer->stop();
    } else {
        m_NoticeTimer->start(milliseconds);
        // Read out at once, as the user may not be looking at the bar.
        if (QAccessible::isActive()) {
            QAccessibleEvent alert(this, QAccessible::Alert);
            QAccessible::updateAccessibility(&alert);
        }
    }
    update();
}

bool ucStatusbar::Initialize(bool SizeGrip, bool ToolTips) {
    m_ToolTips = ToolTips;
    if (parentWidget() != nullptr) {
        setFont(parentWidget()->font());
        parentWidget()->installEventFilter(this);
    }
    SetSizeGrip(SizeGrip);
    FollowHost();
    return true;
}

void ucStatusbar::InitializeIconList(int IconWidth, int IconHeight) {
    m_IconSize = QSize(IconWidth, IconHeight);
    m_Icons.clear();
    updateGeometry();
    FollowHost();
}

int ucStatusbar::AddIcon(const QImage& Icon) {
    if (m_IconSize.isEmpty() || Icon.isNull()) {
        return -1;
    }
    m_Icons.push_back(QPixmap::fromImage(
        Icon.scaled(m_IconSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    update();
    return static_cast<int>(m_Icons.size()) - 1;
}

void ucStatusbar::AddPanel(int Style, int MinWidth, int Width, int Autosize, const QString& Text,
                           const QString& TipText, int IconIndex) {
    StatusPanel panel;
    panel.style = Style;
    panel.minWidth = std::max(0, MinWidth);
    panel.width = std::max(Width, panel.minWidth);
    panel.autosize = Autosize;
    panel.text = Text;
    panel.tipText = TipText;
    panel.iconIndex = IconIndex;
    m_Panels.push_back(std::move(panel));
    Relayout();
}

ucStatusbar::StatusPanel* ucStatusbar::Find(int Panel) {
    return Panel >= 1 && Panel <= PanelCount() ? &m_Panels[static_cast<std::size_t>(Panel - 1)]
                                               : nullptr;
}

const ucStatusbar::StatusPanel* ucStatusbar::Find(int Panel) const {
    return const_cast<ucStatusbar*>(this)->Find(Panel);
}

int ucStatusbar::PanelStyle(int Panel) const {
    const StatusPanel* panel = Find(Panel);
    return panel != nullptr ? panel->style : 0;
}

void ucStatusbar::SetPanelStyle(int Panel, int Style) {
    if (StatusPanel* panel = Find(Panel)) {
        panel->style = Style;
        update();
    }
}

int ucStatusbar::PanelMinWidth(int Panel) const {
    const StatusPanel* panel = Find(Panel);
    return panel != nullptr ? panel->minWidth : 0;
}

void ucStatusbar::SetPanelMinWidth(int Panel, int MinWidth) {
    if (StatusPanel* panel = Find(Panel)) {
        panel->minWidth = std::max(0, MinWidth);
        panel->width = std::max(panel->width, panel->minWidth);
        Relayout();
    }
}

int ucStatusbar::PanelWidth(int Panel) const {
    const StatusPanel* panel = Find(Panel);
    return panel != nullptr ? panel->width : 0;
}

void ucStatusbar::SetPanelWidth(int Panel, int Width) {
    if (StatusPanel* panel = Find(Panel)) {
        panel->width = std::max(Width, panel->minWidth);
        Relayout();
    }
}

int ucStatusbar::PanelAutosize(int Panel) const {
    const StatusPanel* panel = Find(Panel);
    return panel != nullptr ? panel->autosize : 0;
}

void ucStatusbar::SetPanelAutosize(int Panel, int Autosize) {
    if (StatusPanel* panel = Find(Panel)) {
        panel->autosize = Autosize;
        Relayout();
    }
}

QString ucStatusbar::PanelText(int Panel) const {
    const StatusPanel* panel = Find(Panel);
    return panel != nullptr ? panel->text : QString();
}

void ucStatusbar::SetPanelText(int Panel, const QString& Text) {
    if (StatusPanel* panel = Find(Panel)) {
        panel->text = Text;
        Relayout();
    }
}

QString ucStatusbar::PanelTipText(int Panel) const {
    const StatusPanel* panel = Find(Panel);
    return panel != nullptr ? panel->tipText : QString();
}

void ucStatusbar::SetPanelTipText(int Panel, const QString& TipText) {
    if (StatusPanel* panel = Find(Panel)) {
        panel->tipText = TipText;
    }
}

int ucStatusbar::PanelIconIndex(int Panel) const {
    const StatusPanel* panel = Find(Panel);
    return panel != nullptr ? panel->iconIndex : 0;
}

void ucStatusbar::SetPanelIconIndex(int Panel, int IconIndex) {
    if (StatusPanel* panel = Find(Panel)) {
        panel->iconIndex = IconIndex;
        Relayout();
    }
}

bool ucStatusbar::GetPanelRect(int Panel, int& X1, int& Y1, int& X2, int& Y2) const {
    const StatusPanel* panel = Find(Panel);
    if (panel == nullptr) {
        return false;
    }
    X1 = panel->left;
    Y1 = kTopBorder;
    X2 = panel->right;
    Y2 = height();
    return true;
}

void ucStatusbar::SetSizeGrip(bool SizeGrip) {
    m_SizeGrip = SizeGrip;
    if (SizeGrip && m_Grip == nullptr) {
        m_Grip = new QSizeGrip(this);
    }
    if (m_Grip != nullptr) {
        m_Grip->setVisible(SizeGrip);
        PlaceSizeGrip();
    }
    Relayout();
}

QSize ucStatusbar::sizeHint() const {
    const int content = std::max(fontMetrics().height(), m_IconSize.height());
    const int right = m_Panels.empty() ? 0 : m_Panels.back().right;
    return {right + (m_SizeGrip ? kSizeGripWidth : 0), kTopBorder + content + 6};
}

int ucStatusbar::PanelAt(QPoint point) const {
    for (std::size_t index = 0; index < m_Panels.size(); ++index) {
        if (point.x() >= m_Panels[index].left && point.x() < m_Panels[index].right) {
            return static_cast<int>(index) + 1;
        }
    }
    return 0;
}

const QPixmap* ucStatusbar::IconOf(const StatusPanel& panel) const {
    return panel.iconIndex >= 0 && panel.iconIndex < static_cast<int>(m_Icons.size())
               ? &m_Icons[static_cast<std::size_t>(panel.iconIndex)]
               : nullptr;
}

void ucStatusbar::FollowHost() {
    // A host that lays out its children itself places the bar; otherwise the bar keeps to the
    // host's bottom edge at its full width, as a platform status bar does.
    QWidget* host = parentWidget();
    if (host == nullptr || host->layout() != nullptr) {
        return;
    }
    const int barHeight = sizeHint().height();
    setGeometry(0, host->height() - barHeight, host->width(), barHeight);
}

void ucStatusbar::Relayout() {
    const QFontMetrics metrics(font());
    std::vector<PanelMeasure> measures;
    for (const StatusPanel& panel : m_Panels) {
        measures.push_back({panel.autosize, panel.minWidth, panel.width,
                            metrics.horizontalAdvance(panel.text), panel.iconIndex >= 0});
    }
    const int available = std::max(0, width() - (m_SizeGrip ? kSizeGripWidth : 0));
    const PanelLayout layout = LayoutPanels(available, measures);
    int left = 0;
    for (std::size_t i = 0; i < m_Panels.size(); ++i) {
        m_Panels[i].width = layout.Widths[i];
        m_Panels[i].left = left;
        m_Panels[i].right = layout.RightEdges[i];
        left = m_Panels[i].right;
    }
    updateGeometry();
    update();
}

void ucStatusbar::PlaceSizeGrip() {
    if (m_Grip == nullptr) {
        return;
    }
    const QSize size = m_Grip->sizeHint().boundedTo(QSize(kSizeGripWidth, height()));
    m_Grip->setGeometry(width() - size.width(), height() - size.height(), size.width(),
                        size.height());
}

bool ucStatusbar::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip || !m_ToolTips) {
        return QWidget::event(event);
    }
    const auto* help = static_cast<QHelpEvent*>(event);
    const StatusPanel* panel = Find(PanelAt(help->pos()));
    if (panel != nullptr && !panel->tipText.isEmpty()) {
        QToolTip::showText(help->globalPos(), panel->tipText, this,
                           QRect(panel->left, 0, panel->right - panel->left, height()));
    } else {
        QToolTip::hideText();
        event->ignore();
    }
    return true;
}

bool ucStatusbar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        FollowHost();
    }
    return QWidget::eventFilter(watched, event);
}

void ucStatusbar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        Relayout();
        FollowHost();
    }
    QWidget::changeEvent(event);
}

void ucStatusbar::resizeEvent(QResizeEvent* event) {
    Relayout();
    PlaceSizeGrip();
    QWidget::resizeEvent(event);
}

// Qt reports a double click as press, release, press, double click, release. Clicks are counted
// on releases, so the release that ends a double click is the one click swallowed after it.
void ucStatusbar::mouseReleaseEvent(QMouseEvent* event) {
    const int button = ButtonNumber(event->button());
    if (button == 0 || std::exchange(m_SwallowNextClick, false)) {
        return;
    }
    const int panel = PanelAt(event->position().toPoint());
    if (panel != 0) {
        emit PanelClick(button, panel);
    }
}

void ucStatusbar::mouseDoubleClickEvent(QMouseEvent* event) {
    const int button = ButtonNumber(event->button());
    if (button == 0) {
        return;
    }
    m_SwallowNextClick = true;
    const int panel = PanelAt(event->position().toPoint());
    if (panel != 0) {
        emit PanelDblClick(button, panel);
    }
}

void ucStatusbar::PaintPanel(QPainter& painter, const StatusPanel& panel) const {
    // Neighbouring frames keep a small gap, as on a platform status bar.
    const QRect frame(panel.left, kTopBorder, panel.right - panel.left - 2, height() - kTopBorder);
    if (frame.width() <= 0 || frame.height() <= 0) {
        return;
    }
    if ((panel.style & kNoBorders) == 0) {
        qDrawShadePanel(&painter, frame, palette(), (panel.style & kPopOut) == 0, 1);
    }
    painter.save();
    painter.setClipRect(frame.adjusted(1, 1, -1, -1));
    int textLeft = frame.left() + kTextPadding / 2;
    if (const QPixmap* icon = IconOf(panel)) {
        painter.drawPixmap(textLeft, frame.top() + (frame.height() - icon->height()) / 2, *icon);
    }
    if (panel.iconIndex >= 0) {
        textLeft += kIconSpace;
    }
    const QRect textRect(textLeft, frame.top(), frame.right() - textLeft, frame.height());
    style()->drawItemText(&painter, textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          palette(), isEnabled(), panel.text);
    painter.restore();
}

void ucStatusbar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (!m_Notice.isEmpty()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect().adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, m_Notice);
        return;
    }
    for (const StatusPanel& panel : m_Panels) {
        PaintPanel(painter, panel);
    }
}
