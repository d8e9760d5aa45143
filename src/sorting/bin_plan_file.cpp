// Sorting plan files: UTF-8 JSON, one object. Keys:
//
//   "format"     "vorlant-bins/1" (required; another value is not read)
//   "parameter"  "R", "C" or "L": what the main value measures
//   "unit"       the unit of "nominal" and of sequential limits: "ohm", "kohm",
//                "Mohm", "pF", "nF", "uF", "uH", "mH", "H" ("Ω" and "µ" are read too)
//   "nominal"    a number above zero, or "line": the applied profile line's
//                nominal value (nested plans only; sequential plans have none)
//   "mode"       "nested": each bin {"tolerance": p} (± p %) or
//                {"lower": -1, "upper": 2} in percent of the nominal value,
//                every bin holding the one before it and wider;
//                "sequential": each bin {"lower": a, "upper": b} in "unit"
//   "bins"       1 to 9 bin objects, BIN1 first; limits are included
//   "secondary"  optional: {"parameter": "D" | "Q" | "ESR", "max": x} or
//                {"parameter": ..., "min": x}; ESR in ohms
//
// A ±1/±2/±5 % grading of 100 nF capacitors with D at most 0.01:
//
//   {"format": "vorlant-bins/1", "parameter": "C", "unit": "nF", "nominal": 100,
//    "mode": "nested", "bins": [{"tolerance": 1}, {"tolerance": 2}, {"tolerance": 5}],
//    "secondary": {"parameter": "D", "max": 0.01}}
//
// Other keys are ignored, so a later version may add some. The reader
// refuses a plan that cannot be used and names the key at fault.

#include "sorting/bin_plan_file.h"

#include "files/file_replacement.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace profiles {

namespace {

constexpr qint64 kMaxFileSize = 1 << 20;
const QString kFormat = QStringLiteral("vorlant-bins/1");

using K = BinPlanProblem::Kind;

struct Reader
{
    BinPlanProblem problem;

    bool fail(K kind, const QString &field)
    {
        if (!problem)
            problem = {kind, field, {}};
        return false;
    }

    bool number(const QJsonObject &object, const QString &key, const QString &field, double *out)
    {
        const QJsonValue value = object.value(key);
        if (!value.isDouble())
            return fail(K::BadValue, field);
        *out = value.toDouble();
        return true;
    }

    bool bin(const QJsonValue &value, qsizetype index, BinMode mode, BinLimits *out)
    {
        const QString field = QStringLiteral("bins[%1]").arg(index + 1);
        if (!value.isObject())
            return fail(K::BadValue, field);
        const QJsonObject object = value.toObject();
        if (mode == BinMode::Nested && object.contains(QStringLiteral("tolerance"))) {
            double tolerance = 0.0;
            if (!number(object, QStringLiteral("tolerance"), field + QStringLiteral(".tolerance"), &tolerance))
                return false;
            *out = {-tolerance, tolerance};
            return true;
        }
        return number(object, QStringLiteral("lower"), field + QStringLiteral(".lower"), &out->lower) &&
               number(object, QStringLiteral("upper"), field + QStringLiteral(".upper"), &out->upper);
    }

    bool secondary(const QJsonValue &value, SecondaryLimit *out)
    {
        if (!value.isObject())
            return fail(K::BadValue, QStringLiteral("secondary"));
        const QJsonObject object = value.toObject();
        const auto parameter = secondaryLimitOf(object.value(QStringLiteral("parameter")).toString());
        if (!parameter)
            return fail(K::BadValue, QStringLiteral("secondary.parameter"));
        out->parameter = *parameter;
        const bool hasMax = object.contains(QStringLiteral("max"));
        const bool hasMin = object.contains(QStringLiteral("min"));
        if (hasMax == hasMin)
            return fail(K::BadValue, QStringLiteral("secondary.max"));
        out->maximum = hasMax;
        const QString key = hasMax ? QStringLiteral("max") : QStringLiteral("min");
        return number(object, key, QStringLiteral("secondary.") + key, &out->value);
    }

