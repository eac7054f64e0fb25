// One run, one table: every benchmark of bench/ reports to the summary.
// Google Benchmark's own options still work (--benchmark_filter=...,
// --benchmark_out=file.json for the raw figures).
#include "summary_reporter.h"

#include <cstdio>
#include <vector>

#include <QApplication>

namespace {

// The offscreen platform's remarks would break up the table; real trouble
// still gets through.
void keep_serious_messages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(keep_serious_messages);
    // The windows are real but need no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Repetitions of different benchmarks take turns, so that a busy spell of
    // the machine does not fall on one side of a comparison only. An explicit
    // choice on the command line comes later and wins.
    std::vector<char *> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave);
    int count = int(arguments.size());
    arguments.push_back(nullptr);
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data()))
        return 1;
    zrx::SummaryReporter summary;
    benchmark::RunSpecifiedBenchmarks(&summary);
    benchmark::Shutdown();
    return 0;
}
