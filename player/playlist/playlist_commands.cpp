#include "playlist/playlist_commands.h"

#include "lyrics/lyric_store.h"
#include "playlist/playlist_file.h"

#include <QDateTime>
#include <QFileInfo>

namespace {
const QString kListFilter = QStringLiteral("列表文件(*.lvx;*.m3u)|*.lvx;*.m3u");
} // namespace

PlaylistCommands::PlaylistCommands(AppContext &ctx, PlaylistModel &model, QObject *parent)
    : QObject(parent), m_ctx(ctx), m_model(model), m_default(ctx.paths) {}

QString PlaylistCommands::addFilter() {
    return QStringLiteral(
        "默认文件(音频和视频)|*.mp3;*.wma;*.wav;*.au;*.snd;*.mid;*.midi;*.rmi;*.mp4;*.avi;*.wmv;"
        "*.mpg;*.mpeg;*.asf;*.wm|"
        "音频文件(*.mp3;*.wma;*.wav;*.au;*.snd;*.mid;*.midi;*.rmi;*.mp4)|*.mp3;*.wma;*.wav;*.au;"
        "*.snd;*.mid;*.midi;*.rmi;*.mp4|"
        "视频文件(*.avi;*.wmv;*.mpg;*.mpeg;*.asf;*.wm)|*.avi;*.wmv;*.mpg;*.mpeg;*.asf;*.wm|"
        "Real文件(*.ra;*.rm;*.rmvb)|*.ra;*.rm;*.rmvb|"
        "影碟文件(*.dat;*.vob)|*.dat;*.vob|"
        "列表文件(*.lvx;*.m3u)|*.lvx;*.m3u|"
        "所有文件(*.*)|*.*");
}

const QStringList &PlaylistCommands::droppableTypes() {
    static const QStringList types = [] {
        QStringList t;
        for (const char *e : {".wav", ".mp3", ".wma",  ".asf",  ".au",   ".avi", ".bmp",  ".dat",
                              ".gif", ".jpg", ".jpeg", ".mid",  ".midi", ".mp4", ".mpeg", ".mpg",
                              ".ra",  ".rm",  ".rmi",  ".rmvb", ".snd",  ".vob", ".wm",   ".wmv"})
            t << QLatin1String(e);
        return t;
    }();
    return types;
}

Dialogs::Answer PlaylistCommands::ask(const QString &text, Dialogs::Icon icon, bool defaultNo) {
    if (!m_ctx.dialogs) return Dialogs::Answer::No;
    Dialogs::Message m;
    m.text = text;
    m.icon = icon;
    m.buttons = Dialogs::Buttons::YesNo;
    m.defaultAnswer = defaultNo ? Dialogs::Answer::No : Dialogs::Answer::Yes;
    return m_ctx.dialogs->message(m);
}

void PlaylistCommands::tell(const QString &text, Dialogs::Icon icon) {
    if (!m_ctx.dialogs) return;
    Dialogs::Message m;
    m.text = text;
    m.icon = icon;
    m_ctx.dialogs->message(m);
}

void PlaylistCommands::LoadDefaultPlaylist(const QString &commandLine, int startIndex) {
    const DefaultPlaylist::Result result = m_default.load(commandLine, startIndex);
    m_model.setItems(result.items);
    if (!m_model.isEmpty()) m_model.select(result.startIndex);
}

void PlaylistCommands::SaveDefaultPlaylist() {
    m_default.save(m_model.items(), m_model.CurrentIndex);
}

bool PlaylistCommands::AppendListFile(const QString &path) {
    if (path.isEmpty()) return false;
    std::optional<PlaylistFile::Contents> contents = PlaylistFile::read(path);
    if (!contents) return false;
    m_model.append(contents->items);
    return true;
}

void PlaylistCommands::addPaths(const QStringList &paths) {
    for (const QString &path : paths) {
        if (PlaylistFile::isListFile(path))
            AppendListFile(path);
        else if (!path.isEmpty())
            m_model.append(path);
    }
}

void PlaylistCommands::loadIfOnlyItem() {
    if (m_model.count() != 1) return;
    m_model.select(0);
    m_model.CurrentIndex = 0;
    Q_EMIT loadTrackRequested();
}

