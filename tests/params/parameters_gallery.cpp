// SPDX-License-Identifier: MIT
// The parameters window on its own, for looking at it:
//   parameters_gallery [--version N] [--tcp PORT] [out.png]
//   parameters_gallery --firmware-choice [out.png]
// Without --tcp it opens offline (built for version N, 15 by default); with
// --tcp it opens online against a relay simulator on 127.0.0.1:PORT and reads
// all parameters first. With out.png it saves a picture once the window is
// ready and quits. Message boxes are answered by their default button.
#include "CFirmwareDlg.h"
#include "CSettDevDlg.h"
#include "ParameterGridModel.h"
#include "ZRQ7DLL.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QTreeView>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    qputenv("ZRQ7_MESSAGE_LOG", QDir::temp().filePath(u"parameters_gallery.log"_qs).toLocal8Bit());
    QStringList args = app.arguments().mid(1);
    ParametersWindowContext context;
    QString picture;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == u"--version" && !args.isEmpty()) {
            context.firmwareVersion = args.takeFirst().toInt();
        } else if (arg == u"--tcp" && !args.isEmpty()) {
            DLL_SetIOTimeout(500);
            if (TCP_Open(u"127.0.0.1", args.takeFirst().toUInt()) != 0)
                return 2;
            context.online = true;
            context.link = [] { return RegisterLink::library(1, 1); };
        } else if (arg == u"--firmware-choice") {
            CFirmwareDlg choice;
            if (!args.isEmpty())
                QTimer::singleShot(500, &choice, [&] {
                    choice.grab().save(args.constFirst());
                    choice.done(QDialog::Rejected);
                });
            choice.exec();
            return 0;
        } else {
            picture = arg;
        }
    }
    CSettDevDlg window(context);
    // A little of everything: a pending value, an expanded group, a description.
    window.model().applyEdit(window.model().indexOf(0, 3, 1), 100);
    window.grid()->expand(window.model().index(1, 0));
    window.grid()->setCurrentIndex(window.model().indexOf(1, 2, 1));
    window.show();
    if (!picture.isEmpty()) {
        const auto save = [&] {
            window.grab().save(picture);
            app.quit();
        };
        if (context.online)
            QObject::connect(&window, &CSettDevDlg::transferFinished, &app, [&] {
                window.model().applyEdit(window.model().indexOf(0, 3, 1), 100);
                QTimer::singleShot(300, &app, save);
            });
        else
            QTimer::singleShot(500, &app, save);
    }
    return app.exec();
}
