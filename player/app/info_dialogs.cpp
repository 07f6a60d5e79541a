#include "app/info_dialogs.h"

#include "platform/xdg_association.h"
#include "playback/media_player.h"
#include "shell/app_context.h"
#include "shell/file_association.h"
#include "shell/frm_about.h"
#include "shell/frm_file_shell.h"
#include "shell/frm_info.h"
#include "shell/main_window_ui.h"
#include "widgets/xp_button.h"

#include <QCoreApplication>
#include <QDesktopServices>

InfoDialogs::InfoDialogs(AppContext &ctx, MainWindowUi &ui, MediaPlayer &player, QUrl homePage,
                         QObject *parent)
    : QObject(parent), m_ctx(ctx), m_ui(ui), m_player(player), m_homePage(std::move(homePage)) {
    connect(m_ui.action("mnuFileShell"), &QAction::triggered, this, &InfoDialogs::openFileShell);
    connect(m_ui.action("mnuFileInfo"), &QAction::triggered, this, &InfoDialogs::openTrackInfo);
    connect(m_ui.XPButton[22], &XPButton::clicked, this, &InfoDialogs::openTrackInfo);
    connect(m_ui.action("mnuHelpAbout"), &QAction::triggered, this, &InfoDialogs::openAbout);
}

void InfoDialogs::openFileShell() {
    FileAssociation::Session session(XdgAssociation::dataHome(), XdgAssociation::configHome());
    const FileAssociation::Program program{m_ctx.paths.home(),
                                           QCoreApplication::applicationFilePath()};
    FrmFileShell dialog(
        m_ctx.paths, session.checkedNow(),
        [this, &session, &program](const std::vector<bool> &checked) {
            const auto outcome = session.commit(checked, program);
            if (outcome != FileAssociation::Session::Outcome::Done && m_ctx.dialogs)
                m_ctx.dialogs->error(session.message(outcome));
        },
        m_ui.frmMain);
    dialog.exec();
}

void InfoDialogs::openTrackInfo() {
    if (m_player.fileName().isEmpty()) return;
    TrackInfoSource source;
    source.fileName = m_player.fileName();
    source.title = m_player.getMediaInfoString(MediaPlayer::InfoTitle);
    source.author = m_player.getMediaInfoString(MediaPlayer::InfoAuthor);
    source.copyright = m_player.getMediaInfoString(MediaPlayer::InfoCopyright);
    source.description = m_player.getMediaInfoString(MediaPlayer::InfoDescription);
    source.duration = m_player.duration();
    FrmInfo dialog(source, m_ui.frmMain);
    dialog.exec();
}

void InfoDialogs::openAbout() {
    FrmAbout::Hooks hooks;
    MediaPlayer *player = &m_player;
    hooks.toggleDisplayOption = [player] { player->setDisplayOption(!player->displayOption()); };
    hooks.openUrl = [](const QUrl &url) { QDesktopServices::openUrl(url); };
    FrmAbout dialog(*m_ctx.dialogs, m_homePage, std::move(hooks), m_ui.frmMain);
    dialog.exec();
}
