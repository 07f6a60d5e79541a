#include "shell/frm_set.h"

#include "platform/file_names.h"
#include "widgets/xp_button.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QThread>
#include <QVBoxLayout>
#include <cstdio>

namespace {

const int kBitRates[7] = {32, 56, 64, 96, 112, 128, 256};
const int kSampleRates[3] = {32000, 44100, 48000};
const char *const kPictureFilter =
    "图片文件(*.jpg;*.gif;*.bmp)|*.jpg;*.gif;*.bmp;*.jpeg|PICS文件(*.pic)|*.pic|所有文件(*.*)|*.*";

template <typename W> W *named(W *w, const QString &name) {
    w->setObjectName(name);
    return w;
}

QCheckBox *check(const char *name, const char *text) {
    return named(new QCheckBox(QString::fromUtf8(text)), QLatin1String(name));
}

QLabel *label(const char *name, const char *text) {
    return named(new QLabel(QString::fromUtf8(text)), QLatin1String(name));
}

XPButton *button(const char *name, const char *caption) {
    XPButton *b = named(new XPButton, QLatin1String(name));
    b->setButtonStyle(5);
    b->setCaption(QString::fromUtf8(caption));
    b->setMinimumSize(b->sizeHint());
    return b;
}

template <size_t N>
void options(std::array<QRadioButton *, N> &group, const char *name, const QStringList &texts) {
    for (size_t k = 0; k < N; ++k) {
        group[k] = named(new QRadioButton(texts.at(qsizetype(k))), QLatin1String(name));
        group[k]->setProperty("index", int(k));
    }
}

} // namespace

FrmSet::FrmSet(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx) {
    setObjectName(QStringLiteral("frmSet"));
    setWindowTitle(QStringLiteral("设置选项"));
    buildControls();
    showValues();
    connectHandlers();
}

