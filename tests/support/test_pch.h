// Headers most Qt test programs include, precompiled once per build tree (GCC) and reused by
// every one of them. Only headers whose meaning does not depend on a test's own definitions
// belong here: QtTest checks QT_TESTCASE_BUILDDIR, which differs per test, so it stays out.
#pragma once
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QObject>
#include <QPainter>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