void PlaylistCommands::mnuAdd() {
    QStringList chosen;
    if (!m_model.PendingFile.isEmpty()) {
        const QString pending = m_model.PendingFile;
        m_model.PendingFile.clear();
        if (ask(QStringLiteral("你要添加曲目【") + pending + QStringLiteral("】到播放列表吗?"),
                Dialogs::Icon::Question, false) != Dialogs::Answer::Yes)
            return;
        chosen << pending;
    } else if (m_ctx.dialogs) {
        Dialogs::FileRequest request;
        request.title = QStringLiteral("添加曲目");
        request.filter = addFilter();
        request.multiple = true;
        request.mustExist = true;
        chosen = m_ctx.dialogs->openFiles(request);
    }
    if (chosen.isEmpty()) return;
    addPaths(chosen);
    loadIfOnlyItem();
}

void PlaylistCommands::mnuAdd2() {
    if (!m_ctx.dialogs) return;
    const QString address =
        m_ctx.dialogs
            ->input(QStringLiteral("请输入曲目的地址。\r\n例如：mms://media.example.com/live/news"),
                    QStringLiteral("添加曲目"), QString())
            .trimmed();
    if (address.isEmpty()) return;
    const QString title = m_ctx.dialogs
                              ->input(QStringLiteral("如果此曲目不需要歌词，请输入曲目的标题。"
                                                     "\r\n例如：CCTV-新闻"),
                                      QStringLiteral("曲目标题"), QString())
                              .trimmed();
    m_model.append(address);
    if (!title.isEmpty()) {
        LyricStore(m_ctx.paths.lyricStore()).WriteNoLyricsFile(address, title);
        Q_EMIT noLyricsFileWritten(address);
    }
    loadIfOnlyItem();
}

void PlaylistCommands::dropFiles(const QStringList &files) {
    if (files.isEmpty()) return;
    m_model.PendingFile = files.first();
    const QString lower = m_model.PendingFile.toLower();
    bool media = false;
    for (const QString &type : droppableTypes())
        media = media || lower.endsWith(type);
    if (PlaylistFile::isListFile(lower))
        ImportPlaylist();
    else if (media)
        mnuAdd();
    else
        tell(QStringLiteral("目前无法直接添加此类型文件到列表，如果确定此文件可以播放，"
                            "请到“文件”菜单中添加。"),
             Dialogs::Icon::Critical);
    m_model.PendingFile.clear();
}

void PlaylistCommands::ImportPlaylist() {
    QString file;
    if (PlaylistFile::isListFile(m_model.PendingFile)) {
        const QString pending = m_model.PendingFile;
        m_model.PendingFile.clear();
        if (ask(QStringLiteral("你要导入播放列表“") + pending + QStringLiteral("”吗?"),
                Dialogs::Icon::Question, false) != Dialogs::Answer::Yes)
            return;
        file = pending;
    } else if (m_ctx.dialogs) {
        Dialogs::FileRequest request;
        request.title = QStringLiteral("导入播放列表");
        request.filter = kListFilter;
        request.mustExist = true;
        const QStringList chosen = m_ctx.dialogs->openFiles(request);
        if (!chosen.isEmpty()) file = chosen.first();
    }
    if (file.isEmpty()) return;
    // Read before the old list may be cleared: a list that cannot be read must not cost the
    // user the list they had, nor be reported as imported.
    std::optional<PlaylistFile::Contents> contents = PlaylistFile::read(file);
    if (!contents) {
        tell(QStringLiteral("导入列表失败!"), Dialogs::Icon::None);
        return;
    }
    if (!m_model.isEmpty() && ask(QStringLiteral("你是否要清空以前的列表?"),
                                  Dialogs::Icon::Question, true) == Dialogs::Answer::Yes) {
        m_model.clear();
        m_model.CurrentIndex = -1;
        m_model.LastPicked = 0;
    }
    m_model.append(contents->items);
    m_model.resetPlayedFlags();
    tell(QStringLiteral("导入列表成功!"), Dialogs::Icon::None);
    if (m_model.CurrentIndex < 0 && !m_model.isEmpty()) {
        m_model.select(0);
        m_model.CurrentIndex = 0;
    }
    if (m_model.count() == 1) {
        m_model.select(0);
        m_model.CurrentIndex = 0;
        Q_EMIT loadTrackRequested();
    }
    m_model.resetPlayedFlags();
}

void PlaylistCommands::ExportPlaylist() {
    if (!m_ctx.dialogs) return;
    Dialogs::FileRequest request;
    request.title = QStringLiteral("请选择导出的列表文件的保存位置");
    request.filter = QStringLiteral("列表文件(*.lvx)|*.lvx");
    request.fileName = QStringLiteral("播放列表 - ") +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyMMddHHmmss"));
    request.mustExist = false;
    request.confirmOverwrite = true;
    request.defaultSuffix = QStringLiteral("lvx");
    const QString chosen = m_ctx.dialogs->saveFile(request);
    if (chosen.isEmpty()) return;
    const bool ok = PlaylistFile::write(PlaylistFile::exportName(chosen), m_model.items(),
                                        m_model.CurrentIndex);
    tell(ok ? QStringLiteral("导出列表成功!") : QStringLiteral("导出列表失败!"),
         Dialogs::Icon::None);
}