void FrmSet::buildControls() {
    Check1 = check("Check1", "录音时弹出系统声音属性控制窗口");
    Check2 = check("Check2", "自动联网下载");
    Check3 = check("Check3", "自动模糊查找");
    Check4 = check("Check4", "衰减补偿");
    Check5 = check("Check5", "曲目播放结束后录音自动停止");
    Check6 = check("Check6", "打开可视化效果(选择此项则不显示图片)");
    Check7 = check("Check7", "自定义默认显示的封面图片");
    Check8 = check("Check8", "程序启动后自动播放曲目");
    Check9 = check("Check9", "随机播放列表中的曲目");
    Check10 = check("Check10", "播放视频时自动全屏");
    Check11 = check("Check11", "始终以曲目封面图片(非默认)作为歌词背景图片(如果存在)");
    CheckSpectral = check("CheckSpectral", "保留低音和立体声（频域消除）");
    Label1 = label("Label1", "下载歌词等待时间(秒):");
    Label2 = label("Label2", "衰减补偿值大小:");
    Label3 = label("Label3", "最大录音缓存时间:");
    Label4 = label("Label4", "");
    Label5 = label("Label5", "分钟");
    Label6 = label("Label6", "可视化效果选择:");
    Label7 = label("Label7", "注意：如果内存不足，录音缓存时间请不要设置太大！");
    Combo1 = named(new QComboBox, QStringLiteral("Combo1"));
    Combo1->addItems({QStringLiteral("5"), QStringLiteral("10"), QStringLiteral("30")});
    Combo2 = named(new QComboBox, QStringLiteral("Combo2"));
    for (int k = 1; k <= 5; ++k)
        Combo2->addItem(QString::number(k));
    Combo3 = named(new QComboBox, QStringLiteral("Combo3"));
    for (const char *style :
         {"随机[默认]", "波形", "激光", "火焰", "水波", "双线", "数字", "变幻", "交叉", "霓织"})
        Combo3->addItem(QString::fromUtf8(style));
    HScroll1 = named(new QScrollBar(Qt::Horizontal), QStringLiteral("HScroll1"));
    HScroll1->setRange(1, 60);
    QStringList rates;
    for (int r : kBitRates)
        rates << QString::number(r);
    options(Option1, "Option1", rates);
    options(Option2, "Option2",
            {QStringLiteral("32000"), QStringLiteral("44100"), QStringLiteral("48000")});
    options(Option3, "Option3",
            {QStringLiteral("图片按比例显示"), QStringLiteral("图片拉伸铺满显示")});
    options(Option4, "Option4",
            {QStringLiteral("录音缓存时间为用户设置的最大录音缓存时间"),
             QStringLiteral("录音缓存时间为从曲目播放位置到结束的剩余时间")});
    options(Option5, "Option5",
            {QStringLiteral("默认界面"), QStringLiteral("自定义(双击查找替换)")});
    options(
        Option6, "Option6",
        {QStringLiteral("文本框模式"), QStringLiteral("可视化效果"), QStringLiteral("图片背景")});
    XPButton1 = button("XPButton1", "全部恢复默认设置");
    XPButton2 = button("XPButton2", "确   定");
    XPButton3 = button("XPButton3", "查找图片");
    XPButton4 = button("XPButton4", "全部设置简单模式");
    XPButton5 = button("XPButton5", "添加背景图片");

    auto group = [](const char *title) {
        auto *g = new QGroupBox(QString::fromUtf8(title));
        g->setLayout(new QGridLayout);
        return g;
    };
    auto add = [](QGroupBox *g, QWidget *w, int row, int col, int span = 1) {
        static_cast<QGridLayout *>(g->layout())->addWidget(w, row, col, 1, span);
    };
    QGroupBox *lyrics = group("下载歌词设置");
    add(lyrics, Check2, 0, 0);
    add(lyrics, Check3, 0, 1);
    add(lyrics, Label1, 1, 0);
    add(lyrics, Combo1, 1, 1);
    QGroupBox *bitRate = group("MP3编码-比特率(kbit/s)");
    for (size_t k = 0; k < Option1.size(); ++k)
        add(bitRate, Option1[k], 0, int(k));
    QGroupBox *sampleRate = group("MP3编码-采样频率(Hz)");
    for (size_t k = 0; k < Option2.size(); ++k)
        add(sampleRate, Option2[k], 0, int(k));
    QGroupBox *record = group("录音设置");
    add(record, Check1, 0, 0, 4);
    add(record, Label3, 1, 0);
    add(record, HScroll1, 1, 1);
    add(record, Label4, 1, 2);
    add(record, Label5, 1, 3);
    add(record, Label7, 2, 0, 4);
    add(record, Option4[0], 3, 0, 4);
    add(record, Option4[1], 4, 0, 4);
    add(record, Check5, 5, 0, 4);
    QGroupBox *pictures = group("封面图片及可视化效果显示设置");
    add(pictures, Check7, 0, 0);
    add(pictures, XPButton3, 0, 1);
    add(pictures, Option3[0], 1, 0);
    add(pictures, Option3[1], 1, 1);
    add(pictures, Check6, 2, 0, 2);
    add(pictures, Label6, 3, 0);
    add(pictures, Combo3, 3, 1);
    QGroupBox *vocal = group("消减人声设置");
    add(vocal, Check4, 0, 0);
    add(vocal, Label2, 0, 1);
    add(vocal, Combo2, 0, 2);
    add(vocal, CheckSpectral, 1, 0, 3);
    QGroupBox *play = group("播放设置");
    add(play, Check8, 0, 0);
    add(play, Check9, 0, 1);
    add(play, Check10, 0, 2);
    QGroupBox *skin = group("界面皮肤");
    add(skin, Option5[0], 0, 0);
    add(skin, Option5[1], 0, 1);
    QGroupBox *lyricMode = group("歌词显示模式及相关设置");
    add(lyricMode, Option6[0], 0, 0);
    add(lyricMode, Option6[1], 0, 1);
    add(lyricMode, Option6[2], 0, 2);
    add(lyricMode, XPButton5, 0, 3);
    add(lyricMode, Check11, 1, 0, 4);

    auto *grid = new QGridLayout(this);
    grid->addWidget(lyrics, 0, 0);
    grid->addWidget(vocal, 0, 1);
    grid->addWidget(bitRate, 1, 0);
    grid->addWidget(sampleRate, 1, 1);
    grid->addWidget(record, 2, 0);
    grid->addWidget(pictures, 2, 1);
    grid->addWidget(play, 3, 0);
    grid->addWidget(skin, 3, 1);
    grid->addWidget(lyricMode, 4, 0, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(XPButton1);
    buttons->addWidget(XPButton4);
    buttons->addStretch();
    buttons->addWidget(XPButton2);
    grid->addLayout(buttons, 5, 0, 1, 2);
}

bool FrmSet::userPictureExists() const {
    return QFile::exists(m_ctx.paths.file(QStringLiteral("userdefine.pic")));
}

void FrmSet::showValues() {
    Settings &s = m_ctx.settings;
    Check1->setChecked(s.ShowMixerOnRecord != 0);
    Check2->setChecked(s.AutoDownloadLyrics != 0);
    Check3->setChecked(s.AutoFuzzySearch != 0);
    Check3->setEnabled(Check2->isChecked());
    Check5->setChecked(s.StopRecordAtEnd != 0);
    Check6->setChecked(s.VisualOn == 1);
    Label6->setEnabled(Check6->isChecked());
    Combo3->setEnabled(Check6->isChecked());
    Check8->setChecked(s.AutoPlayOnStart != 0);
    Check9->setChecked(s.RandomPlay != 0);
    Check10->setChecked(s.AutoFullScreenVideo != 0);
    Check11->setChecked(s.CoverAsLyricBackground != 0);
    Combo1->setCurrentIndex(Combo1->findText(QString::number(s.DownloadWaitSeconds)));
    for (size_t k = 0; k < Option1.size(); ++k)
        Option1[k]->setChecked(s.Mp3BitRate == kBitRates[k] * 1000);
    for (size_t k = 0; k < Option2.size(); ++k)
        Option2[k]->setChecked(s.Mp3SampleRate == kSampleRates[k]);
    Option3[s.PictureStretch == 1 ? 1 : 0]->setChecked(true);
    Option4[s.RecordBufferMode == 1 ? 1 : 0]->setChecked(true);
    HScroll1->setValue(s.MaxRecordMinutes);
    Label4->setText(QString::number(s.MaxRecordMinutes));
    if (s.VisualRandom >= 1) {
        Combo3->setCurrentIndex(0);
    } else {
        if (s.VisualStyle < 1) s.VisualStyle = 1;
        Combo3->setCurrentIndex(std::min(s.VisualStyle, 9));
    }
    Check4->setChecked(s.VocalCompensation > 0);
    const int magnitude = std::clamp(std::abs(s.VocalCompensation), 1, 5);
    Combo2->setCurrentIndex(magnitude - 1);
    Combo2->setEnabled(Check4->isChecked());
    Label2->setEnabled(Check4->isChecked());
    CheckSpectral->setChecked(m_preferences.spectralVocalRemoval());
    Check7->setChecked(s.CoverPictureMode == 2 && userPictureExists());
    Option5[s.SkinFile.isEmpty() ? 0 : 1]->setChecked(true);
    if (s.LyricDisplayMode >= 0 && s.LyricDisplayMode <= 2)
        Option6[size_t(s.LyricDisplayMode)]->setChecked(true);
    XPButton5->setEnabled(s.LyricDisplayMode == 2);
    Check11->setEnabled(s.LyricDisplayMode == 2);
}

void FrmSet::connectHandlers() {
    Settings &s = m_ctx.settings;
    auto flagOf = [](QCheckBox *box, int32_t Settings::*field, AppContext &ctx, bool boolean) {
        QObject::connect(box, &QCheckBox::toggled, box, [&ctx, field, boolean](bool on) {
            ctx.settings.*field = boolean ? Settings::flag(on) : (on ? 1 : 0);
        });
    };
    flagOf(Check1, &Settings::ShowMixerOnRecord, m_ctx, true);
    flagOf(Check3, &Settings::AutoFuzzySearch, m_ctx, true);
    flagOf(Check8, &Settings::AutoPlayOnStart, m_ctx, false);
    flagOf(Check9, &Settings::RandomPlay, m_ctx, true);
    flagOf(Check10, &Settings::AutoFullScreenVideo, m_ctx, false);
    flagOf(Check5, &Settings::StopRecordAtEnd, m_ctx, false);
    connect(Check2, &QCheckBox::toggled, this, [this, &s](bool on) {
        s.AutoDownloadLyrics = Settings::flag(on);
        Check3->setEnabled(on);
    });
    connect(Combo1, &QComboBox::currentTextChanged, this,
            [&s](const QString &text) { s.DownloadWaitSeconds = text.toInt(); });
    for (size_t k = 0; k < Option1.size(); ++k)
        connect(Option1[k], &QRadioButton::toggled, this, [&s, k](bool on) {
            if (on) s.Mp3BitRate = kBitRates[k] * 1000;
        });
    for (size_t k = 0; k < Option2.size(); ++k)
        connect(Option2[k], &QRadioButton::toggled, this, [&s, k](bool on) {
            if (on) s.Mp3SampleRate = kSampleRates[k];
        });
    connect(HScroll1, &QScrollBar::valueChanged, this, [this, &s](int v) {
        s.MaxRecordMinutes = v;
        Label4->setText(QString::number(v));
    });
    for (size_t k = 0; k < 2; ++k) {
        connect(Option4[k], &QRadioButton::toggled, this, [&s, k](bool on) {
            if (on) s.RecordBufferMode = int32_t(k);
        });
        connect(Option3[k], &QRadioButton::toggled, this, [this, &s, k](bool on) {
            if (!on) return;
            s.PictureStretch = int32_t(k);
            Q_EMIT pictureStretchChanged();
        });
        connect(Option5[k], &QRadioButton::clicked, this, [this, k] { onOption5(int(k)); });
    }
    for (size_t k = 0; k < 3; ++k)
        connect(Option6[k], &QRadioButton::clicked, this, [this, k] { onOption6(int(k)); });
    connect(Check4, &QCheckBox::toggled, this, [this] { onCheck4(); });
    connect(Combo2, &QComboBox::currentIndexChanged, this, [this] { onCheck4(); });
    connect(CheckSpectral, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_preferences.setSpectralVocalRemoval(on))
            std::fprintf(stderr, "lyravox: cannot write %s\n",
                         qPrintable(PlayerPreferences::defaultPath()));
    });
    connect(Check6, &QCheckBox::toggled, this, &FrmSet::onCheck6);
    connect(Check7, &QCheckBox::clicked, this, &FrmSet::onCheck7);
    connect(Combo3, &QComboBox::activated, this, &FrmSet::onCombo3);
    connect(Check11, &QCheckBox::toggled, this, [this, &s](bool on) {
        s.CoverAsLyricBackground = on ? 1 : 0;
        Q_EMIT coverAsLyricBackgroundChanged();
    });
    connect(XPButton1, &XPButton::clicked, this, &FrmSet::restoreDefaults);
    connect(XPButton4, &XPButton::clicked, this, &FrmSet::simpleMode);
    connect(XPButton3, &XPButton::clicked, this, &FrmSet::findCoverPicture);
    connect(XPButton5, &XPButton::clicked, this, &FrmSet::addBackgroundPictures);
    connect(XPButton2, &XPButton::clicked, this, [this] {
        for (XPButton *b : {XPButton1, XPButton2, XPButton3, XPButton4, XPButton5})
            b->setEnabled(false);
        accept();
    });
}

