// The playlist on the real main-window widgets: List1, Frame1, the menus, Popmnu4, drops and
// mouse, with scripted dialogs.
#include "app/main_menus.h"
#include "app/main_window_layout.h"
#include "platform/text_file.h"
#include "playlist/playlist_controller.h"
#include "playlist/playlist_file.h"
#include "scripted_dialogs.h"
#include "temp_home.h"
#include "widgets/xp_button.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

using Kind = ScriptedDialogs::Kind;
using Answer = Dialogs::Answer;

class PlaylistControllerTest : public ::testing::Test {
protected:
    PlaylistControllerTest() : m_ctx{AppPaths(m_home.path(), {})} {
        m_ctx.dialogs = &m_dialogs;
        m_ctx.requestReload = [this] { ++m_reloads; };
        m_window.setObjectName(QStringLiteral("frmMain"));
        buildMainWindowWidgets(&m_window, m_ui);
        buildMainMenus(&m_window, m_ui);
        makeController();
    }

    void makeController() {
        m_controller.reset();
        m_controller = std::make_unique<PlaylistController>(m_ctx, m_ui);
        m_controller->model().setRandomSource([](uint32_t) { return 0u; });
        QObject::connect(m_controller.get(), &PlaylistController::loadTrackRequested,
                         [this] { m_loads << model().CurrentIndex; });
        QObject::connect(m_controller.get(), &PlaylistController::playSelectedRequested,
                         [this] { ++m_plays; });
    }

    PlaylistModel &model() { return m_controller->model(); }
    QListWidget *list() { return m_ui.List1; }
    QStringList shown() const {
        QStringList texts;
        for (int i = 0; i < m_ui.List1->count(); ++i)
            texts << m_ui.List1->item(i)->text();
        return texts;
    }
    QString caption() const { return m_ui.Frame1->title(); }
    QString listFile() const { return m_home.file(QStringLiteral("List.lvx")); }
    QByteArray listBytes() const { return m_home.read(QStringLiteral("List.lvx")); }
    QString media(const QString &name) const { return m_home.file(QStringLiteral("m/") + name); }
    void trigger(const char *name) {
        QAction *a = m_ui.action(name);
        ASSERT_NE(a, nullptr) << name;
        a->trigger();
    }
    void fill(const QStringList &items, int current) {
        model().setItems(items);
        model().CurrentIndex = current;
        if (current >= 0) model().select(current);
    }
    void drop(const QStringList &files) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString &f : files)
            urls << QUrl::fromLocalFile(f);
        mime.setUrls(urls);
        QWidget *viewport = list()->viewport();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent dropEvent(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &dropEvent);
        QCoreApplication::processEvents();
    }
    const ScriptedDialogs::Entry *last(Kind kind) const {
        const ScriptedDialogs::Entry *found = nullptr;
        for (const auto &e : m_dialogs.entries())
            if (e.kind == kind) found = &e;
        return found;
    }

    TempHome m_home;
    ScriptedDialogs m_dialogs;
    AppContext m_ctx;
    QWidget m_window;
    MainWindowUi m_ui;
    std::unique_ptr<PlaylistController> m_controller;
    QList<int> m_loads;
    int m_plays = 0;
    int m_reloads = 0;
};

TEST_F(PlaylistControllerTest, StartWithAnM3uShowsItsPathsAndExitWritesThem) {
    m_home.write(QStringLiteral("lists/party.m3u"),
                 "#EXTM3U\r\n#EXTINF:215,Singer - One\r\n\"/m/one.mp3\"\r\n\r\n"
                 "#EXTINF:180,Two\nsub/two.mp3\n\n");
    m_ctx.startupCommandLine = m_home.file(QStringLiteral("lists/party.m3u"));
    m_ctx.settings.CurrentIndex = 5;
    m_controller->loadAtStartup();
    const QStringList expected{QStringLiteral("/m/one.mp3"),
                               m_home.file(QStringLiteral("lists/sub/two.mp3"))};
    EXPECT_EQ(shown(), expected);
    EXPECT_EQ(caption(), QStringLiteral("曲目列表(共2首)"));
    EXPECT_EQ(list()->currentRow(), 0);
    EXPECT_EQ(list()->toolTip(), QStringLiteral("当前列表选中曲目【/m/one.mp3】"));
    EXPECT_FALSE(QFile::exists(listFile())) << "a list on the command line is not copied";

    model().CurrentIndex = 1;
    m_controller->storeCurrentIndex();
    EXPECT_EQ(m_ctx.settings.CurrentIndex, 1);
    m_controller->saveAtExit();
    EXPECT_EQ(listBytes(), QByteArray("\">1\"\r\n\"/m/one.mp3\"\r\n\"") + expected[1].toUtf8() +
                               QByteArray("\"\r\n"));
}

