#pragma once
// The lyric box RichTextBox1 as the lyric code uses it: status texts, the lyric colours, the
// highlight of one range and the caret. Positions are the document's character positions,
// which equal positions in the display text (one "\n" per line end).
#include "shell/settings.h"

#include <QColor>
#include <QFont>
#include <QString>

class QTextEdit;

class LyricBox {
public:
    explicit LyricBox(QTextEdit *box) : m_box(box) {}

    // The face for a font name of the lyric settings: "宋体" is the installed CJK serif face
    // when SimSun is absent.
    static QFont font(const QString &family, int pointSize, bool bold);

    // A status text: button-face background, "宋体" 9 pt, not bold, grey RGB(64,64,64).
    void showStatus(const QString &text);
    // Replaces the text (plain).
    void setText(const QString &text);
    QString text() const;
    // The lyric colours after a load: all in the tag colour and font of the settings, the
    // lyric text of each line in the text colour.
    void format(const Settings &settings);
    // Gives a range a text colour.
    void colourRange(qsizetype start, qsizetype length, const QColor &colour);
    void setCaret(qsizetype position);
    void caretToEnd();
    // Scrolls down by one line.
    void scrollOneLine();

private:
    void setBackground(const QColor &colour);

    QTextEdit *m_box;
};
