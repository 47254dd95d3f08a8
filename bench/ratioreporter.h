#ifndef RATIOREPORTER_H
#define RATIOREPORTER_H

// The usual console table, plus each benchmark's mean CPU time per iteration
// kept for ratios against baselines measured in the same run. CPU time is
// steadier than wall time on a busy machine, and every operation measured
// with it is single-threaded.

#include <benchmark/benchmark.h>

#include <QMap>
#include <QString>

#include <cstdio>
#include <unistd.h>

class RatioReporter : public benchmark::ConsoleReporter
{
public:
    RatioReporter()
        : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular)
    {
    }

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0)
                m_times[QString::fromStdString(run.benchmark_name())] =
                    run.cpu_accumulated_time / double(run.iterations);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The benchmark's time, named with or without what follows a '/' (its
    // arguments, its minimum time); 0 when it did not run.
    double cpuTime(const QString &name) const
    {
        for (auto it = m_times.cbegin(); it != m_times.cend(); ++it) {
            if (it.key() == name || it.key().startsWith(name + QLatin1Char('/')))
                return it.value();
        }
        return 0.0;
    }

    // Prints a's time as a multiple of b's, when both ran.
    void printRatio(const QByteArray &what, const QString &a, const QString &b) const
    {
        const double x = cpuTime(a);
        const double y = cpuTime(b);
        if (x > 0 && y > 0)
            std::printf("  %-52s %6.2fx\n", what.constData(), x / y);
    }

private:
    QMap<QString, double> m_times;
};

#endif