TEST_F(PlaylistControllerTest, EmptyStartShowsZeroAndKeepsTheOldFileAtExit) {
    m_controller->loadAtStartup();
    EXPECT_EQ(list()->count(), 0);
    EXPECT_EQ(caption(), QStringLiteral("曲目列表(共0首)"));
    EXPECT_EQ(list()->toolTip(), QStringLiteral("当前列表选中曲目【未选择】"));
    m_controller->saveAtExit();
    EXPECT_FALSE(QFile::exists(listFile()));
}

TEST_F(PlaylistControllerTest, AddChosenFilesInOrderWithListsExpandedAndLoadTheFirst) {
    m_home.write(QStringLiteral("m/more.lvx"), "\">0\"\r\n\"/x/l1.mp3\"\r\n\"l2.mp3\"\r\n");
    const QStringList chosen{media(QStringLiteral("a.mp3")), media(QStringLiteral("b.wma")),
                             media(QStringLiteral("more.lvx")), media(QStringLiteral("c.avi")),
                             media(QStringLiteral("d.mp4"))};
    m_dialogs.answerOpen(chosen);
    trigger("mnuAdd");
    const auto *dialog = last(Kind::OpenFiles);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->title, QStringLiteral("添加曲目"));
    EXPECT_TRUE(dialog->request.multiple);
    EXPECT_EQ(dialog->request.filter.split(QLatin1Char('|')).size(), 14);
    EXPECT_TRUE(dialog->request.filter.startsWith(
        QStringLiteral("默认文件(音频和视频)|*.mp3;*.wma;*.wav;*.au;")));
    EXPECT_TRUE(dialog->request.filter.endsWith(QStringLiteral("|所有文件(*.*)|*.*")));

    EXPECT_EQ(shown(), (QStringList{chosen[0], chosen[1], QStringLiteral("/x/l1.mp3"),
                                    media(QStringLiteral("l2.mp3")), chosen[3], chosen[4]}));
    EXPECT_EQ(caption(), QStringLiteral("曲目列表(共6首)"));
    EXPECT_TRUE(m_loads.isEmpty()) << "six items: nothing is loaded";

    // Into an empty list one file is loaded at once; into a non-empty one it is not.
    model().clear();
    m_dialogs.answerOpen({media(QStringLiteral("solo.mp3"))});
    Q_EMIT m_ui.XPButton[9]->clicked();
    EXPECT_EQ(m_loads, QList<int>{0});
    EXPECT_EQ(list()->currentRow(), 0);
    m_dialogs.answerOpen({media(QStringLiteral("second.mp3"))});
    trigger("PopAddFile");
    EXPECT_EQ(m_loads, QList<int>{0});
    EXPECT_EQ(model().PlayedFlags.size(), 2u);

    trigger("mnuAdd"); // cancelled
    EXPECT_EQ(list()->count(), 2);
}

