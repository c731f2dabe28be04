// SPDX-License-Identifier: MIT
#include "PanelTestCase.h"

#include "CCPL_ZRQ7Dlg.h"
#include "RelayUnderTest.h"
#include "ZRQ7DLL.h"

#include <QAbstractButton>
#include <QtTest>

namespace zrq7::e2e {

QAbstractButton* button(const QWidget& window, int id)
{
    return window.findChild<QAbstractButton*>(QStringLiteral("id%1").arg(id));
}

void clickConnect(CCPL_ZRQ7Dlg& window)
{
    QTest::mouseClick(button(window, 1084), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isConnecting(), 20000);
}

bool linkOpen()
{
    return COM_IsOpen() == 1 || TCP_IsOpen() == 1;
}

void PanelTestCase::initTestCase()
{
    qputenv("ZRQ7_MESSAGE_LOG", m_dir.filePath(QStringLiteral("messages.log")).toUtf8());
}

void PanelTestCase::init()
{
    takeMessages();
}

void PanelTestCase::cleanup()
{
    QVERIFY2(!linkOpen(), "a test left the link open");
}

} // namespace zrq7::e2e
