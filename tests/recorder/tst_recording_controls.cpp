// SPDX-License-Identifier: MIT
// The recorder window's recording controls: the buttons by the state table as
// the operator presses them, the interval edit's bounds and the settings they
// write, and the window only hiding when closed.
#include "CCPL_ZRQ7App.h"
#include "CDataDlg.h"
#include "MeasurementSnapshot.h"
#include "Recorder.h"
#include "RecorderState.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

class tst_RecordingControls : public QObject
{
    Q_OBJECT

    static QAbstractButton* button(QWidget& window, int id)
    {
        return window.findChild<QAbstractButton*>(QStringLiteral("id%1").arg(id));
    }
    static QString enabled(QWidget& window)
    {
        QString states;
        for (int id : {1175, 1004, 1007})
            states += button(window, id)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return states;
    }

private slots:
    void init() { ResetSettings(theApp().settings); }

    void buttonsFollowTheState()
    {
        MeasurementSnapshot snapshot;
        snapshot.SetMeasurement(3, 7);
        CDataDlg window(snapshot);
        QCOMPARE(snapshot.GetMeasurement(3), 0); // the window clears the value store
        QVERIFY(window.StartRecorder());
        window.show();
        QCOMPARE(enabled(window), QStringLiteral("100")); // idle
        QTest::mouseClick(button(window, 1175), Qt::LeftButton);
        QCOMPARE(window.recorder().state(), REC_ON);
        QCOMPARE(enabled(window), QStringLiteral("011")); // recording
        QTRY_VERIFY(window.recorder().writerBusy());      // the day file is open
        QTest::mouseClick(button(window, 1004), Qt::LeftButton);
        QCOMPARE(window.recorder().state(), REC_ON | REC_PAUSED);
        QCOMPARE(enabled(window), QStringLiteral("110")); // paused
        QTest::mouseClick(button(window, 1175), Qt::LeftButton);
        QCOMPARE(window.recorder().state(), REC_ON); // continues
        QSignalSpy changed(&window, &CDataDlg::recordingsChanged);
        QTest::mouseClick(button(window, 1007), Qt::LeftButton);
        QCOMPARE(window.recorder().state(), 0);
        QCOMPARE(enabled(window), QStringLiteral("100"));
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() >= 1, 1000); // the released file is listed again

        if (const QByteArray shot = qgetenv("ZRQ7_SHOT"); !shot.isEmpty())
            window.grab().save(QString::fromLocal8Bit(shot));

        window.close();
        QVERIFY(!window.isVisible());
        QVERIFY(window.recorder().running()); // closing only hides the window
    }

    void everyButtonHasAName()
    {
        // Screen readers say a button's name; the icon buttons have no text to fall back on.
        MeasurementSnapshot snapshot;
        CDataDlg window(snapshot);
        const QList<std::pair<int, QString>> iconButtons{{1175, QStringLiteral("Zapis")},
                                                         {1004, QStringLiteral("Pauza")},
                                                         {1007, QStringLiteral("Stop")},
                                                         {1010, QStringLiteral("Powiększanie")},
                                                         {1013, QStringLiteral("Zaznaczanie obszaru")},
                                                         {1022, QStringLiteral("Kursor")},
                                                         {1015, QStringLiteral("Cały wykres")},
                                                         {1017, QStringLiteral("Przesuń w lewo")},
                                                         {1019, QStringLiteral("Przesuń w prawo")}};
        for (const auto& [id, name] : iconButtons) {
            QAbstractButton* b = button(window, id);
            QVERIFY2(b, qPrintable(QString::number(id)));
            QCOMPARE(QAccessible::queryAccessibleInterface(b)->text(QAccessible::Name), name);
        }
        // Every other button on the screen, too.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (QAbstractButton* b : window.findChildren<QAbstractButton*>())
            if (b->isVisible() && !b->size().isEmpty())
                QVERIFY2(!QAccessible::queryAccessibleInterface(b)->text(QAccessible::Name).isEmpty(),
                         b->metaObject()->className());
    }

    void intervalEditBounds_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("stored");
        QTest::newRow("0 becomes 1") << QStringLiteral("0") << QStringLiteral("1") << 1;
        QTest::newRow("90000 becomes 86400") << QStringLiteral("90000") << QStringLiteral("86400") << 86400;
        QTest::newRow("15 stays") << QStringLiteral("15") << QStringLiteral("15") << 15;
    }
    void intervalEditBounds()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, stored);
        MeasurementSnapshot snapshot;
        CDataDlg window(snapshot);
        auto* edit = window.findChild<QLineEdit*>(QStringLiteral("id1031"));
        edit->clear();
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), shown);
        QCOMPARE(theApp().settings.nRecordInterval, stored);
        QTest::keyClicks(edit, QStringLiteral("x")); // no number: refused
        QCOMPARE(edit->text(), shown);

        auto* automatic = window.findChild<QCheckBox*>(QStringLiteral("id1182"));
        QTest::mouseClick(automatic, Qt::LeftButton);
        QCOMPARE(theApp().settings.bAutoRecord, 1);
    }
};

QTEST_MAIN(tst_RecordingControls)
#include "tst_recording_controls.moc"
