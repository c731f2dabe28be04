// SPDX-License-Identifier: MIT
#include "TrayStatusIcon.h"

#include "Recorder.h"
#include "RecorderState.h"

#include <QIcon>
#include <QSystemTrayIcon>

void UpdateTrayStatus(QSystemTrayIcon* tray, const Recorder& recorder, bool& blink)
{
    const TrayStatus status = TrayStatusFor(recorder.running(), recorder.state(), blink);
    if (!tray)
        return;
    static const QIcon normal(QStringLiteral(":/icons/tray_normal.svg"));
    static const QIcon recording(QStringLiteral(":/icons/tray_recording.svg"));
    static const QIcon warning(QStringLiteral(":/icons/tray_warning.svg"));
    switch (status.icon) {
    case TrayIconKind::Normal:
        tray->setIcon(normal);
        break;
    case TrayIconKind::Recording:
        tray->setIcon(recording);
        break;
    case TrayIconKind::Warning:
        tray->setIcon(warning);
        break;
    }
    // The tip holds at most 127 characters.
    tray->setToolTip(QString::fromUtf8(status.tip.data(), qsizetype(status.tip.size())).left(127));
}
