#include "lyrics/lyric_box.h"

#include "lyrics/lyric_parser.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QFontDatabase>
#include <QPalette>
#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>

QFont LyricBox::font(const QString &family, int pointSize, bool bold) {
    QString face = family;
    if (family == QStringLiteral("宋体") && !QFontDatabase::hasFamily(family)) {
        face = QFontDatabase::hasFamily(QStringLiteral("SimSun"))
                   ? QStringLiteral("SimSun")
                   : QStringLiteral("Noto Serif CJK SC");
    }
    QFont f(face, pointSize);
    f.setBold(bold);
    return f;
}

void LyricBox::setBackground(const QColor &colour) {
    m_box->setStyleSheet(QStringLiteral("QTextEdit { background: %1; }").arg(colour.name()));
}

void LyricBox::showStatus(const QString &text) {
    setBackground(QApplication::palette().color(QPalette::Button));
    m_box->setPlainText(text);
    QTextCursor all(m_box->document());
    all.select(QTextCursor::Document);
    QTextCharFormat format;
    format.setFont(font(QStringLiteral("宋体"), 9, false));
    format.setForeground(QColor(64, 64, 64));
    all.setCharFormat(format);
}

void LyricBox::setText(const QString &text) {
    m_box->setPlainText(text);
}

QString LyricBox::text() const {
    return m_box->toPlainText();
}

void LyricBox::format(const Settings &settings) {
    setBackground(settings.LyricBackColor);
    QTextCursor cursor(m_box->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    QTextCharFormat tag;
    tag.setFont(font(settings.LyricFontName, settings.LyricFontSize, settings.LyricFontBold));
    tag.setForeground(settings.LyricTagColor);
    cursor.setCharFormat(tag);
    QTextCharFormat lyric;
    lyric.setForeground(settings.LyricTextColor);
    for (const auto &range : LyricParser::lyricTextRanges(text())) {
        cursor.setPosition(range.start);
        cursor.setPosition(range.start + range.length, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(lyric);
    }
    cursor.endEditBlock();
}

void LyricBox::colourRange(qsizetype start, qsizetype length, const QColor &colour) {
    QTextCursor cursor(m_box->document());
    const int end = m_box->document()->characterCount() - 1;
    const int from = static_cast<int>(std::min<qsizetype>(start, end));
    const int to = static_cast<int>(std::min<qsizetype>(start + length, end));
    if (from >= to) return;
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(colour);
    cursor.mergeCharFormat(format);
}

void LyricBox::setCaret(qsizetype position) {
    QTextCursor cursor = m_box->textCursor();
    const int end = m_box->document()->characterCount() - 1;
    cursor.setPosition(static_cast<int>(std::clamp<qsizetype>(position, 0, end)));
    m_box->setTextCursor(cursor);
}

void LyricBox::caretToEnd() {
    QTextCursor cursor = m_box->textCursor();
    cursor.movePosition(QTextCursor::End);
    m_box->setTextCursor(cursor);
}

void LyricBox::scrollOneLine() {
    m_box->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
}
