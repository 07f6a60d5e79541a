#include "lyrics/lyric_echo.h"

#include "lyrics/lyric_numbers.h"

void LyricEcho::line(double position, const QString &tagTime, const QString &text) {
    if (m_lines && m_stream) write(position, tagTime, text);
}

void LyricEcho::word(double position, const LyricWord &word, const QString &lineText) {
    if (!words()) return;
    write(position, LyricNumbers::formatSeconds(word.time),
          QStringView(lineText).mid(word.start, word.length).trimmed());
}

void LyricEcho::write(double position, const QString &time, QStringView text) {
    const QByteArray out = QString::asprintf("%.2f\t", position).toUtf8() + time.toUtf8() + '\t' +
                           text.toUtf8() + '\n';
    std::fwrite(out.constData(), 1, size_t(out.size()), m_stream);
    std::fflush(m_stream);
}
