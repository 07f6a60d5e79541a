#pragma once
// The visualization and level-meter switches as the main window shows them: the visualization
// area, the timer that drives both displays (Timer4), the on/off captions of their menu items
// and the check marks of the visualization styles.
#include "shell/main_window_ui.h"
#include "shell/settings.h"

namespace VisualSwitches {

// Applies VisualOn and ShowLevelMeter: shows or hides the visualization area, starts or stops
// Timer4 and sets the captions of "可视化效果" and "录音音量显示" items.
void apply(const Settings &settings, MainWindowUi &ui);
// Sets the check marks of the ten style items (main menu and the visualization menu) from
// VisualRandom and VisualStyle.
void markStyle(const Settings &settings, MainWindowUi &ui);

} // namespace VisualSwitches
