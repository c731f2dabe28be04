// SPDX-License-Identifier: MIT
#include "CInitialDlg.h"

#include "AppPaths.h"
#include "MessageBox.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPropertyAnimation>
#include <QScreen>
#include <QSvgRenderer>

namespace {

constexpr int kRequiredWidth = 1024;
constexpr int kRequiredHeight = 768;

QPixmap splashPicture(qreal pixelRatio)
{
    QPixmap pixmap(QSize(CInitialDlg::kWidth, CInitialDlg::kHeight) * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    pixmap.fill(Qt::white);
    QSvgRenderer renderer(QStringLiteral(":/images/splash.svg"));
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter, QRectF(0, 0, CInitialDlg::kWidth, CInitialDlg::kHeight));
    }
    return pixmap;
}

bool makeFolder(const QString& path)
{
    return QDir().mkpath(path);
}

} // namespace

CInitialDlg::CInitialDlg(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(kWidth, kHeight);
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("id1053"));
    m_picture->setGeometry(0, 0, kWidth, kHeight);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CInitialDlg::timerElapsed);
}

bool CInitialDlg::screenTooSmall(QSize screen)
{
    return screen.width() < kRequiredWidth || screen.height() < kRequiredHeight;
}

int CInitialDlg::splashMilliseconds()
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("ZRQ7_SPLASH_MS", &ok);
    return ok && ms >= 0 ? ms : 3000;
}

bool CInitialDlg::initDialog()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->size() : QSize();
    if (screenTooSmall(size)) {
        const QString question =
            QStringLiteral(
                "Uwaga: bieżące rozszerzenie ekranu (%1 x %2).\r\n\nDo komfortowej pracy potrzebne "
                "jest rozszerzenie (%3 x %4).\r\n\nNadal chcesz uruchomić program?")
                .arg(size.width())
                .arg(size.height())
                .arg(kRequiredWidth)
                .arg(kRequiredHeight);
        if (ShowMessage(nullptr, QMessageBox::Warning, QStringLiteral("Błąd"), question,
                        QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
            return false;
    }

    if (screen) {
        const QRect work = screen->availableGeometry();
        move(work.x() + work.width() / 2 - kWidth / 2, work.y() + work.height() / 2 - kHeight / 2);
    }
    setWindowTitle(QStringLiteral("Powitanie"));
    m_picture->setPixmap(splashPicture(screen ? screen->devicePixelRatio() : 1.0));

    if (!makeFolder(SettingsFolderPath())) {
        ShowMessage(nullptr, QMessageBox::Critical, QStringLiteral("Błąd"),
                    QStringLiteral("Nie można utworzyć katalogu ustawień ZRQ-7/8"));
        return false;
    }
    if (!makeFolder(RecordingsFolderPath())) {
        ShowMessage(nullptr, QMessageBox::Critical, QStringLiteral("Błąd"),
                    QStringLiteral("Nie można utworzyć katalogu bazy danych ZRQ-7/8"));
        return false;
    }

    const int splashMs = splashMilliseconds();
    m_timer.start(splashMs);
    auto* fadeIn = new QPropertyAnimation(this, "windowOpacity", this);
    fadeIn->setStartValue(0.0);
    fadeIn->setEndValue(1.0);
    fadeIn->setDuration(std::min(kFadeInMs, splashMs / 2));
    setWindowOpacity(0.0);
    fadeIn->start(QAbstractAnimation::DeleteWhenStopped);
    return true;
}

int CInitialDlg::exec()
{
    m_ended = false;
    if (!initDialog())
        return Rejected;
    raise();
    return QDialog::exec();
}

void CInitialDlg::timerElapsed()
{
    m_timer.stop();
    m_ended = true;
    m_picture->clear();
    QDialog::done(Accepted);
}

void CInitialDlg::keyPressEvent(QKeyEvent* event)
{
    // Enter and Esc must not end the splash early.
    event->accept();
}

void CInitialDlg::closeEvent(QCloseEvent* event)
{
    if (m_ended)
        event->accept();
    else
        event->ignore();
}