TEST_F(PlaylistControllerTest, AddLinkWithTitleWritesItsNoLyricsFile) {
    QStringList written;
    QObject::connect(m_controller.get(), &PlaylistController::noLyricsFileWritten,
                     [&written](const QString &t) { written << t; });
    m_dialogs.answerInput(QStringLiteral("  mms://media.example.com/live/news  "));
    m_dialogs.answerInput(QStringLiteral(" 新闻 [直播] "));
    trigger("mnuAdd2");
    const QString address = QStringLiteral("mms://media.example.com/live/news");
    EXPECT_EQ(shown(), QStringList{address});
    EXPECT_EQ(m_loads, QList<int>{0});
    EXPECT_EQ(written, QStringList{address});
    ASSERT_EQ(m_dialogs.entries().size(), 2);
    EXPECT_EQ(m_dialogs.entries()[0].title, QStringLiteral("添加曲目"));
    EXPECT_TRUE(m_dialogs.entries()[0].text.startsWith(
        QStringLiteral("请输入曲目的地址。\r\n例如：mms://")));
    EXPECT_EQ(m_dialogs.entries()[1].title, QStringLiteral("曲目标题"));
    EXPECT_EQ(m_dialogs.entries()[1].text,
              QStringLiteral("如果此曲目不需要歌词，请输入曲目的标题。\r\n例如：CCTV-新闻"));
    EXPECT_EQ(
        m_home.read(QStringLiteral("LRCS/mms-__media.example.com_live_news.lrc")),
        QStringLiteral("[0:0]新闻 ［直播］\r\n［如果想使用歌词，请重新查找或修改］\r\n").toUtf8());

    // Without a title nothing is written; an empty address ends the command.
    m_dialogs.answerInput(QStringLiteral("http://radio.example.com/x"));
    trigger("PopAddLink");
    EXPECT_EQ(list()->count(), 2);
    EXPECT_EQ(written.size(), 1);
    EXPECT_EQ(QDir(m_home.file(QStringLiteral("LRCS"))).entryList(QDir::Files).size(), 1);
    m_dialogs.answerInput(QStringLiteral("   "));
    trigger("mnuAdd2");
    EXPECT_EQ(list()->count(), 2);
}

TEST_F(PlaylistControllerTest, DropAddsOnlyTheFirstFileAfterAsking) {
    fill({QStringLiteral("/m/old.mp3")}, 0);
    m_dialogs.answerMessage(Answer::Yes);
    drop({media(QStringLiteral("one.mp3")), media(QStringLiteral("two.mp3")),
          media(QStringLiteral("three.mp3"))});
    EXPECT_EQ(m_dialogs.messageTexts(),
              QStringList{QStringLiteral("你要添加曲目【") + media(QStringLiteral("one.mp3")) +
                          QStringLiteral("】到播放列表吗?")});
    EXPECT_EQ(shown(),
              (QStringList{QStringLiteral("/m/old.mp3"), media(QStringLiteral("one.mp3"))}));
    EXPECT_TRUE(model().PendingFile.isEmpty());

    // A picture is a droppable type too; answering No adds nothing.
    m_dialogs.clear();
    m_dialogs.answerMessage(Answer::No);
    drop({media(QStringLiteral("cover.JPG"))});
    EXPECT_EQ(m_dialogs.messageTexts().size(), 1);
    EXPECT_EQ(list()->count(), 2);

    m_dialogs.clear();
    drop({media(QStringLiteral("notes.txt"))});
    ASSERT_EQ(m_dialogs.entries().size(), 1);
    EXPECT_EQ(m_dialogs.entries()[0].icon, Dialogs::Icon::Critical);
    EXPECT_EQ(m_dialogs.entries()[0].text,
              QStringLiteral("目前无法直接添加此类型文件到列表，如果确定此文件可以播放，"
                             "请到“文件”菜单中添加。"));
    EXPECT_EQ(list()->count(), 2);
    EXPECT_TRUE(model().PendingFile.isEmpty());
}

TEST_F(PlaylistControllerTest, DropOfAListImportsItAfterAsking) {
    m_home.write(QStringLiteral("m/party.m3u"), "#EXTM3U\r\na.mp3\r\n\"b.mp3\"\r\n");
    const QString m3u = media(QStringLiteral("party.m3u"));
    fill({QStringLiteral("/m/old.mp3")}, 0);
    m_dialogs.answerMessage(Answer::Yes); // import?
    m_dialogs.answerMessage(Answer::No);  // clear the old list?
    drop({m3u});
    EXPECT_EQ(
        m_dialogs.messageTexts(),
        (QStringList{QStringLiteral("你要导入播放列表“") + m3u + QStringLiteral("”吗?"),
                     QStringLiteral("你是否要清空以前的列表?"), QStringLiteral("导入列表成功!")}));
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("/m/old.mp3"), media(QStringLiteral("a.mp3")),
                                    media(QStringLiteral("b.mp3"))}));
    EXPECT_EQ(caption(), QStringLiteral("曲目列表(共3首)"));
    EXPECT_TRUE(m_loads.isEmpty());
}

