#pragma once
// Runs the event loop until a lyric reply has answered (10 s at most).
#include "lyrics/download/lyric_provider.h"

#include <QEventLoop>
#include <QTimer>
#include <memory>
#include <optional>

inline std::optional<LyricAnswer> awaitAnswer(std::unique_ptr<LyricReply> reply) {
    std::optional<LyricAnswer> answer;
    QEventLoop loop;
    QObject::connect(reply.get(), &LyricReply::finished, &loop, [&](const LyricAnswer &a) {
        answer = a;
        loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    return answer;
}
