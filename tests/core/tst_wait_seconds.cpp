#include "core/wait_seconds.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <ctime>

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

// The pause waits for events instead of polling: its processor time is a
// small share of its length (generous bound; the benchmark measures it).
void TestWaitSeconds::sleeps_instead_of_spinning()
{
    const std::clock_t before = std::clock();
    wait_seconds(0.5);
    const double cpuSeconds = double(std::clock() - before) / CLOCKS_PER_SEC;
    QVERIFY2(cpuSeconds < 0.2, qPrintable(QString::number(cpuSeconds)));
}

QTEST_GUILESS_MAIN(TestWaitSeconds)
#include "tst_wait_seconds.moc"