TEST_F(PlaylistControllerTest, ImportReplacesOrFailsWithoutLosingTheList) {
    m_home.write(QStringLiteral("x/three.lvx"),
                 "\">2\"\r\n\"/a.mp3\"\r\n\"/b.mp3\"\r\n\"/c.mp3\"\r\n");
    m_home.write(QStringLiteral("x/one.m3u"), "/solo.mp3\r\n");
    fill({QStringLiteral("/old1.mp3"), QStringLiteral("/old2.mp3")}, 1);

    m_dialogs.answerOpen({m_home.file(QStringLiteral("x/missing.lvx"))});
    trigger("mnuListIn");
    EXPECT_EQ(m_dialogs.messageTexts(), QStringList{QStringLiteral("导入列表失败!")});
    EXPECT_EQ(list()->count(), 2);

    m_dialogs.clear();
    m_dialogs.answerOpen({m_home.file(QStringLiteral("x/three.lvx"))});
    m_dialogs.answerMessage(Answer::Yes);
    trigger("PopListIn");
    EXPECT_EQ(last(Kind::OpenFiles)->title, QStringLiteral("导入播放列表"));
    EXPECT_EQ(last(Kind::OpenFiles)->request.filter,
              QStringLiteral("列表文件(*.lvx;*.m3u)|*.lvx;*.m3u"));
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("/a.mp3"), QStringLiteral("/b.mp3"),
                                    QStringLiteral("/c.mp3")}));
    EXPECT_EQ(model().CurrentIndex, 0);
    EXPECT_EQ(list()->currentRow(), 0);
    EXPECT_TRUE(m_loads.isEmpty()) << "a longer list only selects item 0";

    model().clear();
    model().CurrentIndex = -1;
    m_dialogs.answerOpen({m_home.file(QStringLiteral("x/one.m3u"))});
    trigger("mnuListIn");
    EXPECT_EQ(m_loads, QList<int>{0}) << "a single entry is loaded at once";
}

TEST_F(PlaylistControllerTest, ExportAppliesTheNameRuleAndReportsFailure) {
    fill({QStringLiteral("/a.mp3"), QStringLiteral("/b.mp3")}, 1);
    QDir().mkpath(m_home.file(QStringLiteral("out")));
    m_dialogs.answerSave(m_home.file(QStringLiteral("out/a.lvx.lvx")));
    trigger("mnuListSa");
    const auto *dialog = last(Kind::SaveFile);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->title, QStringLiteral("请选择导出的列表文件的保存位置"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^播放列表 - \\d{12}$"))
                    .match(dialog->request.fileName)
                    .hasMatch())
        << dialog->request.fileName.toStdString();
    EXPECT_EQ(m_home.read(QStringLiteral("out/a.lvx")),
              QByteArray("\">1\"\r\n\"/a.mp3\"\r\n\"/b.mp3\"\r\n"));
    EXPECT_EQ(m_dialogs.messageTexts().last(), QStringLiteral("导出列表成功!"));

    m_dialogs.answerSave(m_home.file(QStringLiteral("no/such/folder/x")));
    trigger("PopListSa");
    EXPECT_EQ(m_dialogs.messageTexts().last(), QStringLiteral("导出列表失败!"));

    // Exported and imported again: the same number of items, the index line skipped.
    model().clear();
    m_dialogs.answerOpen({m_home.file(QStringLiteral("out/a.lvx"))});
    trigger("mnuListIn");
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("/a.mp3"), QStringLiteral("/b.mp3")}));
}