void FrmSet::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    m_shown = true;
}

void FrmSet::onCheck4() {
    const int magnitude = Combo2->currentIndex() + 1;
    const bool on = Check4->isChecked();
    m_ctx.settings.VocalCompensation = on ? magnitude : -magnitude;
    Combo2->setEnabled(on);
    Label2->setEnabled(on);
}

void FrmSet::onCheck6(bool ticked) {
    Settings &s = m_ctx.settings;
    s.VisualOn = ticked ? 1 : 0;
    Label6->setEnabled(ticked);
    Combo3->setEnabled(ticked);
    Q_EMIT visualOnChanged(ticked);
    if (ticked && s.LyricDisplayMode == 1) {
        Option6[2]->setChecked(true);
        onOption6(2);
    }
}

void FrmSet::onCheck7(bool ticked) {
    Settings &s = m_ctx.settings;
    if (ticked) {
        if (userPictureExists()) {
            s.CoverPictureMode = 2;
            Q_EMIT coverPictureChanged();
        } else {
            findCoverPicture();
        }
    } else {
        s.CoverPictureMode = 1;
        Q_EMIT coverPictureChanged();
    }
}

void FrmSet::onCombo3(int index) {
    Settings &s = m_ctx.settings;
    if (index == 0) {
        if (s.VisualStyle < 1) s.VisualStyle = 1;
        s.VisualRandom = s.VisualStyle;
    } else {
        s.VisualRandom = 0;
        s.VisualStyle = index;
    }
    Q_EMIT visualStyleChanged();
}

