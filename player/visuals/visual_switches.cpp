#include "visuals/visual_switches.h"

namespace VisualSwitches {

namespace {
void setText(MainWindowUi &ui, const char *name, const QString &text) {
    if (QAction *a = ui.action(name)) a->setText(text);
}
} // namespace

void apply(const Settings &s, MainWindowUi &ui) {
    const bool visual = s.VisualOn == 1;
    if (s.ShowLevelMeter == 1 || visual)
        ui.Timer[4]->start();
    else
        ui.Timer[4]->stop();
    if (ui.Picture5) ui.Picture5->setVisible(visual);
    const QString meter = s.ShowLevelMeter != 0 ? QStringLiteral("关闭录音音量显示")
                                                : QStringLiteral("打开录音音量显示");
    setText(ui, "mnuShowVolumeB", meter + QStringLiteral("(&M)"));
    setText(ui, "PopShowVolumeB", meter);
    const QString show =
        visual ? QStringLiteral("关闭可视化效果") : QStringLiteral("打开可视化效果");
    setText(ui, "mnuShowVisualS", show + QStringLiteral("(&E)"));
    setText(ui, "PopShowVisualS2", show);
    setText(ui, "PopShowVisualS", show);
}

void markStyle(const Settings &s, MainWindowUi &ui) {
    const int checked = s.VisualRandom >= 1 ? 0 : s.VisualStyle;
    for (int k = 0; k <= 9; ++k) {
        for (const char *prefix : {"mnuSelVisual", "PopSelVisual"}) {
            const QByteArray name = prefix + QByteArray::number(k);
            if (QAction *a = ui.action(name.constData())) {
                a->setCheckable(true);
                a->setChecked(k == checked);
            }
        }
    }
}

} // namespace VisualSwitches