TEST_F(PlaylistControllerTest, DeleteKeepsCurrentIndexOnTheLoadedTrackAndRewritesTheFile) {
    fill({QStringLiteral("/a.mp3"), QStringLiteral("/b.mp3"), QStringLiteral("/c.mp3"),
          QStringLiteral("/d.mp3")},
         2);
    model().select(0);
    m_dialogs.answerMessage(Answer::Yes);
    trigger("mnuDelete");
    ASSERT_EQ(m_dialogs.entries().size(), 1);
    EXPECT_EQ(m_dialogs.entries()[0].text,
              QStringLiteral("你确定要将曲目“/a.mp3”从播放列表中删除吗?"));
    EXPECT_EQ(m_dialogs.entries()[0].icon, Dialogs::Icon::Warning);
    EXPECT_EQ(m_dialogs.entries()[0].buttons, Dialogs::Buttons::YesNo);
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("/b.mp3"), QStringLiteral("/c.mp3"),
                                    QStringLiteral("/d.mp3")}));
    EXPECT_EQ(model().CurrentIndex, 1);
    EXPECT_EQ(model().item(model().CurrentIndex), QStringLiteral("/c.mp3"));
    EXPECT_EQ(list()->currentRow(), 1);
    EXPECT_EQ(caption(), QStringLiteral("曲目列表(共3首)"));
    EXPECT_EQ(listBytes(), QByteArray("\"/b.mp3\"\r\n\"/c.mp3\"\r\n\"/d.mp3\"\r\n"));
    EXPECT_EQ(model().LastPicked, 0);
    EXPECT_EQ(model().PlayedFlags, (std::vector<int32_t>{0, 0, 0}));

    // Deleting the loaded item moves CurrentIndex to the one before it.
    m_dialogs.answerMessage(Answer::Yes);
    Q_EMIT m_ui.XPButton[14]->clicked();
    EXPECT_EQ(model().CurrentIndex, 0);
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("/b.mp3"), QStringLiteral("/d.mp3")}));

    m_dialogs.answerMessage(Answer::No);
    trigger("PopDelete");
    EXPECT_EQ(list()->count(), 2);

    model().select(1);
    m_dialogs.answerMessage(Answer::Yes);
    trigger("mnuDelete");
    model().select(0);
    m_dialogs.answerMessage(Answer::Yes);
    trigger("mnuDelete");
    EXPECT_EQ(list()->count(), 0);
    EXPECT_FALSE(QFile::exists(listFile()));
    EXPECT_EQ(caption(), QStringLiteral("曲目列表(共0首)"));
}

TEST_F(PlaylistControllerTest, DeleteAllAsksAndRemovesTheFile) {
    PlaylistFile::write(listFile(), {QStringLiteral("/a.mp3")}, 0);
    fill({QStringLiteral("/a.mp3"), QStringLiteral("/b.mp3")}, 1);
    m_dialogs.answerMessage(Answer::No);
    trigger("mnuDeleteAll");
    EXPECT_EQ(list()->count(), 2);
    EXPECT_EQ(m_dialogs.entries()[0].text,
              QStringLiteral("你确定要将播放列表中的所有曲目全删除吗?"));
    m_dialogs.answerMessage(Answer::Yes);
    trigger("PopDeleteAll");
    EXPECT_EQ(list()->count(), 0);
    EXPECT_EQ(model().CurrentIndex, -1);
    EXPECT_FALSE(QFile::exists(listFile()));
    EXPECT_EQ(caption(), QStringLiteral("曲目列表(共0首)"));
    m_dialogs.clear();
    trigger("mnuDeleteAll");
    EXPECT_TRUE(m_dialogs.entries().isEmpty()) << "an empty list asks nothing";
}

