#include "tests/support/fault_sweep.h"

#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/mapi_types.h"

#include <gtest/gtest.h>

#include <map>

namespace testing_support {

std::string Describe(const FaultPoint& point) {
    return point.operation + " #" + std::to_string(point.call);
}

std::vector<FaultPoint> FaultPointsOf(const std::function<void()>& run) {
    embedded::ResetPlatformTrace();
    run();
    std::map<std::string, int> calls;
    std::vector<FaultPoint> points;
    for (const embedded::CallRecord& record : embedded::CallLog()) {
        points.push_back({record.operation, ++calls[record.operation]});
    }
    EXPECT_LT(embedded::CallLog().size(), embedded::kCallLogCapacity);
    return points;
}

SweepFigures SweepFaults(const std::vector<FaultPoint>& points,
                         const std::function<void()>& prepare, const std::function<void()>& run,
                         const std::function<void(const FaultPoint&)>& check) {
    const auto started = std::chrono::steady_clock::now();
    SweepFigures figures;
    for (const FaultPoint& point : points) {
        SCOPED_TRACE(Describe(point));
        prepare();
        embedded::ResetPlatformTrace();
        // A failure the platform could give for any call: the disk is full.
        embedded::FailNthCall(point.operation, point.call, STG_E_MEDIUMFULL);
        run();
        EXPECT_GE(embedded::CallsOf(point.operation).size(), static_cast<std::size_t>(point.call))
            << "the fault was armed for a call that never came";
        embedded::ClearFaults();
        check(point);
        ++figures.runs;
        if (::testing::Test::HasFatalFailure()) {
            break;
        }
    }
    figures.time = std::chrono::steady_clock::now() - started;
    return figures;
}

} // namespace testing_support
