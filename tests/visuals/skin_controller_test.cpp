// The skin commands with scripted dialogs: the save question, and a copy into "skins" that
// fails keeps the setting and says so.
#include "platform/file_names.h"
#include "scripted_dialogs.h"
#include "temp_home.h"
#include "visuals/skin_controller.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

struct Host : SkinHost {
    QImage skin;
    int shapeRequests = 0;
    QImage skinPicture() const override { return skin; }
    void setSkinPicture(const QImage &s) override { skin = s; }
    void requestFitWindowToSkin() override { ++shapeRequests; }
};

struct SkinFixture : ::testing::Test {
    TempHome home;
    ScriptedDialogs dialogs;
    AppContext ctx{home.paths()};
    Host host;
    SkinController skins{ctx, host};
    QString picked;

    SkinFixture() {
        ctx.dialogs = &dialogs;
        ctx.settings.SkinFile = QStringLiteral("old.png");
        QImage red(40, 30, QImage::Format_RGB32);
        red.fill(Qt::red);
        picked = home.file(QStringLiteral("mine.png"));
        red.save(picked, "PNG");
        QImage previous(10, 10, QImage::Format_RGB32);
        previous.fill(Qt::blue);
        host.skin = previous;
    }
};

TEST_F(SkinFixture, TheAnswerDecidesWhetherTheSkinIsKept) {
    struct Case {
        Dialogs::Answer answer;
        QString skinFile;
        QRgb shown;
        bool stored;
    } cases[] = {
        {Dialogs::Answer::No, QStringLiteral("old.png"), qRgb(0, 0, 255), false},
        {Dialogs::Answer::Yes, QStringLiteral("mine.png"), qRgb(255, 0, 0), true},
    };
    for (const Case &c : cases) {
        dialogs.answerOpen({picked});
        dialogs.answerMessage(c.answer);
        skins.replaceSkin();
        EXPECT_EQ(ctx.settings.SkinFile, c.skinFile);
        EXPECT_EQ(host.skin.pixel(0, 0), c.shown);
        EXPECT_EQ(QFile::exists(home.file(QStringLiteral("skins/mine.png"))), c.stored);
        EXPECT_EQ(dialogs.messageTexts().last(), QStringLiteral("你要保存此界面皮肤吗?"));
    }
}

TEST_F(SkinFixture, AFailedCopyKeepsTheSkinNameAndSaysSo) {
    // A file where the folder should be: nothing can be copied into "skins".
    QDir(home.file(QString())).rmdir(QStringLiteral("skins"));
    QFile blocker(home.file(QStringLiteral("skins")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    dialogs.answerOpen({picked});
    dialogs.answerMessage(Dialogs::Answer::Yes);
    skins.replaceSkin();
    EXPECT_EQ(ctx.settings.SkinFile, QStringLiteral("old.png"));
    ASSERT_EQ(dialogs.messageTexts().size(), 2);
    EXPECT_TRUE(dialogs.messageTexts().last().startsWith(QStringLiteral("无法保存界面皮肤文件")));
}

TEST(FileNames, UnusedNameCountsUpBeforeTheExtension) {
    TempHome home;
    const QString folder = home.file(QStringLiteral("bkground"));
    QDir().mkpath(folder);
    struct Case {
        QString name, expected;
    } cases[] = {
        {QStringLiteral("a.jpg"), QStringLiteral("a_3.jpg")}, // a.jpg and a_2.jpg exist
        {QStringLiteral("b.jpg"), QStringLiteral("b.jpg")},
        {QStringLiteral("noext"), QStringLiteral("noext_2")},
    };
    for (const QString &existing :
         {QStringLiteral("a.jpg"), QStringLiteral("a_2.jpg"), QStringLiteral("noext")}) {
        QFile f(folder + QLatin1Char('/') + existing);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    for (const Case &c : cases)
        EXPECT_EQ(FileNames::unusedName(folder, c.name), folder + QLatin1Char('/') + c.expected);
}

} // namespace
