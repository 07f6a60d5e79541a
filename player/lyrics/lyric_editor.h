#pragma once
// The lyric editor (RichTextBox2 over the lyric box) and the time compensation commands, which
// write the compensation into the text being edited.
#include "shell/app_context.h"
#include "shell/main_window_ui.h"

#include <QObject>
#include <cstdint>

class LyricsController;

class LyricEditor : public QObject {
    Q_OBJECT
public:
    LyricEditor(AppContext &ctx, MainWindowUi &ui, LyricsController &lyrics,
                QObject *parent = nullptr);

    bool editing() const;
    // The edit button shows "修改歌词" again and the editor is hidden.
    void resetEditButton();
    void toggleEditor(); // XPButton5, mnuEditLRC
    // A track switch: the editor closes without saving.
    void leaveEditing();
    void offsetUp();   // mnuOffsetA, XPButton4, keypad +
    void offsetDown(); // mnuOffsetD, XPButton3, keypad -

private:
    void applyOffset(int32_t offsetMs);
    void setEditMenuCaptions(bool editing);

    AppContext &m_ctx;
    MainWindowUi &m_ui;
    LyricsController &m_lyrics;
};
