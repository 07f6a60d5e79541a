#pragma once
// Draws a line strip (a QLabel) with the word wipe of the current line: the words not yet lit
// in the lyric text colour, the lit part in the strip's own colour over them. A strip that
// shows another text, or a line without word times, paints as a plain label.
#include "lyrics/lyric_words.h"

#include <QColor>
#include <QObject>
#include <functional>

class QLabel;

class WordWipeLabel : public QObject {
    Q_OBJECT
public:
    // Owned by `label`. `wipe` gives the current wipe, `unlit` the colour of unlit words.
    WordWipeLabel(QLabel *label, std::function<WordWipe()> wipe, std::function<QColor()> unlit);

    // Asks for a new frame while the strip shows a line being wiped.
    void refresh();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *m_label;
    std::function<WordWipe()> m_wipe;
    std::function<QColor()> m_unlit;
};