    std::optional<BinPlan> plan(const QJsonObject &root)
    {
        if (root.value(QStringLiteral("format")).toString() != kFormat) {
            fail(K::WrongFormat, QStringLiteral("format"));
            return std::nullopt;
        }
        BinPlan plan;
        const auto parameter = binParameterOf(root.value(QStringLiteral("parameter")).toString());
        if (!parameter) {
            fail(K::BadValue, QStringLiteral("parameter"));
            return std::nullopt;
        }
        plan.parameter = *parameter;
        const QJsonValue unit = root.value(QStringLiteral("unit"));
        if (!unit.isString()) {
            fail(K::BadValue, QStringLiteral("unit"));
            return std::nullopt;
        }
        plan.unit = unit.toString();

        const QString mode = root.value(QStringLiteral("mode")).toString();
        if (mode == QLatin1String("nested"))
            plan.mode = BinMode::Nested;
        else if (mode == QLatin1String("sequential"))
            plan.mode = BinMode::Sequential;
        else {
            fail(K::BadValue, QStringLiteral("mode"));
            return std::nullopt;
        }

        if (plan.mode == BinMode::Nested) {
            const QJsonValue nominal = root.value(QStringLiteral("nominal"));
            if (nominal.toString() == QLatin1String("line"))
                plan.nominalFromLine = true;
            else if (nominal.isDouble())
                plan.nominal = nominal.toDouble();
            else {
                fail(K::BadValue, QStringLiteral("nominal"));
                return std::nullopt;
            }
        }

        const QJsonValue bins = root.value(QStringLiteral("bins"));
        if (!bins.isArray()) {
            fail(K::NoBins, QStringLiteral("bins"));
            return std::nullopt;
        }
        const QJsonArray array = bins.toArray();
        if (array.size() > kMaxBins) {
            fail(K::TooManyBins, QStringLiteral("bins"));
            return std::nullopt;
        }
        for (qsizetype i = 0; i < array.size(); ++i) {
            BinLimits limits;
            if (!bin(array.at(i), i, plan.mode, &limits))
                return std::nullopt;
            plan.bins.append(limits);
        }

        if (root.contains(QStringLiteral("secondary"))) {
            SecondaryLimit limit;
            if (!secondary(root.value(QStringLiteral("secondary")), &limit))
                return std::nullopt;
            plan.secondary = limit;
        }
        // What the keys could not show: limits in order, the unit's kind, widening bins.
        problem = checkBinPlan(plan);
        if (problem)
            return std::nullopt;
        return plan;
    }
};

} // namespace

std::optional<BinPlan> parseBinPlan(const QByteArray &bytes, BinPlanProblem *problem)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    Reader reader;
    std::optional<BinPlan> plan;
    if (error.error != QJsonParseError::NoError || !document.isObject())
        reader.problem = {K::NotJson, {},
                          error.error != QJsonParseError::NoError ? error.errorString()
                                                                  : QStringLiteral("no object at the top")};
    else
        plan = reader.plan(document.object());
    if (problem)
        *problem = reader.problem;
    return plan;
}

QByteArray binPlanJson(const BinPlan &plan)
{
    QJsonObject root;
    root.insert(QStringLiteral("format"), kFormat);
    root.insert(QStringLiteral("parameter"), binParameterText(plan.parameter));
    root.insert(QStringLiteral("unit"), plan.unit);
    const bool nested = plan.mode == BinMode::Nested;
    root.insert(QStringLiteral("mode"), nested ? QStringLiteral("nested") : QStringLiteral("sequential"));
    if (nested)
        root.insert(QStringLiteral("nominal"),
                    plan.nominalFromLine ? QJsonValue(QStringLiteral("line")) : QJsonValue(plan.nominal));
    QJsonArray bins;
    for (const BinLimits &limits : plan.bins) {
        QJsonObject bin;
        if (nested && limits.lower == -limits.upper) {
            bin.insert(QStringLiteral("tolerance"), limits.upper);
        } else {
            bin.insert(QStringLiteral("lower"), limits.lower);
            bin.insert(QStringLiteral("upper"), limits.upper);
        }
        bins.append(bin);
    }
    root.insert(QStringLiteral("bins"), bins);
    if (plan.secondary) {
        QJsonObject secondary;
        secondary.insert(QStringLiteral("parameter"), secondaryLimitText(plan.secondary->parameter));
        secondary.insert(plan.secondary->maximum ? QStringLiteral("max") : QStringLiteral("min"),
                         plan.secondary->value);
        root.insert(QStringLiteral("secondary"), secondary);
    }
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<BinPlan> readBinPlanFile(const QString &path, BinPlanProblem *problem)
{
    auto fail = [&](const QString &detail) -> std::optional<BinPlan> {
        if (problem)
            *problem = {K::Unreadable, {}, detail};
        return std::nullopt;
    };
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return fail(QStringLiteral("%1 is not a regular file").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1: %2").arg(path, file.errorString()));
    // Read one byte past the limit: a device or a growing file cannot make us read without end.
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (bytes.size() > kMaxFileSize)
        return fail(QStringLiteral("%1 is too large for a sorting plan").arg(path));
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("%1: %2").arg(path, file.errorString()));
    return parseBinPlan(bytes, problem);
}

bool writeBinPlanFile(const QString &path, const BinPlan &plan, QString *error)
{
    files::FileReplacement file(path);
    if (file.open())
        file.write(binPlanJson(plan));
    if (file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

} // namespace profiles
