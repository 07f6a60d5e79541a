#include "app/main_window_layout.h"

#include "shell/main_window_ui.h"
#include "widgets/xp_button.h"

#include <QApplication>
#include <QStyle>

namespace {

template <typename W> W *make(QWidget *parent, const char *name, QRect geometry) {
    W *w = new W(parent);
    w->setObjectName(QLatin1String(name));
    w->setGeometry(geometry);
    return w;
}

QLabel *label(QWidget *parent, const char *name, QRect geometry, const QString &text,
              const QColor &color = QColor(200, 215, 255)) {
    QLabel *l = make<QLabel>(parent, name, geometry);
    l->setText(text);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, color);
    l->setPalette(pal);
    return l;
}

struct ButtonSpec {
    int index;
    QRect geometry;
    QStyle::StandardPixmap icon;
    const char *caption; // null: a single blank and the icon alone
};

// Look 8 draws no face, so the icon stands on the dark skin: dark strokes become light.
QIcon onDarkSkin(const QIcon &icon, int size) {
    QImage img = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = row[x];
            if (qAlpha(p) > 0 && qGray(p) < 120) row[x] = qRgba(225, 232, 255, qAlpha(p));
        }
    }
    return QIcon(QPixmap::fromImage(img));
}

} // namespace

void buildMainWindowWidgets(QWidget *w, MainWindowUi &ui) {
    ui.frmMain = w;
    ui.PicShape = make<QLabel>(w, "PicShape", QRect(0, 0, kSkinWidth, kSkinHeight));
    ui.PicShape->setScaledContents(false);

    // Title bar.
    QStyle *style = QApplication::style();
    ui.Image5 = make<QLabel>(w, "Image5", QRect(12, 5, 18, 18));
    ui.Image5->setPixmap(style->standardIcon(QStyle::SP_MediaVolume).pixmap(16, 16));
    ui.Label4 = label(w, "Label4", QRect(36, 4, 300, 20), QString(), Qt::white);
    QFont titleFont = ui.Label4->font();
    titleFont.setBold(true);
    ui.Label4->setFont(titleFont);
    ui.Label6 = label(w, "Label6", QRect(520, 5, 70, 18), QStringLiteral("帮助(F1)"));
    // Between the title and the help link, where every skin keeps its title bar.
    ui.lblKey = label(w, "lblKey", QRect(440, 5, 72, 18), QString(), Qt::white);
    ui.Label6->setToolTip(QStringLiteral("帮助"));
    ui.Image3 = make<QLabel>(w, "Image3", QRect(600, 5, 18, 18));
    ui.Image3->setPixmap(style->standardIcon(QStyle::SP_TitleBarMinButton).pixmap(16, 16));
    ui.Image3->setToolTip(QStringLiteral("最小化"));
    ui.Image4 = make<QLabel>(w, "Image4", QRect(624, 5, 18, 18));
    ui.Image4->setPixmap(style->standardIcon(QStyle::SP_TitleBarCloseButton).pixmap(16, 16));
    ui.Image4->setToolTip(QStringLiteral("关闭程序"));

    // Left column: video, cover picture and visualization share one place.
    const QRect picture(24, 32, 288, 288);
    ui.Picture2 = make<QWidget>(w, "Picture2", picture);
    ui.Image2 = make<QLabel>(ui.Picture2, "Image2", QRect(0, 0, 288, 288));
    ui.Image2->setAlignment(Qt::AlignCenter);
    ui.Picture5 = make<QWidget>(w, "Picture5", picture);
    ui.Picture5->hide();
    ui.MediaPlayer1 = make<QWidget>(w, "MediaPlayer1", picture);
    ui.MediaPlayer1->hide();
    ui.HScroll1 = make<QScrollBar>(w, "HScroll1", QRect(24, 326, 230, 16));
    ui.HScroll1->setOrientation(Qt::Horizontal);
    ui.Label3 = label(w, "Label3", QRect(260, 325, 60, 18), QString());
    ui.Picture3 = make<QWidget>(w, "Picture3", QRect(24, 346, 288, 14));
    ui.frmInp = make<QGroupBox>(w, "frmInp", QRect(24, 364, 288, 60));
    ui.frmInp->setTitle(QStringLiteral("录音控制"));
    ui.lblDev = label(ui.frmInp, "lblDev", QRect(8, 18, 272, 16), QString());
    ui.lblLine = label(ui.frmInp, "lblLine", QRect(8, 36, 150, 16), QString());
    ui.lblVol = label(ui.frmInp, "lblVol", QRect(160, 36, 70, 16), QString());
    ui.lblVolPer = label(ui.frmInp, "lblVolPer", QRect(232, 36, 48, 16), QString());

    // Right column: the lyric areas share one place.
    const QRect lyrics(324, 32, 312, 240);
    ui.RichTextBox1 = make<QTextEdit>(w, "RichTextBox1", lyrics);
    ui.RichTextBox1->setReadOnly(true);
    ui.RichTextBox2 = make<QTextEdit>(w, "RichTextBox2", lyrics);
    ui.RichTextBox2->hide();
    ui.List2 = make<QListWidget>(w, "List2", lyrics);
    ui.List2->hide();
    ui.Picture1 = make<QWidget>(w, "Picture1", lyrics);
    ui.Picture1->hide();
    ui.Picture7 = make<QWidget>(w, "Picture7", lyrics);
    ui.Picture7->hide();
    ui.Image6 = make<QLabel>(ui.Picture7, "Image6", QRect(0, 0, lyrics.width(), lyrics.height()));
    ui.Image6->setScaledContents(true);
    const int stripTop[3] = {20, 100, 190};
    const int stripHeight[3] = {28, 40, 28};
    for (int k = 0; k < 3; ++k) {
        QLabel *strip = make<QLabel>(ui.Picture7, "Picture6",
                                     QRect(0, stripTop[k], lyrics.width(), stripHeight[k]));
        strip->setProperty("index", k);
        ui.Picture6[size_t(k)] = strip;
    }
    ui.Label1 = label(w, "Label1", QRect(324, 276, 100, 16), QStringLiteral("0"));
    ui.Label2 = label(w, "Label2", QRect(430, 276, 100, 16), QStringLiteral("0"));

    ui.Frame1 = make<QGroupBox>(w, "Frame1", QRect(324, 296, 312, 164));
    ui.List1 = make<QListWidget>(ui.Frame1, "List1", QRect(6, 18, 300, 140));
    for (QGroupBox *frame : {ui.Frame1, ui.frmInp}) {
        // The frames sit on the dark skin: light captions.
        QPalette pal = frame->palette();
        pal.setColor(QPalette::WindowText, QColor(200, 215, 255));
        frame->setPalette(pal);
    }

    // The processed-copy switches at the right of the bottom row.
    ui.Check2 = make<QCheckBox>(w, "Check2", QRect(310, 498, 166, 18));
    ui.Check2->setText(QStringLiteral("消减原唱歌曲中的人声"));
    ui.Check3 = make<QCheckBox>(w, "Check3", QRect(478, 498, 158, 18));
    ui.Check3->setText(QStringLiteral("改变当前曲目的音调"));
    // They keep the system's text colour: their background is the button face (light on hover).

    // Buttons: transport row under the picture, command row at the bottom.
    const ButtonSpec buttons[] = {
        {1, QRect(24, 430, 30, 30), QStyle::SP_MediaSkipBackward, nullptr},
        {12, QRect(58, 430, 30, 30), QStyle::SP_MediaPlay, nullptr},
        {18, QRect(92, 430, 30, 30), QStyle::SP_MediaPause, nullptr},
        {13, QRect(126, 430, 30, 30), QStyle::SP_MediaStop, nullptr},
        {2, QRect(160, 430, 30, 30), QStyle::SP_MediaSkipForward, nullptr},
        {24, QRect(194, 430, 30, 30), QStyle::SP_TitleBarMaxButton, nullptr},
        {9, QRect(324, 464, 30, 30), QStyle::SP_FileDialogNewFolder, nullptr},
        {14, QRect(358, 464, 30, 30), QStyle::SP_TrashIcon, nullptr},
        {10, QRect(392, 464, 30, 30), QStyle::SP_ArrowUp, nullptr},
        {11, QRect(426, 464, 30, 30), QStyle::SP_ArrowDown, nullptr},
        {16, QRect(460, 464, 30, 30), QStyle::SP_FileDialogDetailedView, nullptr},
        {17, QRect(494, 464, 30, 30), QStyle::SP_MediaVolume, nullptr},
        {15, QRect(528, 464, 30, 30), QStyle::SP_DriveNetIcon, nullptr},
        {25, QRect(562, 464, 30, 30), QStyle::SP_FileDialogContentsView, nullptr},
        {22, QRect(228, 430, 30, 30), QStyle::SP_FileDialogInfoView, nullptr},
        {23, QRect(262, 430, 30, 30), QStyle::SP_DesktopIcon, nullptr},
        {3, QRect(24, 470, 26, 24), QStyle::SP_ArrowLeft, nullptr},
        {4, QRect(52, 470, 26, 24), QStyle::SP_ArrowRight, nullptr},
        {19, QRect(80, 470, 26, 24), QStyle::SP_BrowserReload, nullptr},
        {20, QRect(108, 470, 26, 24), QStyle::SP_ToolBarHorizontalExtensionButton, nullptr},
        {21, QRect(136, 470, 26, 24), QStyle::SP_TitleBarMaxButton, nullptr},
        {5, QRect(166, 470, 64, 24), QStyle::SP_CustomBase, "修改歌词"},
        {6, QRect(234, 470, 48, 24), QStyle::SP_CustomBase, "录音"},
        {7, QRect(286, 470, 48, 24), QStyle::SP_CustomBase, "回放"},
        {8, QRect(596, 464, 40, 30), QStyle::SP_CustomBase, " 停 止 "},
    };
    for (const ButtonSpec &b : buttons) {
        const QByteArray name = "XPButton" + QByteArray::number(b.index);
        XPButton *button = make<XPButton>(w, name.constData(), b.geometry);
        const bool wide = b.index >= 9 && b.index <= 18;
        const bool lookTwo =
            b.index == 1 || b.index == 2 || b.index == 22 || b.index == 23 || b.index == 24;
        button->setButtonStyle(lookTwo ? 2 : 8);
        button->setIconSize(wide ? 24 : 16);
        button->setIconAlign(0);
        button->setCaption(b.caption ? QString::fromUtf8(b.caption) : QStringLiteral(" "));
        if (b.icon != QStyle::SP_CustomBase)
            button->setIcon(lookTwo ? style->standardIcon(b.icon)
                                    : onDarkSkin(style->standardIcon(b.icon), wide ? 24 : 16));
        button->setEnabled(false); // FinishStartup enables them
        ui.XPButton[size_t(b.index)] = button;
    }

    // The hint line shares the bottom row with the processed-copy switches.
    ui.Label5 = label(w, "Label5", QRect(24, 498, 282, 18), QString());

    // Timers: all start disabled; the one-shot ones stop themselves in their first tick.
    const int intervals[11] = {0, 50, 1000, 1000, 50, 50, 1000, 1, 1, 1000, 50};
    const bool oneShot[11] = {false, false, false, true,  false, false,
                              true,  true,  true,  false, true};
    for (int k = 1; k <= 10; ++k) {
        QTimer *t = new QTimer(w);
        t->setObjectName(QStringLiteral("Timer%1").arg(k));
        t->setInterval(intervals[k]);
        t->setSingleShot(oneShot[k]);
        ui.Timer[size_t(k)] = t;
    }
    ui.TimerEnMp3 = new QTimer(w);
    ui.TimerEnMp3->setObjectName(QStringLiteral("TimerEnMp3"));
    ui.TimerEnMp3->setInterval(1000);
    ui.TimerUnEnMp3 = new QTimer(w);
    ui.TimerUnEnMp3->setObjectName(QStringLiteral("TimerUnEnMp3"));
    ui.TimerUnEnMp3->setInterval(1000);
}
