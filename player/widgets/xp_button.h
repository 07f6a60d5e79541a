#pragma once
// The owner-drawn push button used by every window of the player: eleven looks, an optional
// icon, hot and pressed looks that follow the mouse, an optional toggle state and a tooltip
// with a title.
#include <QColor>
#include <QIcon>
#include <QWidget>

class XPButton : public QWidget {
    Q_OBJECT
public:
    enum class State { Normal, Hot, Pressed, Disabled };

    explicit XPButton(QWidget *parent = nullptr);

    int buttonStyle() const { return m_style; }
    void setButtonStyle(int style); // 0...10; other values are taken modulo 11
    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    QIcon icon() const { return m_icon; }
    void setIcon(const QIcon &icon);
    int iconSize() const { return m_iconSize; }
    void setIconSize(int pixels);
    int iconAlign() const { return m_iconAlign; }
    void setIconAlign(int align); // 0 centred, 1 left, 2 right, 3 top, 4 bottom
    bool iconVisible() const { return m_iconVisible; }
    void setIconVisible(bool visible);
    int captionAlign() const { return m_captionAlign; }
    void setCaptionAlign(int align); // 0 centre, 1 left, 2 right
    int nonThemeStyle() const { return m_nonThemeStyle; }
    void setNonThemeStyle(int style);
    bool showFocus() const { return m_showFocus; }
    void setShowFocus(bool show);

    bool useCustomColors() const { return m_useCustomColors; }
    void setUseCustomColors(bool use);
    void setBackColor(const QColor &c);
    void setHighlightColor(const QColor &c);
    void setFontColor(const QColor &c);
    void setFontHighlightColor(const QColor &c);

    QString toolTipText() const { return m_toolTip; }
    void setToolTipText(const QString &text);
    QString toolTipTitle() const { return m_toolTipTitle; }
    void setToolTipTitle(const QString &title);

    int buttonType() const { return m_buttonType; }
    void setButtonType(int type); // 0 push button, 1 toggle button
    bool value() const { return m_value; }
    void setValue(bool on);

    State visualState() const;
    // Repaints now.
    void refresh() { repaint(); }
    static QString version() { return QStringLiteral("1.0"); }

    QSize sizeHint() const override;

Q_SIGNALS:
    void clicked();
    void mouseEntered();
    void mouseLeft();

protected:
    void paintEvent(QPaintEvent *) override;
    void enterEvent(QEnterEvent *) override;
    void leaveEvent(QEvent *) override;
    void mousePressEvent(QMouseEvent *) override;
    void mouseReleaseEvent(QMouseEvent *) override;
    void keyPressEvent(QKeyEvent *) override;
    void changeEvent(QEvent *) override;
    void resizeEvent(QResizeEvent *) override;

private:
    void updateToolTip();
    void updateMask();
    void activate();

    int m_style = 3;
    QString m_caption = QStringLiteral("XPButton");
    QIcon m_icon;
    int m_iconSize = 16;
    int m_iconAlign = 1;
    bool m_iconVisible = true;
    int m_captionAlign = 0;
    int m_nonThemeStyle = 5;
    bool m_showFocus = false;
    bool m_useCustomColors = false;
    QColor m_backColor, m_highlightColor, m_fontColor, m_fontHighlightColor;
    QString m_toolTip, m_toolTipTitle;
    int m_buttonType = 0;
    bool m_value = false;
    bool m_hot = false;
    bool m_pressed = false;
};
