// The median wall time of repeated runs of a piece of work, for the benchmark programs.
#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <functional>
#include <vector>

// Runs run(0) … run(rounds - 1) and returns the median of their times in milliseconds.
inline double MedianMs(int rounds, const std::function<void(int)> &run)
{
    std::vector<double> times;
    QElapsedTimer timer;
    for (int i = 0; i < rounds; ++i) {
        timer.restart();
        run(i);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times.empty() ? 0 : times[times.size() / 2];
}