void FrmSet::onOption5(int index) {
    if (!m_shown) return;
    if (index == 0) {
        m_ctx.settings.SkinFile.clear();
        Q_EMIT skinDefaultRequested();
    } else {
        Q_EMIT skinReplaceRequested();
    }
}

void FrmSet::onOption6(int index) {
    if (!m_shown) return;
    m_ctx.settings.LyricDisplayMode = index;
    XPButton5->setEnabled(index == 2);
    Check11->setEnabled(index == 2);
    if (index == 1 && Check6->isChecked())
        Check6->setChecked(false); // its handler switches the visualization off
    Q_EMIT lyricDisplayModeChanged(index);
}

void FrmSet::findCoverPicture() {
    Dialogs &dialogs = *m_ctx.dialogs;
    dialogs.message(
        {QStringLiteral("默认图片将以拉伸方式显示，建议选择图片的宽高尺寸最好为4:3的比例。"),
         QStringLiteral("提示"), Dialogs::Icon::Information, Dialogs::Buttons::Ok,
         Dialogs::Answer::Ok});
    Dialogs::FileRequest request;
    request.title = QStringLiteral("查找/替换默认图片");
    request.filter = QString::fromUtf8(kPictureFilter);
    const QStringList chosen = dialogs.openFiles(request);
    const QString target = m_ctx.paths.file(QStringLiteral("userdefine.pic"));
    if (!chosen.isEmpty()) {
        const QString source = chosen.first();
        if (QFileInfo(source).absoluteFilePath() != QFileInfo(target).absoluteFilePath() &&
            !FileNames::replaceFile(source, target))
            dialogs.error(QStringLiteral("无法复制图片文件“") + source + QStringLiteral("”。"));
        if (userPictureExists()) {
            if (!Check7->isChecked()) {
                Check7->setChecked(true);
                onCheck7(true);
            } else {
                m_ctx.settings.CoverPictureMode = 2;
                Q_EMIT coverPictureChanged();
            }
        }
    }
    if (!userPictureExists()) {
        m_ctx.settings.CoverPictureMode = 1;
        Check7->setChecked(false);
    }
}

