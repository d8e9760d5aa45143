#pragma once

#include "log/batch_statistics.h"
#include "profiles/tolerance_check.h"

#include <QChar>

#include <optional>

// The tolerances of the line editor as the batch figures use them: a nominal
// in SI units and the kind of limit, for the primary and the secondary value.
struct BatchTolerances
{
    std::optional<BatchLimit> primary;
    std::optional<BatchLimit> secondary;
};

// What the editor's fields say, read as the judgement reads them; a tolerance
// that is off or that the judgement could not use (an unreadable or zero
// nominal, an unknown kind or unit, an unreadable tolerance) gives none.
BatchTolerances batchTolerances(const profiles::ReferenceEditor &editor, QChar decimalSeparator);
