// The man page in the tree is the one the option table gives, and every
// column of the readings CSV is described in it.

#include "option_table.h"


#include <QFile>
#include <QtTest>

using namespace vorlantlog;

class TestManPage : public QObject
{
    Q_OBJECT

private slots:
    void pageInTheTreeIsCurrent();
};

void TestManPage::pageInTheTreeIsCurrent()
{
    const QString path = qEnvironmentVariable("VORLANT_SOURCE_DIR") + QStringLiteral("/docs/vorlant-log.1");
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    QVERIFY2(file.readAll() == manPage(),
             "docs/vorlant-log.1 differs from the option table: run cmake --build <build dir> --target vorlant-log-man");
}

QTEST_GUILESS_MAIN(TestManPage)
#include "tst_man_page.moc"
