// The ±50 ms compensation and the "[offset:" tag written into the editor text.
#include "lyrics/lyric_offset.h"

#include <gtest/gtest.h>

namespace {

TEST(LyricOffset, StepsStayWithinTenMinutes) {
    EXPECT_EQ(LyricOffset::stepUp(0), 50);
    EXPECT_EQ(LyricOffset::stepUp(599950), 600000);
    EXPECT_EQ(LyricOffset::stepUp(600000), 600000);
    EXPECT_EQ(LyricOffset::stepDown(0), -50);
    EXPECT_EQ(LyricOffset::stepDown(-599950), -600000);
    EXPECT_EQ(LyricOffset::stepDown(-600000), -600000);
}

TEST(LyricOffset, WritesTheValueIntoTheEditorText) {
    // No tag: a tag line on top, the caret before its "]".
    auto r = LyricOffset::writeOffset(QStringLiteral("[00:01]a\n"), 150);
    EXPECT_EQ(r.text, QStringLiteral("[offset:150]\n[00:01]a\n"));
    EXPECT_EQ(r.caret, 11);
    EXPECT_EQ(r.text.at(r.caret), QLatin1Char(']'));

    // An existing tag is rewritten wherever it occurs; caret before the first "]".
    r = LyricOffset::writeOffset(QStringLiteral("[ti:x]\n[offset:300]\n[00:01]a [offset:300]\n"),
                                 250);
    EXPECT_EQ(r.text, QStringLiteral("[ti:x]\n[offset:250]\n[00:01]a [offset:250]\n"));
    EXPECT_EQ(r.text.at(r.caret), QLatin1Char(']'));
    EXPECT_EQ(r.caret, r.text.indexOf(QLatin1String("250]")) + 3);

    // Longer and shorter values move the caret with them.
    r = LyricOffset::writeOffset(QStringLiteral("[offset:5]\n"), -1000);
    EXPECT_EQ(r.text, QStringLiteral("[offset:-1000]\n"));
    EXPECT_EQ(r.caret, 13);

    // Unreadable, unchanged, unclosed or zero without a tag: nothing written.
    for (const auto &[text, value] : {std::pair{QStringLiteral("[offset:abc]\n"), 250},
                                      std::pair{QStringLiteral("[offset:250]\n"), 250},
                                      std::pair{QStringLiteral("[offset:250\n"), 100},
                                      std::pair{QStringLiteral("[00:01]a\n"), 0}}) {
        r = LyricOffset::writeOffset(text, value);
        EXPECT_EQ(r.text, text);
        EXPECT_EQ(r.caret, -1);
    }
}

TEST(LyricOffset, EditorAndFileLineEnds) {
    EXPECT_EQ(LyricOffset::editorText(QStringLiteral("a\r\nb\rc\n")), QStringLiteral("a\nb\nc\n"));
    EXPECT_EQ(LyricOffset::fileText(QStringLiteral("a\nb\r\nc")), QStringLiteral("a\r\nb\r\nc"));
}

} // namespace
