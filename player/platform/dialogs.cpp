#include "platform/dialogs.h"

void Dialogs::info(const QString &text, const QString &title) {
    message({text, title, Icon::Information, Buttons::Ok, Answer::Ok});
}

void Dialogs::warning(const QString &text, const QString &title) {
    message({text, title, Icon::Warning, Buttons::Ok, Answer::Ok});
}

void Dialogs::error(const QString &text, const QString &title) {
    message({text, title, Icon::Critical, Buttons::Ok, Answer::Ok});
}

bool Dialogs::ask(const QString &text, const QString &title, bool defaultNo) {
    return message({text, title, Icon::Question, Buttons::YesNo,
                    defaultNo ? Answer::No : Answer::Yes}) == Answer::Yes;
}

QString Dialogs::applicationCaption() {
    return applicationTitle() + QLatin1Char(' ') + QStringLiteral(LYRAVOX_VERSION);
}
