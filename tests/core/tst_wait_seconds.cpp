#include "core/wait_seconds.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <ctime>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

using namespace zrx;

class TestWaitSeconds : public QObject {
    Q_OBJECT
private slots:
    void waits_at_least_the_time();
    void handlers_run_inside_the_pause();
    void nested_pause_inside_a_handler();
    void zero_and_negative_do_not_wait();
    void sleeps_instead_of_spinning();
};

void TestWaitSeconds::waits_at_least_the_time()
{
    QElapsedTimer clock;
    clock.start();
    wait_seconds(0.1);
    QVERIFY(clock.elapsed() >= 100);
}

void TestWaitSeconds::handlers_run_inside_the_pause()
{
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    wait_seconds(0.2);
    QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
}

// A handler that pauses in turn (a second read-back, a nested batch run) must
// not cut the outer pause short.
void TestWaitSeconds::nested_pause_inside_a_handler()
{
    bool innerDone = false;
    QTimer::singleShot(10, [&] {
        wait_seconds(0.05);
        innerDone = true;
    });
    QElapsedTimer clock;
    clock.start();
    wait_seconds(0.15);
    QVERIFY(innerDone);
    QVERIFY(clock.elapsed() >= 150);
}

void TestWaitSeconds::zero_and_negative_do_not_wait()
{
    QElapsedTimer clock;
    clock.start();
    wait_seconds(0);
    wait_seconds(-3);
    wait_seconds(std::numeric_limits<double>::quiet_NaN());
    QVERIFY(clock.elapsed() < 50);
}

// The processor time this process has used. The C library's clock() gives
// it everywhere but on Windows, where it counts wall time.
static double processor_seconds()
{
#ifdef Q_OS_WIN
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME &t) { return quint64(t.dwHighDateTime) << 32 | t.dwLowDateTime; };
    return double(ticks(kernel) + ticks(user)) / 1e7; // 100 ns ticks
#else
    return double(std::clock()) / CLOCKS_PER_SEC;
#endif
}

// The pause waits for events instead of polling: its processor time is a
// small share of its length (generous bound; the benchmark measures it).
void TestWaitSeconds::sleeps_instead_of_spinning()
{
    const double before = processor_seconds();
    wait_seconds(0.5);
    const double cpuSeconds = processor_seconds() - before;
    QVERIFY2(cpuSeconds < 0.2, qPrintable(QString::number(cpuSeconds)));
}

QTEST_GUILESS_MAIN(TestWaitSeconds)
#include "tst_wait_seconds.moc"
