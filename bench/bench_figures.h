// The runs of a benchmark program kept by name, so that its figures can be
// printed against their targets after the usual table.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class Run_Figures : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                m_runs[r.run_name.function_name] = r;
        ConsoleReporter::ReportRuns(runs);
    }
    // Wall time of one iteration; 0 when the run is missing.
    double seconds(const std::string& name) const {
        const auto it = m_runs.find(name);
        if (it == m_runs.end() || it->second.iterations == 0)
            return 0;
        return it->second.real_accumulated_time / static_cast<double>(it->second.iterations);
    }
    // A counter of the run (rates are already per second); 0 when missing.
    double counter(const std::string& name, const char* counter) const {
        const auto it = m_runs.find(name);
        if (it == m_runs.end())
            return 0;
        const auto c = it->second.counters.find(counter);
        return c == it->second.counters.end() ? 0 : static_cast<double>(c->second);
    }

private:
    std::map<std::string, Run> m_runs;
};
