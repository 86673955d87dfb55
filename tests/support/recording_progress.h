#pragma once
// A progress that records the percents it is told and answers as the test
// wants: go on, a stop after so many reports, or whatever `answer` says.

#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "core/base/progress.h"

namespace dovrel::test {

class RecordingProgress : public Progress {
public:
    RecordingProgress() = default;
    // Asks for a stop at the reports-th report.
    explicit RecordingProgress(int reports) : left_(reports) {}

    bool Report(std::uint64_t done, std::uint64_t total) override
    {
        const int percent = PercentOf(done, total);
        percents.push_back(percent);
        if (--left_ <= 0) return false;
        return answer ? answer(percent) : true;
    }

    std::function<bool(int)> answer;
    std::vector<int> percents;

private:
    int left_ = std::numeric_limits<int>::max();
};

}  // namespace dovrel::test
