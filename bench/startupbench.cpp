#include "startupbench.h"

#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !seen) {
            seen = true;
            // Reported once the paint in progress has finished.
            QTimer::singleShot(0, this, [] {
                std::fputs("painted\n", stdout);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen = false;
};

qint64 startOnce(const QString &program, const QString &kind)
{
    QProcess child;
    child.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    child.start(program, {"--startup", kind});
    QByteArray output;
    while (!output.contains("painted")) {
        if (!child.waitForReadyRead(30000))
            qFatal("the %s window never reported its first paint", qPrintable(kind));
        output += child.readAllStandardOutput();
    }
    const qint64 elapsed = timer.nsecsElapsed();
    child.waitForFinished();
    return elapsed;
}

} // namespace

int StartupBench::showAndReport(int &argc, char **argv, const QString &kind)
{
    QApplication app(argc, argv);
    FirstPaint firstPaint;
    QApplication::instance()->installEventFilter(&firstPaint);
    std::unique_ptr<QMainWindow> window;
    if (kind == "window") {
        window = std::make_unique<MainWindow>();
    } else {
        window = std::make_unique<QMainWindow>();
        window->resize(800, 600);
        if (kind == "label")
            window->setCentralWidget(new QLabel(QString::fromUtf8("记账软件")));
    }
    window->show();
    return QApplication::exec();
}

qint64 StartupBench::measure(const QString &program, const QString &kind, int runs)
{
    QList<qint64> times;
    for (int i = 0; i < runs; ++i)
        times.append(startOnce(program, kind));
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}
