#pragma once

#include "reading/reading.h"
#include "export/reading_csv.h"
#include "sorting/bin_rule.h"
#include "profiles/reference.h"
#include "protocol/meter_frame.h"
#include "protocol/meter_settings.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <utility>

namespace vorlantlog {

struct RecordedReading
{
    CsvRecord record;      // position left empty
    bool rejected = false; // judged, and not a pass
    std::optional<profiles::BinResult> bin; // under a sorting plan
};

// Turns the frames the link hands over into output records, by the rules
// the window reads them with: the frame's route, the mode's decoder, the
// tolerance judgement for RLCD readings, the log's record of numbers. It
// also keeps what every frame reports about the meter (its RLCD settings and
// brightness), which the settings command is built from.
class ReadingRecorder
{
public:
    // `kindFromReading`: the main side's quantity is taken from the first
    // RLC reading read while logging.
    explicit ReadingRecorder(const profiles::Reference &reference, bool kindFromReading = false);
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
    std::optional<RecordedReading> read(const protocol::MeterFrame &frame, const QDateTime &time);

    const protocol::MeterSettings &reportedSettings() const { return m_reported; }
    // The numbers of the RLCD reading the last read() decoded, once.
    std::optional<LoggedReading> takeRlcReading() { return std::exchange(m_lastRlc, std::nullopt); }
    bool brightnessOn() const { return m_brightnessOn; }

private:
    RecordedReading readRlc(const protocol::MeterFrame &frame, const QDateTime &time);

    RecordedReading sorted(RecordedReading recorded, const std::optional<profiles::BinReading> &values) const;

    profiles::Reference m_reference;
    std::optional<profiles::PreparedBinPlan> m_binPlan;
    bool m_kindFromReading = false;
    bool m_logging = false;
    QString m_failure;
    protocol::MeterSettings m_reported;
    bool m_brightnessOn = true;
    std::optional<LoggedReading> m_lastRlc;
};

} // namespace vorlantlog
