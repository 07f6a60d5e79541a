#pragma once
// The commands of the association, track information and about dialogs: "文件关联(&C)",
// "当前加载曲目属性(&P)" (and XPButton22), "关于(&A) ...". Each dialog is modal over the main
// window and built anew for every opening.
#include <QObject>
#include <QUrl>

struct AppContext;
struct MainWindowUi;
class MediaPlayer;

class InfoDialogs : public QObject {
    Q_OBJECT
public:
    InfoDialogs(AppContext &ctx, MainWindowUi &ui, MediaPlayer &player, QUrl homePage,
                QObject *parent = nullptr);

    void openFileShell();
    // Does nothing while no media is open.
    void openTrackInfo();
    void openAbout();

private:
    AppContext &m_ctx;
    MainWindowUi &m_ui;
    MediaPlayer &m_player;
    QUrl m_homePage;
};