TEST_F(PlaylistControllerTest, StepUpAndDownWrapAndLoadOnlyWhileStopped) {
    trigger("mnuListUp");
    ASSERT_NE(last(Kind::OpenFiles), nullptr) << "an empty list opens the add dialog";
    EXPECT_EQ(last(Kind::OpenFiles)->title, QStringLiteral("添加曲目"));

    fill({QStringLiteral("/a.mp3"), QStringLiteral("/b.mp3"), QStringLiteral("/c.mp3")}, 2);
    trigger("mnuListDown");
    EXPECT_EQ(list()->currentRow(), 0);
    Q_EMIT m_ui.XPButton[10]->clicked();
    EXPECT_EQ(list()->currentRow(), 2);
    Q_EMIT m_ui.XPButton[11]->clicked();
    EXPECT_EQ(m_loads, (QList<int>{0, 2, 0}));

    bool playing = true;
    m_controller->commands().playerIdle = [&playing] { return !playing; };
    trigger("mnuListDown");
    EXPECT_EQ(list()->currentRow(), 1);
    EXPECT_EQ(m_loads.size(), 3) << "while playing only the selection moves";
    EXPECT_EQ(model().CurrentIndex, 0);

    // Shuffle on: both directions pick an item not yet played in this cycle.
    playing = false;
    m_ctx.settings.RandomPlay = -1;
    model().resetPlayedFlags();
    model().select(0);
    trigger("mnuListUp");
    trigger("mnuListUp");
    EXPECT_EQ(m_loads.mid(3), (QList<int>{1, 2}));
}

TEST_F(PlaylistControllerTest, MouseOnTheList) {
    fill({QStringLiteral("/a.mp3"), QStringLiteral("/b.mp3"), QStringLiteral("/c.mp3")}, 0);
    m_window.resize(kSkinWidth, kSkinHeight);
    m_window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    QWidget *viewport = list()->viewport();
    const QPoint second = list()->visualItemRect(list()->item(1)).center();

    bool playing = true;
    m_controller->commands().playerIdle = [&playing] { return !playing; };
    QTest::mouseClick(viewport, Qt::LeftButton, {}, second);
    QCoreApplication::processEvents();
    EXPECT_EQ(list()->currentRow(), 1);
    EXPECT_EQ(model().selectedIndex(), 1);
    EXPECT_EQ(model().PlayedFlags, (std::vector<int32_t>{1, 1, 0}));
    EXPECT_EQ(model().LastPicked, 2);
    EXPECT_TRUE(m_loads.isEmpty()) << "a press while playing loads nothing";
    EXPECT_EQ(list()->toolTip(), QStringLiteral("当前列表选中曲目【/b.mp3】"));

    playing = false;
    const QPoint third = list()->visualItemRect(list()->item(2)).center();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, third);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_loads, QList<int>{2});
    EXPECT_EQ(model().CurrentIndex, 2);

    QTest::mouseDClick(viewport, Qt::LeftButton, {}, third);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_plays, 1);
    EXPECT_TRUE(list()->isEnabled());

    QTest::mouseClick(viewport, Qt::RightButton, {}, third);
    EXPECT_TRUE(m_ui.Popmnu[4]->isVisible());
    m_ui.Popmnu[4]->close();

    // The keyboard moves the selection and marks the item too.
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Up);
    EXPECT_EQ(model().selectedIndex(), 1);
    EXPECT_EQ(model().LastPicked, 2);
}

TEST_F(PlaylistControllerTest, ContextMenuHoldsThePlaylistItems) {
    QStringList names, texts;
    for (QAction *a : m_ui.Popmnu[4]->actions()) {
        if (a->isSeparator()) continue;
        names << a->objectName();
        texts << a->text();
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("PopPlaySelct"), QStringLiteral("PopAddFile"),
                                  QStringLiteral("PopAddLink"), QStringLiteral("PopDelete"),
                                  QStringLiteral("PopDeleteAll"), QStringLiteral("PopNotLRC4"),
                                  QStringLiteral("PopSearch2"), QStringLiteral("PopListIn"),
                                  QStringLiteral("PopListSa")}));
    EXPECT_EQ(texts,
              (QStringList{QStringLiteral("播放选中的曲目"), QStringLiteral("添加曲目[本地]"),
                           QStringLiteral("添加曲目[网络]"), QStringLiteral("删除选中的曲目"),
                           QStringLiteral("删除所有的曲目"),
                           QStringLiteral("设置选中的曲目不用歌词"), QStringLiteral("百度MP3搜索"),
                           QStringLiteral("导入播放列表"), QStringLiteral("导出播放列表")}));
    EXPECT_NE(m_ui.action("PopNotLRC4"), nullptr) << "found by name from the main window";
    int searches = 0;
    QObject::connect(m_ui.action("mnuSearch2"), &QAction::triggered, [&searches] { ++searches; });
    trigger("PopSearch2");
    EXPECT_EQ(searches, 1);
    trigger("PopPlaySelct");
    EXPECT_EQ(m_plays, 1);
}