void PlaylistCommands::mnuDelete() {
    const int selected = m_model.selectedIndex();
    if (selected >= 0 && ask(QStringLiteral("你确定要将曲目“") + m_model.item(selected) +
                                 QStringLiteral("”从播放列表中删除吗?"),
                             Dialogs::Icon::Warning, true) == Dialogs::Answer::Yes) {
        // CurrentIndex keeps naming the loaded track (or the one before a deleted loaded track).
        if (m_model.CurrentIndex >= selected)
            m_model.CurrentIndex = std::max(0, m_model.CurrentIndex - 1);
        m_model.removeAt(selected);
        if (!m_model.isEmpty()) m_model.select(m_model.CurrentIndex);
        m_default.rewrite(m_model.items());
    }
    if (m_model.isEmpty()) {
        m_default.remove();
    } else if (m_model.CurrentIndex < 0) {
        m_model.select(0);
        m_model.CurrentIndex = m_model.selectedIndex();
    }
    m_model.resetPlayedFlags();
    m_model.LastPicked = 0;
}

void PlaylistCommands::mnuDeleteAll() {
    if (!m_model.isEmpty() && ask(QStringLiteral("你确定要将播放列表中的所有曲目全删除吗?"),
                                  Dialogs::Icon::Warning, true) == Dialogs::Answer::Yes) {
        m_default.remove();
        m_model.clear();
        m_model.CurrentIndex = -1;
    }
    m_model.LastPicked = 0;
}

void PlaylistCommands::step(bool down) {
    if (m_model.isEmpty()) {
        mnuAdd();
        return;
    }
    if (Settings::isTrue(m_ctx.settings.RandomPlay)) {
        m_model.PickRandomTrack();
    } else {
        const int selected = m_model.selectedIndex();
        const int last = m_model.count() - 1;
        if (down)
            m_model.select(selected < 0 || selected >= last ? 0 : selected + 1);
        else
            m_model.select(selected > 0 ? selected - 1 : last);
    }
    if (idle() && m_model.selectedIndex() >= 0) {
        m_model.CurrentIndex = m_model.selectedIndex();
        Q_EMIT loadTrackRequested();
    }
}

void PlaylistCommands::mnuListUp() {
    step(false);
}
void PlaylistCommands::mnuListDown() {
    step(true);
}

void PlaylistCommands::listPressed() {
    if (m_model.isEmpty() || !idle() || m_model.selectedIndex() < 0) return;
    m_model.CurrentIndex = m_model.selectedIndex();
    Q_EMIT loadTrackRequested();
}

void PlaylistCommands::RecoverAndReload() {
    Q_EMIT recoveryStarted();
    if (processedCopyOn && processedCopyOn()) {
        tell(QStringLiteral("出现未知错误，程序即将重新装载！"), Dialogs::Icon::Warning);
    } else if (!m_model.CurrentFile.isEmpty()) {
        tell(QStringLiteral("文件 ") + m_model.CurrentFile +
                 QStringLiteral(" 出现未知错误，程序即将重新装载！"),
             Dialogs::Icon::Warning);
        if (ask(QStringLiteral("你要将此项从当前程序播放列表中删除吗?"), Dialogs::Icon::Question,
                true) == Dialogs::Answer::Yes) {
            // CurrentIndex stays and so names the item that followed the failing one.
            m_model.removeAt(m_model.CurrentIndex);
            if (m_model.isEmpty()) m_default.remove();
        } else {
            ++m_model.CurrentIndex;
        }
        if (m_model.CurrentIndex >= m_model.count() || m_model.CurrentIndex < 0)
            m_model.CurrentIndex = 0;
    }
    m_ctx.commandLineConsumed = true;
    m_ctx.Reloading = true;
    if (Settings::isTrue(m_ctx.settings.AutoPlayOnStart))
        tell(QStringLiteral("重新装载后，“程序启动后自动播放曲目”的设置将被取消！"),
             Dialogs::Icon::Warning);
    m_ctx.settings.AutoPlayOnStart = 0;
    if (m_ctx.requestReload) m_ctx.requestReload();
}
