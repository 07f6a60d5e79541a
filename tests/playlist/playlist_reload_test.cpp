// RecoverAndReload through the real application: the window unloads (saving), a new window is
// built in the same process, and the command line is not applied a second time.
#include "app/lyravox_app.h"
#include "playlist/playlist_controller.h"
#include "scripted_dialogs.h"
#include "temp_home.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

QStringList shown(QListWidget *list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

TEST(PlaylistReload, FailingTrackAnsweredYesIsGoneAndTheNextOneIsSelected) {
    TempHome home;
    home.write(QStringLiteral("List.lvx"),
               "\">0\"\r\n\"/m/a.mp3\"\r\n\"/m/bad.mp3\"\r\n\"/m/c.mp3\"\r\n");
    auto dialogs = std::make_unique<ScriptedDialogs>();
    ScriptedDialogs *script = dialogs.get();
    LyravoxApp app({QStringLiteral("/a"), QStringLiteral("/m/new.mp3")}, std::move(dialogs));
    app.start();
    MainWindow *first = app.window();
    ASSERT_NE(first, nullptr);
    first->ui().Timer[3]->stop();
    EXPECT_EQ(shown(first->ui().List1),
              (QStringList{QStringLiteral("/m/a.mp3"), QStringLiteral("/m/bad.mp3"),
                           QStringLiteral("/m/c.mp3"), QStringLiteral("/m/new.mp3")}));

    QStringList reloadedItems;
    int reloadedRow = -2;
    QString reloadedCaption;
    QObject::connect(&app, &LyravoxApp::windowCreated, [&](MainWindow *w) {
        w->ui().Timer[3]->stop();
        reloadedItems = shown(w->ui().List1);
        reloadedRow = w->ui().List1->currentRow();
        reloadedCaption = w->ui().Frame1->title();
    });
    PlaylistModel &model = first->playlist().model();
    model.select(1);
    model.setCurrentTrack(1);
    script->answerMessage(Dialogs::Answer::Ok);
    script->answerMessage(Dialogs::Answer::Yes);
    first->playlist().recoverAndReload();
    ASSERT_TRUE(QTest::qWaitFor([&] { return reloadedRow != -2; }, 10000));

    EXPECT_EQ(reloadedItems, (QStringList{QStringLiteral("/m/a.mp3"), QStringLiteral("/m/c.mp3"),
                                          QStringLiteral("/m/new.mp3")}));
    EXPECT_EQ(reloadedRow, 1);
    EXPECT_EQ(reloadedCaption, QStringLiteral("曲目列表(共3首)"));
    EXPECT_TRUE(script->messageTexts().contains(
        QStringLiteral("文件 /m/bad.mp3 出现未知错误，程序即将重新装载！")));

    bool finished = false;
    QObject::connect(&app, &LyravoxApp::finished, [&finished] { finished = true; });
    app.closeWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 10000));
    EXPECT_EQ(home.read(QStringLiteral("List.lvx")).count("/m/new.mp3"), 1);
}

} // namespace
