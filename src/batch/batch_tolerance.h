#pragma once

#include "batch/batch_statistics.h"
#include "profiles/reference.h"

#include <optional>

// The reference as the batch figures use it: a nominal in SI units and the
// kind of limit, for the primary and the secondary value.
struct BatchTolerances
{
    std::optional<BatchLimit> primary;
    std::optional<BatchLimit> secondary;
};

// A side that is off or that the judgement could not use (a problem, a zero
// or non-finite nominal, an unreadable tolerance) gives none.
BatchTolerances batchTolerances(const profiles::Reference &reference);
