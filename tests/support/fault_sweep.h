// A fault sweep: an operation is run once without faults and every fault point it reaches is
// recorded (each call of a named platform operation); then it is run again once per point with
// that call failing, and a check looks at what the failure left.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

struct FaultPoint {
    std::string operation;
    int call; // 1 = the operation's first call in the run
};

std::string Describe(const FaultPoint& point);

// Every call of every platform operation that `run` makes, in the order they first happen.
std::vector<FaultPoint> FaultPointsOf(const std::function<void()>& run);

struct SweepFigures {
    std::size_t runs = 0;
    std::chrono::duration<double> time{};
};

// For each point: `prepare`, then `run` with that call failing, then `check`. A point the run
// never reaches fails the test: the sweep would cover less than it says.
SweepFigures SweepFaults(const std::vector<FaultPoint>& points,
                         const std::function<void()>& prepare, const std::function<void()>& run,
                         const std::function<void(const FaultPoint&)>& check);

} // namespace testing_support
