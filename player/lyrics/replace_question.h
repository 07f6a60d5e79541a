#pragma once
// The question asked before lyrics replace the track's stored lyric file.
#include "platform/dialogs.h"

#include <QString>

inline Dialogs::Message replaceStoredLyricsQuestion() {
    Dialogs::Message question;
    question.text = QStringLiteral("你要保存当前的歌词文件来替换原来的歌词文件吗?");
    question.icon = Dialogs::Icon::Warning;
    question.buttons = Dialogs::Buttons::YesNo;
    question.defaultAnswer = Dialogs::Answer::Yes;
    return question;
}
