// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <cstddef>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/UniqueGdiObject.h"

class QPainter;
class QStyleOptionToolButton;

// The main window's toolbar: one row of buttons with images from the toolbar's own image list,
// optional captions, tooltips and styles (plain, separator, check, group, drop-down). Buttons are
// named everywhere by their command number, the 1-based position they were added at; numbers of
// no button are ignored and read as 0, empty or false.
class ucToolbar : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kStyleButton = 0;
    static constexpr int kStyleSeparator = 1;
    static constexpr int kStyleCheck = 2;
    static constexpr int kStyleGroup = 4;
    static constexpr int kStyleCheckGroup = 6;
    static constexpr int kStyleDropDown = 8;
    static constexpr int kStyleWholeDropDown = 128;
    static constexpr int kMaxTipLength = 80;
    static constexpr int kDividerHeight = 2;
    static constexpr int kSeparatorWidth = 8;
    // A button is its image plus these margins; drop-down buttons are wider by their arrow.
    static constexpr int kButtonMarginX = 7;
    static constexpr int kButtonMarginY = 6;
    static constexpr int kTextGap = 4;
    static constexpr int kSplitArrowWidth = 14;
    static constexpr int kWholeArrowWidth = 8;

    explicit ucToolbar(QWidget* parent = nullptr);

    bool Initialize(int ImageSize, bool FlatStyle, bool ListStyle, bool Divider);
    int AddBitmap(gdi::HBITMAP hBitmap, gdi::COLORREF MaskColor);
    // The image is scaled to the toolbar's image size first.
    int AddIcon(const QImage& Icon);
    void AddButton(const QString& Caption, int Image, const QString& TipText, int Style,
                   bool Autosize, int ItemData);

    int ButtonCount() const { return static_cast<int>(m_Buttons.size()); }
    QString ButtonCaption(int Button) const;
    void SetButtonCaption(int Button, const QString& Caption);
    int ButtonImage(int Button) const;
    void SetButtonImage(int Button, int Image);
    QString ButtonTipText(int Button) const;
    void SetButtonTipText(int Button, const QString& TipText);
    int ButtonItemData(int Button) const;
    int ButtonStyle(int Button) const;
    bool ButtonEnabled(int Button) const;
    void SetButtonEnabled(int Button, bool Enabled);
    bool ButtonChecked(int Button) const;
    void SetButtonChecked(int Button, bool Checked);
    bool ButtonPressed(int Button) const;
    void SetButtonPressed(int Button, bool Pressed);
    bool ButtonVisible(int Button) const;
    void SetButtonVisible(int Button, bool Visible);
    // In the toolbar's own coordinates; empty for a hidden button or no button.
    QRect ButtonRect(int Button) const;
    // A click on an enabled button without the mouse (assistive technology): its drop-down
    // when asked for or when the whole button is one, else the click itself.
    void PressButton(int Button, bool dropDown);

    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool Enabled) { setEnabled(Enabled); }
    QFont Font() const { return font(); }
    void SetFont(const QFont& Font) { setFont(Font); }
    gdi::HIMAGELIST hImageList() const { return m_ImageList; }
    // The toolbar keeps the list it made; a list handed in stays its owner's.
    void SethImageList(gdi::HIMAGELIST List);
    // The image list entry as the buttons show it; null for no entry.
    QImage ListImage(int Index) const;

    void SetTansparent(bool Transparent);
    void SetUseThemeReBar(bool UseTheme);
    void SetIdent(int Pixels);
    int ToolbarHeight() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  signals:
    void ButtonClick(int Button);
    void ButtonEnter(int Button);
    void ButtonLeave(int Button);
    // X, Y: the button's lower-left corner in the host's (the parent widget's) pixels.
    void ButtonDropDown(int Button, int X, int Y);
    void ToolbarEnter();
    void ToolbarLeave();

  protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    struct ToolButton {
        QString caption;
        int image = -1;
        QString tipText;
        int style = kStyleButton;
        bool autosize = false;
        int itemData = 0;
        bool enabled = true;
        bool checked = false;
        bool pressed = false;
        bool visible = true;
        QRect rect;
    };

    ToolButton* Find(int Button);
    const ToolButton* Find(int Button) const;
    // The command number of the button that can take the pointer at a point, 0 for none.
    int ButtonAt(QPoint point) const;
    bool InDropArrow(int Button, QPoint point) const;
    bool IsGroupMember(std::size_t index) const;
    QSize ContentSize(const ToolButton& button) const;
    QStyleOptionToolButton ButtonOption(int Button) const;
    void Relayout();
    void RefreshIcons();
    void SetHotButton(int Button);
    void Toggle(int Button);
    void DropDown(int Button);
    void PaintBackground(QPainter& painter) const;
    void PaintSeparator(QPainter& painter, const QRect& rect) const;

    bool m_Initialized = false;
    int m_ImageSize = 16;
    bool m_Flat = false;
    bool m_List = false;
    bool m_Divider = false;
    bool m_Transparent = false;
    bool m_ThemeReBar = false;
    int m_Indent = 0;
    gdi::UniqueGdiObject m_OwnImageList;
    gdi::HIMAGELIST m_ImageList = 0;
    std::vector<QIcon> m_Icons;
    std::vector<ToolButton> m_Buttons;
    int m_ButtonHeight = 0;
    int m_HotButton = 0;
    int m_MouseDownButton = 0;
};
