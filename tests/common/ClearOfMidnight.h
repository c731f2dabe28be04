// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>
#include <QTest>
#include <chrono>

// A test that reads today's day file, or compares times of day, must not run
// across midnight: there the recorder moves on to the next day's file. Called
// before such a test, with the longest it may take: when midnight is nearer than
// that, waits until it has passed. (Recorder tests that cross midnight on purpose
// start the recorder's clock just before it instead.)
inline void waitUntilClearOfMidnight(std::chrono::seconds longest)
{
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 left = now.secsTo(QDateTime(now.date().addDays(1), QTime(0, 0)));
    if (left >= longest.count())
        return;
    qInfo("waiting %lld s for midnight to pass", static_cast<long long>(left));
    QTest::qWait(static_cast<int>((left + 2) * 1000));
}
