// SPDX-License-Identifier: MIT
// A connected pair of pseudo-terminals made by socat, for a master and a
// peer slave (or two programs) that each open "a serial port".
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace zrq7::test {

class SocatPair
{
public:
    // Links "a" and "b" in a private temporary folder.
    SocatPair();
    // Links at the given paths, e.g. $ZRQ7_PORTS/COM3 and a temp path for the peer.
    SocatPair(QString linkA, QString linkB);
    ~SocatPair();
    SocatPair(const SocatPair&) = delete;
    SocatPair& operator=(const SocatPair&) = delete;

    // Starts socat and waits until both links exist. False (errorString()) otherwise.
    bool start(int timeoutMs = 5000);
    void stop();

    QString endA() const { return m_linkA; }
    QString endB() const { return m_linkB; }
    QString errorString() const { return m_error; }

private:
    QTemporaryDir m_dir;
    QString m_linkA;
    QString m_linkB;
    QProcess m_process;
    QString m_error;
};

} // namespace zrq7::test
