// A sorting plan file from anywhere: the bytes as the plan reader takes
// them. A plan it accepts must prepare, write back to the same plan and sort
// a reading without a fault.

#include "sorting/bin_plan_file.h"
#include "sorting/bin_rule.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    profiles::BinPlanProblem problem;
    const auto plan = profiles::parseBinPlan(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), &problem);
    profiles::binPlanProblemText(problem);
    if (!plan)
        return 0;
    const auto prepared = profiles::prepareBinPlan(*plan);
    const auto again = profiles::parseBinPlan(profiles::binPlanJson(*plan), &problem);
    if (!prepared || !again || !(*again == *plan))
        std::abort();
    profiles::sortReading(*prepared, {plan->parameter, plan->nominal, 0.001, 1000.0, 0.1},
                          profiles::LineNominal{plan->parameter, 1e-6});
    return 0;
}