TEST_F(PlaylistControllerTest, RecoveryAnsweredYesDropsTheItemAndTheReloadStartsAfterIt) {
    m_ctx.settings.AutoPlayOnStart = 1;
    fill({QStringLiteral("/a.mp3"), QStringLiteral("/bad.mp3"), QStringLiteral("/c.mp3")}, 1);
    model().setCurrentTrack(1);
    m_ui.Timer[1]->start(50);
    m_ui.Timer[4]->start(50);
    m_dialogs.answerMessage(Answer::Ok);
    m_dialogs.answerMessage(Answer::Yes);
    m_controller->recoverAndReload();
    EXPECT_EQ(
        m_dialogs.messageTexts(),
        (QStringList{QStringLiteral("文件 /bad.mp3 出现未知错误，程序即将重新装载！"),
                     QStringLiteral("你要将此项从当前程序播放列表中删除吗?"),
                     QStringLiteral("重新装载后，“程序启动后自动播放曲目”的设置将被取消！")}));
    EXPECT_FALSE(m_ui.Timer[1]->isActive());
    EXPECT_FALSE(m_ui.Timer[4]->isActive());
    EXPECT_EQ(m_reloads, 1);
    EXPECT_TRUE(m_ctx.commandLineConsumed);
    EXPECT_TRUE(m_ctx.Reloading);
    EXPECT_EQ(m_ctx.settings.AutoPlayOnStart, 0);

    // The window unloads (saving) and loads again in the same process.
    m_ctx.startupCommandLine = QStringLiteral("/m/ignored.mp3");
    m_controller->storeCurrentIndex();
    m_controller->saveAtExit();
    EXPECT_EQ(listBytes(), QByteArray("\">1\"\r\n\"/a.mp3\"\r\n\"/c.mp3\"\r\n"));
    makeController();
    m_controller->loadAtStartup();
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("/a.mp3"), QStringLiteral("/c.mp3")}));
    EXPECT_EQ(list()->currentRow(), 1);
}

TEST_F(PlaylistControllerTest, RecoveryAnsweredNoMovesOnAndWrapsAtTheEnd) {
    fill({QStringLiteral("/a.mp3"), QStringLiteral("/b.mp3")}, 1);
    model().setCurrentTrack(1);
    m_dialogs.answerMessage(Answer::Ok);
    m_dialogs.answerMessage(Answer::No);
    m_controller->recoverAndReload();
    EXPECT_EQ(list()->count(), 2);
    EXPECT_EQ(model().CurrentIndex, 0);

    // With a processed copy on only the general warning shows and nothing is dropped.
    m_dialogs.clear();
    model().setCurrentTrack(0);
    m_controller->commands().processedCopyOn = [] { return true; };
    m_controller->recoverAndReload();
    EXPECT_EQ(m_dialogs.messageTexts(),
              QStringList{QStringLiteral("出现未知错误，程序即将重新装载！")});
    EXPECT_EQ(model().CurrentIndex, 0);
    EXPECT_EQ(m_reloads, 2);
}

TEST_F(PlaylistControllerTest, RecoveryDroppingTheLastItemDeletesTheFile) {
    PlaylistFile::write(listFile(), {QStringLiteral("/only.mp3")}, 0);
    fill({QStringLiteral("/only.mp3")}, 0);
    model().setCurrentTrack(0);
    m_dialogs.answerMessage(Answer::Ok);
    m_dialogs.answerMessage(Answer::Yes);
    m_controller->recoverAndReload();
    EXPECT_EQ(list()->count(), 0);
    EXPECT_FALSE(QFile::exists(listFile()));
}

} // namespace
