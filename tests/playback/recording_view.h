#pragma once
// A PlaybackView that keeps what the controller showed, for tests.
#include "playback/playback_view.h"

#include <QStringList>

class RecordingView : public PlaybackView {
public:
    QString windowCaption() const override { return QStringLiteral("Lyravox 1.7.0"); }
    void setTitleLine(const QString &text, const QString &tip) override {
        title = text;
        titleTip = tip;
    }
    void setHint(const QString &text) override { hint = text; }
    void showVideoLayout(bool v, bool visual) override {
        video = v;
        visualShown = visual;
    }
    void setFullScreenEnabled(bool on) override { fullScreenEnabled = on; }
    void setNavigationEnabled(Command c, bool on) override {
        log << (c == Command::Next ? QStringLiteral("next:") : QStringLiteral("prev:")) +
                   QString::number(on);
    }
    void focusSkin() override { log << QStringLiteral("focus"); }
    void setBalanceText(const QString &t) override { balance = t; }
    void stopLyricTimer() override { log << QStringLiteral("timer1-stop"); }
    void resetLyricDisplay() override { log << QStringLiteral("lyric-reset"); }
    void stopLyricDownloadTimers() override { log << QStringLiteral("download-stop"); }

    QString title, titleTip, hint, balance;
    bool video = false, visualShown = false, fullScreenEnabled = false;
    QStringList log;
};
