// The built program on a private X server, used with xdotool as a person uses it: the pointer
// and the keyboard reach it through the X server alone. Positions come from the window's own
// layout code, built here on the same display with the same fonts.
#include "app/main_window_layout.h"
#include "lyrics/lyric_store.h"
#include "player_process.h"
#include "shell/main_window_ui.h"
#include "temp_home.h"
#include "test_media.h"
#include "wait_for.h"
#include "widgets/xp_button.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Runs xdotool and returns what it printed (empty on failure).
QString xdotool(const QStringList &arguments, int timeoutMs = 15000) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), arguments);
    if (!p.waitForFinished(timeoutMs) || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished();
        return QString();
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The first visible window whose whole name is `name`.
QString findWindow(const QString &name) {
    for (int tries = 0; tries < 100; ++tries) {
        const QString ids = xdotool(
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
             QLatin1Char('^') + QRegularExpression::escape(name) + QLatin1Char('$')});
        if (!ids.isEmpty()) return ids.split(QLatin1Char('\n')).first();
        QTest::qWait(100);
    }
    return QString();
}

QRect geometryOf(const QString &window) {
    const QString out =
        xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    QRect r;
    for (const QString &line : out.split(QLatin1Char('\n'))) {
        const QString key = line.section(QLatin1Char('='), 0, 0);
        const int value = line.section(QLatin1Char('='), 1).toInt();
        if (key == QLatin1String("X")) r.moveLeft(value);
        if (key == QLatin1String("Y")) r.moveTop(value);
        if (key == QLatin1String("WIDTH")) r.setWidth(value);
        if (key == QLatin1String("HEIGHT")) r.setHeight(value);
    }
    return r;
}

class XdotoolSession : public ::testing::Test {
protected:
    void SetUp() override {
        QByteArray list = ">0\r\n";
        for (int k = 0; k < 3; ++k) {
            const QString track = home.file(QStringLiteral("t%1.wav").arg(k));
            ASSERT_TRUE(TestMedia::writeWav(track, 30.0));
            // A lyric line every half second names the track that plays.
            QByteArray lrc;
            for (int tenth = 3; tenth < 300; tenth += 5)
                lrc += QStringLiteral("[00:%1.%2]track %3\r\n")
                           .arg(tenth / 10, 2, 10, QLatin1Char('0'))
                           .arg(tenth % 10 * 10, 2, 10, QLatin1Char('0'))
                           .arg(k)
                           .toUtf8();
            home.write(QStringLiteral("t%1.lrc").arg(k), lrc);
            list += '"' + track.toUtf8() + "\"\r\n";
            tracks << track;
        }
        home.write(QStringLiteral("List.lvx"), list);

        // Where the controls are: the window's layout with the same three rows.
        buildMainWindowWidgets(&probe, layout);
        for (const QString &t : tracks)
            layout.List1->addItem(t);
        probe.setWindowTitle(QStringLiteral("layout probe"));
        probe.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&probe));
        probe.hide();

        QProcessEnvironment env = PlayerProcess::environment(home);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        player.setProcessEnvironment(env);
        QObject::connect(&player, &QProcess::readyReadStandardOutput,
                         [this] { echoed += QString::fromUtf8(player.readAllStandardOutput()); });
        player.start(PlayerProcess::program(), {QStringLiteral("--echo-lyrics")});
        ASSERT_TRUE(player.waitForStarted(10000));
        window = findWindow(QStringLiteral("Lyravox 1.7.0"));
        ASSERT_FALSE(window.isEmpty());
        origin = geometryOf(window).topLeft();
    }

    void TearDown() override {
        if (player.state() == QProcess::NotRunning) return;
        PlayerProcess::terminate(player);
        EXPECT_TRUE(player.waitForFinished(15000));
        EXPECT_EQ(player.exitCode(), 0) << player.readAllStandardError().toStdString();
    }

    // A click (or `count` clicks) at `pos` of a control of the layout (its centre by default).
    void click(QWidget *control, QPoint pos = {}, int count = 1) {
        const QPoint at =
            origin + control->mapTo(&probe, pos.isNull() ? control->rect().center() : pos);
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(at.x()),
                 QString::number(at.y())});
        xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(count),
                 QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("1")});
    }
    QPoint row(int k) { return layout.List1->visualItemRect(layout.List1->item(k)).center(); }
    // True once a lyric line of track `k` is echoed after `from` characters of the echo.
    bool echoes(int k, qsizetype from) {
        return waitFor(
            [&] { return echoed.mid(from).contains(QStringLiteral("\ttrack %1\n").arg(k)); });
    }

    TempHome home;
    QStringList tracks;
    QWidget probe;
    MainWindowUi layout;
    QProcess player;
    QString echoed;
    QString window;
    QPoint origin;
};

TEST_F(XdotoolSession, ClicksReachTheListTheButtonsAndTheCloseImage) {
    ASSERT_TRUE(echoes(0, 0));
    qsizetype mark = echoed.size();
    click(layout.List1->viewport(), row(1), 2);
    EXPECT_TRUE(echoes(1, mark));
    mark = echoed.size();
    click(layout.XPButton[2]); // next
    EXPECT_TRUE(echoes(2, mark));
    mark = echoed.size();
    click(layout.XPButton[1]); // previous
    EXPECT_TRUE(echoes(1, mark));

    click(layout.Image4);
    const QString question = findWindow(QStringLiteral("Lyravox"));
    ASSERT_FALSE(question.isEmpty());
    xdotool({QStringLiteral("key"), QStringLiteral("--window"), question,
             QStringLiteral("Escape")}); // "No"
    EXPECT_TRUE(waitFor([&] { return geometryOf(question).isNull(); }, 5000));
    EXPECT_EQ(player.state(), QProcess::Running);
}

TEST_F(XdotoolSession, TypingInTheLyricEditorIsTextAndIsSaved) {
    ASSERT_TRUE(echoes(0, 0));
    click(layout.XPButton[5]); // "修改歌词": the track pauses while the lyrics are edited
    QTest::qWait(700);
    click(layout.RichTextBox2, {20, 10});
    const qsizetype mark = echoed.size();
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"),
             QStringLiteral("ktv ktv ")});
    QTest::qWait(1500);
    EXPECT_EQ(geometryOf(window).topLeft(), origin);
    EXPECT_EQ(echoed.size(), mark) << "playback resumed while typing";

    click(layout.XPButton[5]); // leave the editor: it asks whether to save
    const QString question = findWindow(QStringLiteral("Lyravox"));
    ASSERT_FALSE(question.isEmpty());
    xdotool({QStringLiteral("key"), QStringLiteral("--window"), question,
             QStringLiteral("Return")}); // "Yes"
    const QString store = home.file(QStringLiteral("LRCS/")) + LyricStore::storeFileName(tracks[0]);
    EXPECT_TRUE(waitFor([&] {
        QFile f(store);
        return f.open(QIODevice::ReadOnly) && f.readAll().contains("ktv ktv ");
    }));
}

} // namespace
