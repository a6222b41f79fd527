#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

class TestLifecycle : public QObject
{
    Q_OBJECT

private slots:
    void closingTheWindowEndsTheEventLoop();
};

void TestLifecycle::closingTheWindowEndsTheEventLoop()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    bool closed = false;
    QTimer::singleShot(0, &window, [&window, &closed] { closed = window.close(); });
    // Bounds the wait should the loop not end with the window.
    QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(1); });

    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(closed);
}

QTEST_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"
