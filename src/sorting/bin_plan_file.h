#pragma once

// Sorting plan files (JSON, "vorlant-bins/1"); the layout is described in bin_plan_file.cpp.

#include "sorting/bin_plan.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace profiles {

// The plan in the bytes of a plan file, checked; nullopt with `problem` set
// when the bytes are not a usable plan.
std::optional<BinPlan> parseBinPlan(const QByteArray &bytes, BinPlanProblem *problem);
QByteArray binPlanJson(const BinPlan &plan);

// Whole files. A plan file is small: anything over 1 MiB is refused unread.
std::optional<BinPlan> readBinPlanFile(const QString &path, BinPlanProblem *problem);
// Writes through a temporary file beside `path`, so a failure leaves the old file whole.
bool writeBinPlanFile(const QString &path, const BinPlan &plan, QString *error);

} // namespace profiles
