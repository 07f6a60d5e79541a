#include "app/key_preview.h"
#include "app/lyravox_app.h"
#include "app/main_window.h"
#include "app/single_instance.h"
#include "recording/recording_widgets.h"
#include "scripted_dialogs.h"
#include "shell/skin_shape.h"
#include "temp_home.h"
#include "widgets/xp_button.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl &url) { urls << url; }
};

using namespace Qt::Literals::StringLiterals;

namespace {

struct WindowFixture : ::testing::Test {
    TempHome home;
    ScriptedDialogs dialogs;
    AppContext ctx{home.paths()};
    WindowFixture() { ctx.dialogs = &dialogs; }
};

TEST_F(WindowFixture, StartupCreatesTheFoldersAndTheCaption) {
    home.write(QStringLiteral("TEMP/old.wav"), "x");
    QDir(home.file(QStringLiteral("LRCS"))).removeRecursively();
    MainWindow w(ctx);
    for (const char *folder : {"LRCS", "PICS", "TEMP"})
        EXPECT_TRUE(QDir(home.file(QLatin1String(folder))).exists()) << folder;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Lyravox 1.7.0"));
    EXPECT_EQ(w.ui().Label4->text(), QStringLiteral("Lyravox 1.7.0"));
    EXPECT_EQ(w.ui().Image5->toolTip(), QStringLiteral("Lyravox 1.7.0"));
    EXPECT_EQ(w.objectName(), QStringLiteral("frmMain"));
    EXPECT_EQ(w.findChild<QListWidget *>(QStringLiteral("List1")), w.ui().List1);
    EXPECT_FALSE(w.ui().action("mnuPlayRec")->isEnabled());
}

TEST_F(WindowFixture, WebLinksOpenTheShippedHelpAndLrclib) {
    home.write(QStringLiteral("help/index.html"), "<html></html>");
    UrlRecorder recorder;
    for (const char *scheme : {"file", "http", "https"})
        QDesktopServices::setUrlHandler(QLatin1String(scheme), &recorder, "open");
    {
        MainWindow w(ctx);
        w.ui().action("mnuWebLink")->trigger();
        w.ui().action("mnuSearch1")->trigger();
    }
    for (const char *scheme : {"file", "http", "https"})
        QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    // The product has no web site of its own: its home page is the help it ships.
    EXPECT_EQ(recorder.urls, (QList<QUrl>{QUrl::fromLocalFile(home.file(u"help/index.html"_s)),
                                          QUrl(u"https://lrclib.net"_s)}));
}

TEST_F(WindowFixture, StartupReadsAndClampsTheSettings) {
    Settings stored;
    stored.MaxRecordMinutes = 45;
    stored.VisualStyle = 0;
    stored.RandomPlay = -1;
    home.write(QStringLiteral("SetLog.ini"), SettingsFile::format(stored));
    MainWindow w(ctx);
    EXPECT_EQ(ctx.settings.MaxRecordMinutes, 30);
    EXPECT_EQ(ctx.settings.VisualStyle, 1);
    EXPECT_EQ(ctx.settings.RandomPlay, -1);
}

TEST_F(WindowFixture, ButtonsWaitForFinishStartupOneSecondAfterShow) {
    ctx.paths = AppPaths(home.path(), {}); // no demo song: the list stays empty
    MainWindow w(ctx);
    w.show();
    for (int k = 1; k <= 25; ++k)
        EXPECT_FALSE(w.ui().XPButton[size_t(k)]->isEnabled()) << k;
    EXPECT_TRUE(w.ui().Timer[3]->isActive());
    EXPECT_EQ(w.ui().Timer[3]->interval(), 1000);
    QSignalSpy opened(w.ui().action("mnuAdd"), &QAction::triggered);
    ASSERT_TRUE(opened.wait(3000)); // the list is empty: the add dialog opens
    EXPECT_FALSE(w.ui().Timer[3]->isActive());
    // The record button waits for a sound server as well.
    const bool canRecord = w.recording().engine().available();
    for (int k = 1; k <= 25; ++k)
        EXPECT_EQ(w.ui().XPButton[size_t(k)]->isEnabled(),
                  k != 5 && k != 7 && k != 8 && (k != 6 || canRecord))
            << k;
    EXPECT_EQ(w.ui().XPButton[1]->toolTipText(), QStringLiteral("播放上一曲"));
    EXPECT_EQ(w.ui().XPButton[25]->toolTipText(), QStringLiteral("LRC歌词上传、征求、搜索及下载"));
}

TEST_F(WindowFixture, CloseImageAsksAndNoKeepsEverything) {
    MainWindow w(ctx);
    w.show();
    home.write(QStringLiteral("TEMP/take.wav"), "x");
    dialogs.answerMessage(Dialogs::Answer::No);
    QTest::mouseClick(w.ui().Image4, Qt::LeftButton);
    ASSERT_EQ(dialogs.entries().size(), 1);
    const auto &q = dialogs.entries().at(0);
    EXPECT_EQ(q.text, QStringLiteral("你确定要关闭程序吗?"));
    EXPECT_EQ(q.buttons, Dialogs::Buttons::YesNo);
    EXPECT_EQ(q.icon, Dialogs::Icon::Question);
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(QFile::exists(home.file(QStringLiteral("SetLog.ini"))));
    EXPECT_TRUE(QFile::exists(home.file(QStringLiteral("TEMP/take.wav"))));

    dialogs.answerMessage(Dialogs::Answer::Yes);
    QSignalSpy unloaded(&w, &MainWindow::unloaded);
    QTest::mouseClick(w.ui().Image4, Qt::LeftButton);
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(QFile::exists(home.file(QStringLiteral("SetLog.ini"))));
    EXPECT_TRUE(QDir(home.file(QStringLiteral("TEMP"))).isEmpty());
}

TEST_F(WindowFixture, ExitCommandClosesWithoutAQuestionAndSaves) {
    ctx.settings.RandomPlay = -1; // overwritten by the file read at start-up
    MainWindow w(ctx);
    w.show();
    ctx.settings.Mp3SampleRate = 48000;
    w.ui().action("mnuExit")->trigger();
    EXPECT_TRUE(dialogs.entries().isEmpty());
    EXPECT_FALSE(w.isVisible());
    Settings expected;
    expected.Mp3SampleRate = 48000;
    EXPECT_EQ(home.read(QStringLiteral("SetLog.ini")), SettingsFile::format(expected));
}

TEST_F(WindowFixture, HiddenKeySequenceAndEscape) {
    MainWindow w(ctx);
    w.show();
    QApplication::setActiveWindow(&w);
    w.setFocus();
    auto release = [&](Qt::Key key) { QTest::keyRelease(&w, key); };
    release(Qt::Key_T); // out of turn: nothing
    EXPECT_EQ(w.bounceStage(), 0);
    release(Qt::Key_Escape);
    EXPECT_EQ(w.bounceStage(), 0);
    release(Qt::Key_K);
    EXPECT_EQ(w.bounceStage(), 3);
    release(Qt::Key_A); // other keys do not reset
    release(Qt::Key_T);
    EXPECT_EQ(w.bounceStage(), 2);
    release(Qt::Key_V);
    EXPECT_EQ(w.bounceStage(), 1);
    release(Qt::Key_K); // the first key again ends the mode without restoring the window
    EXPECT_EQ(w.bounceStage(), 3);
    release(Qt::Key_Escape);
    EXPECT_EQ(w.bounceStage(), 3);
    release(Qt::Key_T);
    release(Qt::Key_V);
    release(Qt::Key_Escape);
    EXPECT_EQ(w.bounceStage(), 0);
    EXPECT_TRUE(w.ui().Timer[7]->isActive()); // FitWindowToSkin requested
}

TEST_F(WindowFixture, KeysArePreviewedWhicheverControlHasTheFocus) {
    MainWindow w(ctx);
    w.show();
    QApplication::setActiveWindow(&w);
    w.ui().List1->setFocus();
    QSignalSpy space(&w, &MainWindow::playPauseKey);
    QSignalSpy offsetUp(w.ui().XPButton[4], &XPButton::clicked);
    QTest::keyClick(w.ui().List1, Qt::Key_Space);
    QTest::keyClick(w.ui().List1, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(space.count(), 1);
    EXPECT_EQ(offsetUp.count(), 1);
}

TEST_F(WindowFixture, SkinCommandsReplaceKeepAndRestoreTheSkin) {
    MainWindow w(ctx);
    const QImage builtIn = w.skinPicture();
    QImage custom(300, 200, QImage::Format_RGB32);
    custom.fill(QColor(10, 80, 10));
    ASSERT_TRUE(custom.save(home.file(QStringLiteral("green.bmp"))));
    home.write(QStringLiteral("broken.jpg"), "not a picture");

    dialogs.answerOpen({home.file(QStringLiteral("broken.jpg"))});
    w.ui().action("mnuSkinsRe")->trigger();
    EXPECT_EQ(dialogs.messageTexts().last(), QStringLiteral("错误或不支持的的皮肤文件！"));
    EXPECT_EQ(w.skinPicture(), builtIn);

    dialogs.answerOpen({home.file(QStringLiteral("green.bmp"))});
    dialogs.answerMessage(Dialogs::Answer::No);
    w.ui().action("mnuSkinsRe")->trigger();
    EXPECT_EQ(dialogs.messageTexts().last(), QStringLiteral("你要保存此界面皮肤吗?"));
    EXPECT_EQ(w.skinPicture(), builtIn);
    EXPECT_TRUE(ctx.settings.SkinFile.isEmpty());

    dialogs.answerOpen({home.file(QStringLiteral("green.bmp"))});
    dialogs.answerMessage(Dialogs::Answer::Yes);
    w.ui().action("mnuSkinsRe")->trigger();
    EXPECT_EQ(w.skinPicture().size(), QSize(300, 200));
    EXPECT_EQ(ctx.settings.SkinFile, QStringLiteral("green.bmp"));
    EXPECT_TRUE(QFile::exists(home.file(QStringLiteral("skins/green.bmp"))));
    w.fitWindowToSkin();
    EXPECT_EQ(w.size(), QSize(300, 200));

    w.ui().action("mnuSkinsDe")->trigger();
    EXPECT_TRUE(ctx.settings.SkinFile.isEmpty());
    EXPECT_EQ(w.skinPicture(), builtIn);
    EXPECT_TRUE(w.ui().Timer[7]->isActive());
}

TEST_F(WindowFixture, SkinNamedInTheSettingsIsLoadedAtStartup) {
    QImage custom(320, 240, QImage::Format_RGB32);
    custom.fill(QColor(90, 10, 10));
    QDir().mkpath(home.file(QStringLiteral("skins")));
    ASSERT_TRUE(custom.save(home.file(QStringLiteral("skins/red.bmp"))));
    Settings stored;
    stored.SkinFile = QStringLiteral("red.bmp");
    home.write(QStringLiteral("SetLog.ini"), SettingsFile::format(stored));
    MainWindow w(ctx);
    EXPECT_EQ(w.size(), QSize(320, 240));
    stored.SkinFile = QStringLiteral("missing.bmp");
    home.write(QStringLiteral("SetLog.ini"), SettingsFile::format(stored));
    MainWindow w2(ctx);
    EXPECT_EQ(w2.skinPicture(), SkinShape::defaultSkin(w2.width(), w2.height()));
}

TEST(KeyPreview, TextControlsKeepTheirTextKeys) {
    QLineEdit line;
    QLineEdit readOnlyLine;
    readOnlyLine.setReadOnly(true);
    QTextEdit editor;
    QTextEdit lyricBox;
    lyricBox.setReadOnly(true);
    QComboBox editableCombo;
    editableCombo.setEditable(true);
    QComboBox combo;
    QSpinBox spin;
    QListWidget list;
    QLineEdit disabled;
    disabled.setEnabled(false);
    const std::pair<QWidget *, bool> controls[] = {
        {&line, true},          {&readOnlyLine, false}, {&editor, true}, {&lyricBox, false},
        {&editableCombo, true}, {&combo, false},        {&spin, true},   {&list, false},
        {&disabled, false},     {nullptr, false}};
    for (const auto &[w, takes] : controls)
        EXPECT_EQ(KeyPreview::takesText(w), takes) << (w ? w->metaObject()->className() : "none");

    auto key = [](int code, Qt::KeyboardModifiers mods = {}) {
        return QKeyEvent(QEvent::KeyPress, code, mods);
    };
    for (int code : {int(Qt::Key_Space), int(Qt::Key_K), int(Qt::Key_T), int(Qt::Key_V),
                     int(Qt::Key_F), int(Qt::Key_H)})
        EXPECT_TRUE(KeyPreview::isTextKey(key(code))) << code;
    EXPECT_TRUE(KeyPreview::isTextKey(key(Qt::Key_Plus, Qt::KeypadModifier)));
    EXPECT_TRUE(KeyPreview::isTextKey(key(Qt::Key_Minus, Qt::KeypadModifier)));
    for (int code : {int(Qt::Key_Escape), int(Qt::Key_F1), int(Qt::Key_Return)})
        EXPECT_FALSE(KeyPreview::isTextKey(key(code))) << code;
}

TEST(SingleInstanceRule, DecidesByCommandLine) {
    using D = SingleInstance::Decision;
    EXPECT_EQ(SingleInstance::decide(false, QString()), D::Continue);
    EXPECT_EQ(SingleInstance::decide(true, QString()), D::ExitSilently);
    EXPECT_EQ(SingleInstance::decide(true, QStringLiteral("/a /m/x.mp3")),
              D::ExitWithAppendMessage);
    EXPECT_EQ(SingleInstance::decide(true, QStringLiteral("/m/x.mp3")), D::Continue);
    EXPECT_EQ(SingleInstance::decide(true, QStringLiteral("/ax.mp3")), D::Continue);
}

TEST(SingleInstanceRule, ASecondCopyFindsTheFirstPerHomeFolder) {
    TempHome a;
    SingleInstance first(a.path());
    EXPECT_FALSE(first.otherRunning());
    SingleInstance second(a.path());
    EXPECT_TRUE(second.otherRunning());
    TempHome b;
    SingleInstance elsewhere(b.path());
    EXPECT_FALSE(elsewhere.otherRunning());
}

TEST(CommandLine, SwitchesAreTakenOutAndTheRestJoinedByOneBlank) {
    TempHome home;
    AppContext ctx(home.paths());
    const QString line =
        LyravoxApp::commandLineOf({QStringLiteral("/a"), QStringLiteral("--echo-lyrics"),
                                   QStringLiteral("/music/my song.mp3")},
                                  &ctx);
    EXPECT_EQ(line, QStringLiteral("/a /music/my song.mp3"));
    EXPECT_TRUE(ctx.echoLyrics);
    EXPECT_FALSE(ctx.echoWords);
    EXPECT_FALSE(ctx.exitAfterTrack);
    AppContext words(home.paths());
    EXPECT_EQ(LyravoxApp::commandLineOf(
                  {QStringLiteral("--echo-words"), QStringLiteral("song.mp3")}, &words),
              QStringLiteral("song.mp3"));
    EXPECT_TRUE(words.echoWords);
    EXPECT_FALSE(words.echoLyrics);
}

TEST(Reload, TheWindowIsBuiltAnewInTheSameProcessWithoutTheCommandLine) {
    TempHome home;
    LyravoxApp app({QStringLiteral("/x/song.mp3")}, std::make_unique<ScriptedDialogs>());
    app.start();
    MainWindow *first = app.window();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(app.context().startupCommandLine, QStringLiteral("/x/song.mp3"));
    QSignalSpy created(&app, &LyravoxApp::windowCreated);
    app.context().requestReload();
    ASSERT_TRUE(created.wait(3000));
    EXPECT_NE(app.window(), nullptr);
    EXPECT_TRUE(app.context().commandLineConsumed);
    EXPECT_TRUE(app.context().startupCommandLine.isEmpty());
    EXPECT_FALSE(app.context().Reloading);
    EXPECT_TRUE(QFile::exists(home.file(QStringLiteral("SetLog.ini"))));
    QSignalSpy finished(&app, &LyravoxApp::finished);
    app.context().requestQuit();
    ASSERT_TRUE(finished.wait(3000));
}

} // namespace

#include "main_window_test.moc"