void FrmSet::addBackgroundPictures() {
    Dialogs &dialogs = *m_ctx.dialogs;
    Dialogs::FileRequest request;
    request.title = QStringLiteral("添加歌词显示背景图片");
    request.filter = QString::fromUtf8(kPictureFilter);
    request.multiple = true;
    const QStringList chosen = dialogs.openFiles(request);
    if (chosen.isEmpty()) return;
    const QString folder = m_ctx.paths.file(QStringLiteral("bkground"));
    QDir().mkpath(folder);
    const QString prefix =
        QDateTime::currentDateTime().toString(QStringLiteral("yyMMddHHmmss")) + QLatin1Char('_');
    QStringList failed;
    for (const QString &file : chosen) {
        const QString name =
            FileNames::tail(QFileInfo(file).fileName(), 200, FileNames::kMaxBytes - prefix.size());
        // Two pictures of one name added in the same second keep both.
        const QString target = FileNames::unusedName(folder, prefix + name);
        if (!FileNames::replaceFile(file, target)) failed << file;
    }
    if (failed.size() < chosen.size())
        dialogs.info(QStringLiteral("歌词显示背景图片已经成功添加至【") + folder +
                     QStringLiteral("/】中！"));
    if (!failed.isEmpty())
        dialogs.error(QStringLiteral("以下图片无法添加：\n") + failed.join(QLatin1Char('\n')));
    Q_EMIT backgroundListChanged();
    const int count = int(QDir(folder).entryList(QDir::Files).size());
    dialogs.info(QStringLiteral("目前共有 ") + QString::number(count) +
                 QStringLiteral(" 个背景文件。"));
}

void FrmSet::restoreDefaults() {
    applyPreset(false);
}
void FrmSet::simpleMode() {
    applyPreset(true);
}

void FrmSet::applyPreset(bool simple) {
    Settings &s = m_ctx.settings;
    s.ShowLevelMeter = simple ? 0 : 1;
    Q_EMIT levelMeterChanged(!simple);
    Check1->setChecked(!simple);
    Check2->setChecked(!simple);
    if (!simple) Check3->setChecked(true);
    Option1[5]->setChecked(true);
    Option2[1]->setChecked(true);
    Combo1->setCurrentIndex(1);
    Option3[1]->setChecked(true);
    s.PictureStretch = 1;
    Check4->setChecked(true);
    Combo2->setCurrentIndex(2);
    onCheck4();
    HScroll1->setValue(simple ? 5 : 10);
    Option4[1]->setChecked(true);
    Check5->setChecked(true);
    s.StopRecordAtEnd = 1;
    s.RecordBufferMode = 1;
    Check7->setChecked(false);
    onCheck7(false);
    Check6->setChecked(false);
    s.VisualOn = 0;
    Combo3->setCurrentIndex(0);
    s.VisualStyle = 1;
    s.VisualRandom = 1;
    Check8->setChecked(!simple);
    s.AutoPlayOnStart = simple ? 0 : 1;
    Check9->setChecked(false);
    s.RandomPlay = 0;
    Check10->setChecked(false);
    s.AutoFullScreenVideo = 0;
    Check11->setChecked(false);
    s.CoverAsLyricBackground = 0;
    Option5[0]->setChecked(true);
    s.SkinFile.clear();
    const int mode = simple ? 0 : 2;
    Option6[size_t(mode)]->setChecked(true);
    s.LyricDisplayMode = mode;
    XPButton5->setEnabled(mode == 2);
    Check11->setEnabled(mode == 2);
    Q_EMIT lyricDisplayModeChanged(mode);
    Q_EMIT bounceReset();
    Q_EMIT skinDefaultRequested();
}
