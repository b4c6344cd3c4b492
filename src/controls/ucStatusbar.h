// SPDX-License-Identifier: MIT
#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>
#include <vector>

class QPainter;
class QSizeGrip;
class QTimer;

// The main window's status bar: a row of panels, each with a text, a tooltip, an optional icon and
// a width rule, laid out again on every resize and every panel change. Panels are numbered from
// 1; numbers of no panel are ignored and read as 0, empty or false.
class ucStatusbar : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kFixed = 0;
    static constexpr int kSpring = 1;
    static constexpr int kFitContents = 2;
    // Panel style flags that change the drawing; other bits are kept but not used.
    static constexpr int kNoBorders = 0x0100;
    static constexpr int kPopOut = 0x0200;
    static constexpr int kSizeGripWidth = 20;
    static constexpr int kTextPadding = 8;
    static constexpr int kIconSpace = 20;
    static constexpr int kTopBorder = 2;

    // What the layout needs of one panel. TextWidth is the text's width in the bar's font.
    struct PanelMeasure {
        int Autosize = kFixed;
        int MinWidth = 0;
        int Width = 0;
        int TextWidth = 0;
        bool HasIcon = false;
    };
    struct PanelLayout {
        std::vector<int> Widths;
        std::vector<int> RightEdges;
    };
    // The panels' widths and right edges for the width left to them; no edge passes Available.
    static PanelLayout LayoutPanels(int Available, const std::vector<PanelMeasure>& Panels);

    explicit ucStatusbar(QWidget* parent = nullptr);

    bool Initialize(bool SizeGrip, bool ToolTips);
    void InitializeIconList(int IconWidth, int IconHeight);
    // The image is scaled to the icon list's size; -1 when there is no icon list.
    int AddIcon(const QImage& Icon);
    void AddPanel(int Style, int MinWidth, int Width, int Autosize, const QString& Text,
                  const QString& TipText, int IconIndex);

    int PanelCount() const { return static_cast<int>(m_Panels.size()); }
    int PanelStyle(int Panel) const;
    void SetPanelStyle(int Panel, int Style);
    int PanelMinWidth(int Panel) const;
    void SetPanelMinWidth(int Panel, int MinWidth);
    int PanelWidth(int Panel) const;
    void SetPanelWidth(int Panel, int Width);
    int PanelAutosize(int Panel) const;
    void SetPanelAutosize(int Panel, int Autosize);
    QString PanelText(int Panel) const;
    void SetPanelText(int Panel, const QString& Text);
    QString PanelTipText(int Panel) const;
    void SetPanelTipText(int Panel, const QString& TipText);
    int PanelIconIndex(int Panel) const;
    void SetPanelIconIndex(int Panel, int IconIndex);
    // In the bar's own pixels, right and bottom exclusive; false for no panel.
    bool GetPanelRect(int Panel, int& X1, int& Y1, int& X2, int& Y2) const;

    bool SizeGrip() const { return m_SizeGrip; }
    void SetSizeGrip(bool SizeGrip);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool Enabled) { setEnabled(Enabled); }
    QFont Font() const { return font(); }
    void SetFont(const QFont& Font) { setFont(Font); }

    QSize sizeHint() const override;

    // A line shown across the panels for a while, then the panels again.
    void ShowNotice(const QString& text, int milliseconds);
    QString Notice() const { return m_Notice; }

  signals:
    // Button: 1 left, 2 right.
    void PanelClick(int Button, int Panel);
    void PanelDblClick(int Button, int Panel);

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    struct StatusPanel {
        int style = 0;
        int minWidth = 0;
        int width = 0;
        int autosize = kFixed;
        QString text;
        QString tipText;
        int iconIndex = -1;
        int left = 0;
        int right = 0;
    };

    StatusPanel* Find(int Panel);
    const StatusPanel* Find(int Panel) const;
    int PanelAt(QPoint point) const;
    const QPixmap* IconOf(const StatusPanel& panel) const;
    void FollowHost();
    void Relayout();
    void PlaceSizeGrip();
    void PaintPanel(QPainter& painter, const StatusPanel& panel) const;

    bool m_SizeGrip = false;
    bool m_ToolTips = false;
    QSizeGrip* m_Grip = nullptr;
    // Empty until the icon list is made.
    QSize m_IconSize;
    std::vector<QPixmap> m_Icons;
    std::vector<StatusPanel> m_Panels;
    bool m_SwallowNextClick = false;
    QString m_Notice;
    QTimer* m_NoticeTimer;
};
