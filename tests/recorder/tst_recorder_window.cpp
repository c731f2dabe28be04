// SPDX-License-Identifier: MIT
// The recorder window as the operator sees it at 1024 x 768: the program's own
// colours, "Zakończ", both lists' columns without sideways scrolling, and the
// recorder's messages and questions kept on top of other windows.
#include "CCPL_ZRQ7App.h"
#include "CDataDlg.h"
#include "MeasurementSnapshot.h"
#include "ModalHelpers.h"
#include "Recorder.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

class tst_recorder_window : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ResetSettings(theApp().settings);
        qunsetenv("ZRQ7_MESSAGE_LOG");
    }

    void ownColoursAndTheCloseButton()
    {
        ProgramSettings& s = theApp().settings;
        s.nInterfaceStyle = 1;
        s.crBackground = 0x00336699; // red 0x99, green 0x66, blue 0x33
        MeasurementSnapshot snapshot;
        CDataDlg window(snapshot);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage picture = window.grab().toImage();
        QCOMPARE(picture.pixelColor(2, 2), QColor(0x99, 0x66, 0x33));

        auto* close = window.findChild<QAbstractButton*>(QStringLiteral("id1154"));
        QVERIFY(close);
        QCOMPARE(close->text(), QStringLiteral("Zakończ"));
        QTest::mouseClick(close, Qt::LeftButton);
        QVERIFY(!window.isVisible()); // only hidden
    }

    // At its own size (within 1024 x 768) and at the whole screen, every column
    // of both lists shows.
    void listColumnsShowAt1024x768_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("own size") << QSize();
        QTest::newRow("1024 x 768") << QSize(1024, 768);
    }
    void listColumnsShowAt1024x768()
    {
        QFETCH(QSize, size);
        MeasurementSnapshot snapshot;
        CDataDlg window(snapshot);
        if (size.isValid())
            window.resize(size);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY2(window.width() <= 1024 && window.height() <= 768,
                 qPrintable(QStringLiteral("%1 x %2").arg(window.width()).arg(window.height())));
        for (const char* id : {"id1168", "id1169"}) {
            auto* list = window.findChild<QTableWidget*>(QLatin1String(id));
            QVERIFY(list && list->isVisible());
            QHeaderView* header = list->horizontalHeader();
            QVERIFY2(header->length() <= list->viewport()->width(),
                     qPrintable(QStringLiteral("%1: %2 px of columns in %3")
                                    .arg(id)
                                    .arg(header->length())
                                    .arg(list->viewport()->width())));
            for (int c = 0; c < list->columnCount(); ++c)
                QVERIFY(header->sectionSize(c) >= 40);
        }
    }

    // What the recorder thread reports comes on top, whichever window is in front.
    void recorderMessagesOnTop_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("error") << 0;
        QTest::newRow("warning") << 1;
        QTest::newRow("question") << 2;
    }
    void recorderMessagesOnTop()
    {
        QFETCH(int, kind);
        MeasurementSnapshot snapshot;
        CDataDlg window(snapshot);
        MessageBoxAnswerer answers(QMessageBox::Yes);
        Recorder& recorder = window.recorder();
        const QString text = QStringLiteral("tekst");
        if (kind == 0)
            emit recorder.errorMessage(text);
        else if (kind == 1)
            emit recorder.warningMessage(text);
        else
            emit recorder.question(text);
        QTRY_COMPARE(answers.onTop.size(), 1);
        QVERIFY(answers.onTop[0]);
        QVERIFY(answers.seen[0].endsWith(QStringLiteral("|tekst")));
    }
};

QTEST_MAIN(tst_recorder_window)
#include "tst_recorder_window.moc"
