#include "summary_reporter.h"

#include <QString>
#include <QSysInfo>
#include <QtGlobal>

#include <cstdio>
#include <string>
#include <vector>

namespace zrx {
namespace {

struct Row {
    std::string measure;
    std::string measured;
    std::string target;
    // Empty when there is no target to meet.
    std::string verdict;
};

std::string format(const char *pattern, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string verdict(bool met)
{
    return met ? "met" : "MISSED";
}

void print_table(const std::vector<Row> &rows)
{
    std::size_t widths[3] = {7, 8, 6};
    for (const Row &row : rows) {
        widths[0] = std::max(widths[0], row.measure.size());
        widths[1] = std::max(widths[1], row.measured.size());
        widths[2] = std::max(widths[2], row.target.size());
    }
    const auto line = [&](const std::string &a, const std::string &b, const std::string &c, const std::string &d) {
        std::printf("%-*s  %-*s  %-*s  %s\n", int(widths[0]), a.c_str(), int(widths[1]), b.c_str(),
                    int(widths[2]), c.c_str(), d.c_str());
    };
    line("Measure", "Measured", "Target", "");
    line(std::string(widths[0], '-'), std::string(widths[1], '-'), std::string(widths[2], '-'), "------");
    for (const Row &row : rows)
        line(row.measure, row.measured, row.target, row.verdict);
}

} // namespace

bool SummaryReporter::ReportContext(const Context &context)
{
    m_machine = std::to_string(context.cpu_info.num_cpus) + " CPUs at "
                + format("%.0f", context.cpu_info.cycles_per_second / 1e6) + " MHz, Qt " + qVersion() + ", "
                + QSysInfo::prettyProductName().toStdString();
    std::fprintf(stderr, "Running the benchmarks (about a minute)...\n");
    return true;
}

void SummaryReporter::ReportRuns(const std::vector<Run> &runs)
{
    for (const Run &run : runs) {
        if (run.error_occurred) {
            std::fprintf(stderr, "%s: %s\n", run.benchmark_name().c_str(), run.error_message.c_str());
            continue;
        }
        // With repetitions the median stands for the benchmark.
        if (run.run_type == Run::RT_Aggregate ? run.aggregate_name != "median" : run.repetitions > 1)
            continue;
        m_runs[run.run_name.function_name] = run;
    }
}

double SummaryReporter::seconds(const std::string &name) const
{
    const auto found = m_runs.find(name);
    if (found == m_runs.end())
        return -1;
    return found->second.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(found->second.time_unit);
}

double SummaryReporter::counter(const std::string &name, const std::string &counterName) const
{
    const auto found = m_runs.find(name);
    if (found == m_runs.end())
        return -1;
    const auto value = found->second.counters.find(counterName);
    return value == found->second.counters.end() ? -1 : double(value->second);
}

void SummaryReporter::Finalize()
{
    std::vector<Row> rows;

    const auto per_operation = [&](const std::string &measure, const std::string &name) {
        const double ns = counter(name, "ns_per_line_op");
        if (ns >= 0)
            rows.push_back({measure, format("%.1f ns", ns), "< 100 ns", verdict(ns < 100)});
    };
    per_operation("Bus software per line operation (port doing nothing)", "line_operation");
    per_operation("  the same over a whole read-back's traffic", "read_back_traffic");
    per_operation("  the same with the bus log recording", "read_back_traffic_logged");

    const double perStep = counter("progress_step", "ns_per_step");
    if (perStep >= 0)
        rows.push_back({"Progress reporting per transaction, quick work", format("%.1f ns", perStep), "< 1000 ns",
                        verdict(perStep < 1000)});

    const double perOperation = counter("driver_requests", "per_line_op");
    if (perOperation >= 0) {
        rows.push_back({"Driver requests per line operation (real port on a pty)", format("%.3f", perOperation),
                        "exactly 1", verdict(perOperation == 1.0)});
        const double write = counter("driver_requests", "channel_write");
        const double readBack = counter("driver_requests", "read_back");
        rows.push_back({"  driver requests, one channel write", format("%.0f", write), "226", verdict(write == 226)});
        rows.push_back({"  driver requests, one read-back", format("%.0f", readBack), "7650",
                        verdict(readBack == 7650)});
    }

    const auto against_null = [&](const std::string &measure, const std::string &name) {
        const double board = seconds(name + "/simulated_board");
        const double null = seconds(name + "/null_port");
        if (board < 0 || null < 0)
            return;
        rows.push_back({measure, format("%.3f ms", board * 1e3) + format(" vs %.3f ms", null * 1e3)
                                     + format(" = %.2fx", board / null),
                        "", ""});
    };
    if (seconds("read_back_work/simulated_board") >= 0 || seconds("batch_pass/simulated_board") >= 0)
        rows.push_back({"Simulated board vs a port doing nothing:", "", "", ""});
    against_null("  read-back after its 0.1 s pause (50 reads, refresh)", "read_back_work");
    against_null("  refresh_channels, control panel open, 24 rows change", "refresh_with_panel");
    against_null("  loading a 24-channel file", "load_channel_file");
    against_null("  one batch pass over 10 files", "batch_pass");

    // Fast mode: both paths on one emulated adapter (1 ms per USB round
    // trip), through libftdi (with the targets) and through FTDI's D2XX
    // library (figures only).
    const auto fast_mode_rows = [&](const std::string &heading, const std::string &fast, bool withTargets) {
        const auto fast_against_per_request = [&](const std::string &measure, const std::string &name,
                                                  std::string target, auto met) {
            const double perRequest = seconds("fast_mode_" + name + "/per_request");
            const double seconds_fast = seconds("fast_mode_" + name + "/" + fast);
            if (perRequest < 0 || seconds_fast < 0)
                return;
            target = withTargets ? target : "";
            rows.push_back({measure, format("%.2f s", perRequest) + format(" vs %.1f ms", seconds_fast * 1e3)
                                         + format(" = %.0fx", perRequest / seconds_fast),
                            target, target.empty() ? "" : verdict(met(perRequest, seconds_fast))});
        };
        const auto none = [](double, double) { return true; };
        const double readDac = seconds("fast_mode_read_dac/" + fast);
        if (readDac < 0)
            return;
        rows.push_back({heading, "", "", ""});
        fast_against_per_request("  start-up to the end of its read-back", "start_up", "", none);
        fast_against_per_request("  Read DAC", "read_dac", "", none);
        fast_against_per_request("  one keystroke's channel write", "keystroke", "fast < 5 ms",
                                 [](double, double fastSeconds) { return fastSeconds < 0.005; });
        fast_against_per_request("  loading a 24-channel file", "file_load", "", none);
        fast_against_per_request("  one batch step with its marker", "batch_step", "", none);
        fast_against_per_request("  zrx50346-cli program-otp FILE (writes, burn, reset, Max Bank)", "cli_program_otp",
                                 "fast < 0.4 s", [](double, double fastSeconds) { return fastSeconds < 0.4; });
        const double onPins = counter("fast_mode_read_dac/" + fast, "states_ms") * 1e-3;
        if (onPins > 0) {
            // The 0.1 s pause before the reads is the bus's, not the transfers'.
            const double ratio = (readDac - 0.1) / onPins;
            rows.push_back({"  Read DAC's bus work (less the 0.1 s pause) vs its states on the pins",
                            format("%.1f ms", (readDac - 0.1) * 1e3) + format(" vs %.1f ms", onPins * 1e3)
                                + format(" = %.2fx", ratio),
                            withTargets ? "<= 1.5x" : "", withTargets ? verdict(ratio <= 1.5) : ""});
        }
        const double timing = seconds("fast_mode_opening_timing/" + fast);
        if (timing >= 0)
            rows.push_back({"  what timing the state clock adds to an opening", format("%.1f ms", timing * 1e3),
                            withTargets ? "< 20 ms" : "", withTargets ? verdict(timing < 0.020) : ""});
    };
    fast_mode_rows("Per request vs fast mode, adapter at 1 ms per USB request/transfer:", "fast", true);
    fast_mode_rows("Per request vs fast mode through FTDI's D2XX library (its fake), figures only:", "fast_d2xx",
                   false);

    // A script's 64-step sweep: one process a step against one session.
    const auto sweep = [&](const std::string &measure, const std::string &singles, const std::string &session) {
        const double one = seconds(singles);
        const double kept = seconds(session);
        if (one < 0 || kept < 0)
            return;
        rows.push_back({measure, format("%.0f ms", one * 1e3) + format(" vs %.0f ms", kept * 1e3)
                                     + format(" = %.1fx", one / kept),
                        ">= 10x", verdict(one / kept >= 10)});
    };
    if (seconds("session_sweep_session") >= 0)
        rows.push_back({"64-step sweep of one channel, single commands vs one session:", "", "", ""});
    sweep("  simulated board, 64 processes vs one session process", "session_sweep_processes",
          "session_sweep_session");
    sweep("  emulated FTDI adapter, fast mode, 64 openings vs one (in-process)",
          "session_sweep_fake_ftdi_single_runs", "session_sweep_fake_ftdi_session");

    const double share = counter("wait_seconds_2s", "cpu_share");
    if (share >= 0)
        rows.push_back({"Processor time of a 2 s wait_seconds", format("%.2f %% of one core", share * 100),
                        "< 5 %", verdict(share < 0.05)});

    const double mainStart = counter("start_up", "main_ms");
    const double emptyStart = counter("start_up", "empty_ms");
    if (mainStart > 0 && emptyStart > 0) {
        const double ratio = mainStart / emptyStart;
        rows.push_back({"Start-up to a shown main window vs an empty window",
                        format("%.0f ms", mainStart) + format(" vs %.0f ms", emptyStart) + format(" = %.2fx", ratio),
                        "< 1.5x", verdict(ratio < 1.5)});
        // The read-back at start-up must open with its 0.1 s pause; what is
        // left is the program's own cost.
        const double pauseFree = mainStart - 100;
        rows.push_back({"  less the read-back's fixed 0.1 s pause",
                        format("%.0f ms", pauseFree) + format(" = %.2fx", pauseFree / emptyStart), "", ""});
        const double mainMemory = counter("start_up", "main_maxrss_mib");
        const double emptyMemory = counter("start_up", "empty_maxrss_mib");
        rows.push_back({"Peak memory of that start-up vs an empty window",
                        format("%.1f MiB", mainMemory) + format(" vs %.1f MiB", emptyMemory)
                            + format(" = %.2fx", mainMemory / emptyMemory),
                        "< 1.3x", verdict(mainMemory / emptyMemory < 1.3)});
    }

    std::printf("\n%s\n\n", m_machine.c_str());
    print_table(rows);
    std::fflush(stdout);
}

} // namespace zrx
