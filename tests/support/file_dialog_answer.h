#pragma once

// Answers the next file dialog as a user would: the name typed, then Enter;
// an empty name cancels it. Needs QtWidgets and QtTest.

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

#include <memory>

inline void answerFileDialog(const QString &name)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, name, tries] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (++*tries > 300)
                poll->deleteLater();
            return;
        }
        poll->deleteLater();
        if (name.isEmpty()) {
            dialog->reject();
            return;
        }
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        edit->setText(name);
        QTest::keyClick(edit, Qt::Key_Return);
        // A name the dialog does not accept (a folder opens instead) must not
        // leave the test waiting for ever.
        QTimer::singleShot(3000, dialog, [dialog] {
            qWarning("file dialog still open: cancelled");
            dialog->reject();
        });
    });
    poll->start();
}
