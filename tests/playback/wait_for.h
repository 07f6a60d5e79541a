#pragma once
// Runs the event loop until `done` holds or `ms` pass; real media need more than QTest's 5 s.
#include <QTest>

template <typename F> bool waitFor(F done, int ms = 8000) {
    return QTest::qWaitFor(done, ms);
}
