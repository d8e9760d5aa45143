#pragma once

#include "reading/reading.h"
#include "profiles/reference.h"
#include "sorting/bin_rule.h"
#include "protocol/meter_frame.h"
#include "protocol/meter_settings.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace reading {

// Builds the one reading record from what the link hands over: the frame's
// route, the mode's values, the tolerance judgement of RLCD readings and the
// bin of the sorting plan. It also keeps what every frame reports about the
// meter (its RLCD settings and brightness), which a settings command builds on.
//
// vorlant-log hands over each frame (read()); the window decodes a frame
// once for its display and hands the values to judgedReading(), the same
// judgement and sorting.
class ReadingPipeline
{
public:
    // `kindFromReading`: the main side's quantity is taken from the first
    // RLCD reading read while logging.
    explicit ReadingPipeline(const profiles::Reference &reference = {}, bool kindFromReading = false);

    // Every reading from now on is sorted by `plan` (checked before); RD and U readings go to OUT.
    void setBinPlan(const profiles::BinPlan &plan) { m_binPlan = profiles::prepareBinPlan(plan); }

    // Readings from now on are logged (before: the meter may still report
    // settings that the set-up commands change).
    void setLogging(bool logging) { m_logging = logging; }
    // Why the readings cannot be judged (a main parameter of no kind the
    // nominal value can have); empty while they can.
    const QString &failure() const { return m_failure; }

    // The reading a frame carries; nullopt for one that carries none (its
    // end marks are wrong, or its mode is unknown).
    std::optional<Reading> read(const protocol::MeterFrame &frame, const QDateTime &time);

    const protocol::MeterSettings &reportedSettings() const { return m_reported; }
    bool brightnessOn() const { return m_brightnessOn; }

private:
    profiles::Reference m_reference;
    std::optional<profiles::PreparedBinPlan> m_binPlan;
    bool m_kindFromReading = false;
    bool m_logging = false;
    QString m_failure;
    protocol::MeterSettings m_reported;
    bool m_brightnessOn = true;
};

// An RLCD reading judged against `reference` (when a tolerance is on) and
// sorted by `plan` (none: no bin).
Reading judgedReading(const QDateTime &time, const protocol::MeterSettings &settings,
                      const protocol::RlcReading &values, const protocol::RlcQuantities &quantities,
                      const profiles::Reference &reference, const profiles::PreparedBinPlan *plan);

} // namespace reading
