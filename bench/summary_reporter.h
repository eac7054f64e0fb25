#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace zrx {

// Collects every benchmark's result and, at the end, prints the one table a
// reader wants: each figure beside its target, and the simulated-board work
// as a ratio to the same work on a port that does nothing.
class SummaryReporter : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context &context) override;
    void ReportRuns(const std::vector<Run> &runs) override;
    void Finalize() override;

private:
    // Seconds per iteration of the named benchmark; negative when it did not run.
    double seconds(const std::string &name) const;
    // A user counter of the named benchmark; negative when absent.
    double counter(const std::string &name, const std::string &counterName) const;

    std::map<std::string, Run> m_runs;
    std::string m_machine;
};

} // namespace zrx
