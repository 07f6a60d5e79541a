#include "shell/file_association.h"

#include "platform/xdg_association.h"

namespace FileAssociation {

namespace {

const QString kBackup = QStringLiteral("Lv_Backup");

QString dotted(const QString &ext) {
    return QLatin1Char('.') + ext;
}

QString quoted(const QString &text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

const QStringList &captions() {
    static const QStringList list = {
        QStringLiteral(".m3u"),  QStringLiteral(".wav"),  QStringLiteral(".mp3"),
        QStringLiteral(".wma"),  QStringLiteral(".asf"),  QStringLiteral(".au"),
        QStringLiteral(".avi"),  QStringLiteral(".dat"),  QStringLiteral(".vob"),
        QStringLiteral(".mid"),  QStringLiteral(".midi"), QStringLiteral(".mp4"),
        QStringLiteral(".mpeg"), QStringLiteral(".mpg"),  QStringLiteral(".wmv"),
        QStringLiteral(".ra"),   QStringLiteral(".rm"),   QStringLiteral(".rmvb"),
        QStringLiteral(".rmi"),  QStringLiteral(".snd"),  QStringLiteral(".wm")};
    return list;
}

bool isAssociated(const FileClassRegistry &registry, const QString &ext) {
    return registry.getString(dotted(ext), QString()) == QStringLiteral("Lv.") + ext;
}

void associate(FileClassRegistry &registry, const QString &ext, const Program &program) {
    const QString cls = QStringLiteral("Lv.") + ext;
    const QString old = registry.getString(dotted(ext), QString());
    if (!old.isEmpty() && old != cls) registry.setString(dotted(ext), kBackup, old);
    const bool playlist = ext == QStringLiteral("m3u");
    const QString icon = cls + QStringLiteral("\\DefaultIcon");
    const QString open = cls + QStringLiteral("\\Shell\\Open\\Command");
    const QString verb = cls + QStringLiteral("\\Shell\\PlayList");
    const QString verbCommand = verb + QStringLiteral("\\Command");
    for (const QString &key : {dotted(ext), cls, icon, open})
        registry.createKey(key);
    if (!playlist) registry.createKey(verbCommand);
    registry.setString(dotted(ext), QString(), cls);
    registry.setString(cls, QString(), ext.toUpper() + QStringLiteral(" 文件"));
    registry.setString(icon, QString(),
                       program.homeFolder + (playlist ? QStringLiteral("/res/lvx.ico,0")
                                                      : QStringLiteral("/res/Default.ico,0")));
    registry.setString(open, QString(),
                       quoted(program.programPath) + QLatin1Char(' ') +
                           quoted(QStringLiteral("%1")));
    if (playlist) return;
    registry.setString(verb, QString(), QStringLiteral("添加到 Lyravox 列表(&A)"));
    registry.setString(verbCommand, QString(),
                       quoted(program.programPath) + QStringLiteral(" /a ") +
                           quoted(QStringLiteral("%1")));
}

void dissociate(FileClassRegistry &registry, const QString &ext) {
    if (!isAssociated(registry, ext)) return;
    registry.setString(dotted(ext), QString(), registry.getString(dotted(ext), kBackup));
}

void applyChoices(FileClassRegistry &registry, const std::vector<bool> &checked,
                  const Program &program) {
    const QStringList &exts = captions();
    for (qsizetype i = 0; i < exts.size() && size_t(i) < checked.size(); ++i) {
        const QString ext = exts.at(i).mid(1);
        if (checked[size_t(i)])
            associate(registry, ext, program);
        else
            dissociate(registry, ext);
    }
}

Session::Session(QString dataHome, QString configHome)
    : m_data(std::move(dataHome)), m_config(std::move(configHome)),
      m_registry(m_config + QStringLiteral("/lyravox/file-classes.json")) {
    m_readable = XdgAssociation::readDesktopDefaults(m_registry, m_data, m_config);
}

std::vector<bool> Session::checkedNow() const {
    std::vector<bool> checked;
    for (const QString &caption : captions())
        checked.push_back(isAssociated(m_registry, caption.mid(1)));
    return checked;
}

Session::Outcome Session::commit(const std::vector<bool> &checked, const Program &program) {
    if (!m_readable || !XdgAssociation::userDefaultsReadable(m_config)) return Outcome::Unreadable;
    applyChoices(m_registry, checked, program);
    const bool saved = m_registry.save();
    if (!XdgAssociation::apply(m_registry, program.programPath, m_data, m_config))
        return XdgAssociation::userDefaultsReadable(m_config) ? Outcome::NotWritten
                                                              : Outcome::Unreadable;
    return saved ? Outcome::Done : Outcome::NotWritten;
}

QString Session::message(Outcome outcome) const {
    const QString file = XdgAssociation::mimeApplicationsFile(m_config);
    switch (outcome) {
    case Outcome::Done:
        break;
    case Outcome::Unreadable:
        return QStringLiteral("无法读取默认应用程序设置文件“") + file +
               QStringLiteral(
                   "”，文件关联没有更改。\n请检查该文件的权限和编码（须为 UTF-8）后重试。");
    case Outcome::NotWritten:
        return QStringLiteral("无法保存文件关联设置，请检查文件夹“") + m_config +
               QStringLiteral("”是否可以写入。");
    }
    return QString();
}

} // namespace FileAssociation
