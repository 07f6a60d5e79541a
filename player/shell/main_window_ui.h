#pragma once
// Every named widget, timer and menu item of the main window frmMain. The main window creates
// them (with these names as object names) and hands this record to its controllers.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>
#include <array>

class XPButton;

struct MainWindowUi {
    QWidget *frmMain = nullptr;

    // Skin face and window chrome.
    QLabel *PicShape = nullptr;
    QLabel *Image3 = nullptr; // minimise
    QLabel *Image4 = nullptr; // close
    QLabel *Image5 = nullptr; // icon, opens the main menu
    QLabel *Label4 = nullptr; // title "Lyravox 1.7.0"
    QLabel *Label5 = nullptr; // hint line
    QLabel *Label6 = nullptr; // "帮助(F1)"
    QLabel *lblKey = nullptr; // the live key, "音调 +2" (empty at the original key)

    // Playlist.
    QGroupBox *Frame1 = nullptr; // caption shows the count
    QListWidget *List1 = nullptr;

    // Playback: video host (MediaPlayer1's area), balance bar and its label.
    QWidget *MediaPlayer1 = nullptr;
    QScrollBar *HScroll1 = nullptr;
    QLabel *Label3 = nullptr;

    // Lyrics: box, editor, time labels, download candidates, graphic modes.
    QTextEdit *RichTextBox1 = nullptr;
    QTextEdit *RichTextBox2 = nullptr;
    QLabel *Label1 = nullptr; // adjusted position
    QLabel *Label2 = nullptr; // offset in ms
    QListWidget *List2 = nullptr;
    QWidget *Picture1 = nullptr;        // lyric area (painter view in mode 1)
    QWidget *Picture7 = nullptr;        // background frame of mode 2
    QLabel *Image6 = nullptr;           // background picture of mode 2
    std::array<QLabel *, 3> Picture6{}; // previous, current and next line strips

    // Cover picture, visualization and level display.
    QWidget *Picture2 = nullptr;
    QLabel *Image2 = nullptr;
    QWidget *Picture5 = nullptr;
    QWidget *Picture3 = nullptr;

    // Switches of the processed copies: vocal removal and key shift.
    QCheckBox *Check2 = nullptr;
    QCheckBox *Check3 = nullptr;

    // Recording frame "录音控制".
    QGroupBox *frmInp = nullptr;
    QLabel *lblDev = nullptr, *lblLine = nullptr, *lblVol = nullptr, *lblVolPer = nullptr;

    // XPButton[1] ... XPButton[25]; index 0 unused.
    std::array<::XPButton *, 26> XPButton{};

    // Timer1 ... Timer10 at their indexes; index 0 unused.
    std::array<QTimer *, 11> Timer{};
    QTimer *TimerEnMp3 = nullptr;
    QTimer *TimerUnEnMp3 = nullptr;

    // Popmnu0 (main menu) and the context menus Popmnu1 ... Popmnu6.
    std::array<QMenu *, 7> Popmnu{};

    // A menu item or context-menu item by its name ("mnuAdd", "PopDelete", ...); null if none.
    QAction *action(const char *name) const {
        return frmMain ? frmMain->findChild<QAction *>(QLatin1String(name)) : nullptr;
    }
    // A submenu by its name ("mnuFile", "mnuView", ...).
    QMenu *menu(const char *name) const {
        return frmMain ? frmMain->findChild<QMenu *>(QLatin1String(name)) : nullptr;
    }
};
