#pragma once
// The settings dialog "设置选项". Every change takes effect at once; the file is written at exit.
#include "shell/app_context.h"
#include "shell/player_preferences.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QScrollBar;
class XPButton;

class FrmSet : public QDialog {
    Q_OBJECT
public:
    FrmSet(AppContext &ctx, QWidget *parent = nullptr);

    // The controls, by their names (arrays for the option groups).
    QCheckBox *Check1, *Check2, *Check3, *Check4, *Check5, *Check6, *Check7, *Check8, *Check9,
        *Check10, *Check11;
    // Vocal removal in the frequency domain, keeping bass and stereo (kept in lyravox.ini).
    QCheckBox *CheckSpectral;
    QComboBox *Combo1, *Combo2, *Combo3;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7;
    QScrollBar *HScroll1;
    std::array<QRadioButton *, 7> Option1{};
    std::array<QRadioButton *, 3> Option2{};
    std::array<QRadioButton *, 2> Option3{};
    std::array<QRadioButton *, 2> Option4{};
    std::array<QRadioButton *, 2> Option5{};
    std::array<QRadioButton *, 3> Option6{};
    XPButton *XPButton1, *XPButton2, *XPButton3, *XPButton4, *XPButton5;

    // "全部恢复默认设置" and "全部设置简单模式".
    void restoreDefaults();
    void simpleMode();
    // "查找图片" and "添加背景图片".
    void findCoverPicture();
    void addBackgroundPictures();
    // Set once the dialog has laid itself out; the skin and mode options act only then.
    bool shown() const { return m_shown; }

Q_SIGNALS:
    void visualOnChanged(bool on);          // show/hide the visualization area
    void visualStyleChanged();              // VisualRandom / VisualStyle
    void lyricDisplayModeChanged(int mode); // 0, 1 or 2
    void skinDefaultRequested();            // built-in skin and FitWindowToSkin
    void skinReplaceRequested();            // the skin find/replace command
    void coverPictureChanged();             // CoverPictureMode or userdefine.pic changed
    void pictureStretchChanged();
    void coverAsLyricBackgroundChanged();
    void backgroundListChanged(); // pictures added to "bkground"
    void levelMeterChanged(bool on);
    void bounceReset();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void showValues();
    void connectHandlers();
    void onCheck4();
    void onCheck6(bool ticked);
    void onCheck7(bool ticked);
    void onCombo3(int index);
    void onOption5(int index);
    void onOption6(int index);
    void applyPreset(bool simple);
    bool userPictureExists() const;

    AppContext &m_ctx;
    PlayerPreferences m_preferences;
    bool m_shown = false;
};
