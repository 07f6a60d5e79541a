#include "widgets/xp_button.h"

#include <QApplication>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>
#include <set>

namespace {

int distinctColours(const QImage &img) {
    std::set<QRgb> colours;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            colours.insert(img.pixel(x, y));
    return int(colours.size());
}

QImage render(XPButton &b) {
    QImage img(b.size(), QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    b.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

TEST(XPButton, ClicksFollowTheLeftButtonOnly) {
    XPButton b;
    b.resize(80, 24);
    b.show();
    QSignalSpy clicks(&b, &XPButton::clicked);
    QTest::mouseClick(&b, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
    QTest::mouseClick(&b, Qt::RightButton);
    EXPECT_EQ(clicks.count(), 1);
    // Released outside the button: no click.
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(200, 5));
    EXPECT_EQ(clicks.count(), 1);
}

TEST(XPButton, DisabledButtonIgnoresClicksAndDrawsItsDisabledLook) {
    XPButton b;
    b.resize(80, 24);
    b.setCaption(QStringLiteral("确 定"));
    b.show();
    const QImage enabled = render(b);
    b.setEnabled(false);
    QSignalSpy clicks(&b, &XPButton::clicked);
    QTest::mouseClick(&b, Qt::LeftButton);
    QTest::keyClick(&b, Qt::Key_Return);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(b.visualState(), XPButton::State::Disabled);
    EXPECT_NE(render(b), enabled);
}

TEST(XPButton, ToggleFlipsItsValueOnEachClick) {
    XPButton b;
    b.resize(80, 24);
    b.setButtonType(1);
    b.show();
    QSignalSpy clicks(&b, &XPButton::clicked);
    QTest::mouseClick(&b, Qt::LeftButton);
    EXPECT_TRUE(b.value());
    EXPECT_EQ(b.visualState(), XPButton::State::Pressed);
    QTest::mouseClick(&b, Qt::LeftButton);
    EXPECT_FALSE(b.value());
    EXPECT_EQ(clicks.count(), 2);
}

TEST(XPButton, CaptionChangeRepaintsAtOnce) {
    XPButton b;
    b.resize(90, 24);
    b.setButtonStyle(5);
    b.setCaption(QStringLiteral("录音"));
    b.show();
    const QImage before = render(b);
    b.setCaption(QStringLiteral("停止录音"));
    EXPECT_NE(render(b), before);
    EXPECT_EQ(b.caption(), QStringLiteral("停止录音"));
}

TEST(XPButton, TheWindowsLooksDrawFacesAndHotStates) {
    for (int style : {2, 5, 8, 0, 3, 10}) {
        XPButton b;
        b.resize(60, 30);
        b.setButtonStyle(style);
        b.setCaption(QStringLiteral(" "));
        b.setIcon(QApplication::style()->standardIcon(QStyle::SP_MediaPlay));
        b.setIconSize(24);
        b.show();
        const QImage normal = render(b);
        EXPECT_GT(distinctColours(normal), 2) << "look " << style;
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(&b, &enter);
        EXPECT_EQ(b.visualState(), XPButton::State::Hot);
        EXPECT_NE(render(b), normal) << "look " << style;
    }
}

TEST(XPButton, TooltipCarriesTitleAndText) {
    XPButton b;
    b.setToolTipText(QStringLiteral("播放上一曲"));
    EXPECT_EQ(b.toolTip(), QStringLiteral("播放上一曲"));
    b.setToolTipTitle(QStringLiteral("Lyravox"));
    EXPECT_TRUE(b.toolTip().contains(QStringLiteral("<b>Lyravox</b>")));
    EXPECT_TRUE(b.toolTip().contains(QStringLiteral("播放上一曲")));
}

} // namespace
