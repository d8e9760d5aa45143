#pragma once

#include "i18n/window_lexicons.h"
#include "log/reading_csv.h"
#include "profiles/tolerance_check.h"
#include "protocol/meter_frame.h"
#include "protocol/meter_settings.h"

#include <QDateTime>

#include <optional>

namespace vorlantlog {

struct RecordedReading
{
    CsvRecord record;      // position left empty
    bool rejected = false; // judged, and not a pass
};

// Turns the frames the link hands over into output records, by the rules
// the window reads them with: the frame's route, the mode's decoder, the
// tolerance judgement for RLCD readings, the log's record of numbers. It
// also keeps what every frame reports about the meter (its RLCD settings and
// brightness), which the settings command is built from.
class ReadingRecorder
{
public:
    explicit ReadingRecorder(const profiles::ReferenceEditor &reference);

    // The reading a frame carries; nullopt for one that carries none (its
    // end marks are wrong, or its mode is unknown).
    std::optional<RecordedReading> read(const protocol::MeterFrame &frame, const QDateTime &time);

    const protocol::MeterSettings &reportedSettings() const { return m_reported; }
    bool brightnessOn() const { return m_brightnessOn; }
    const i18n::WindowLexicons &lexicons() const { return m_lexicons; }

private:
    RecordedReading readRlc(const protocol::MeterFrame &frame, const QDateTime &time);

    i18n::WindowLexicons m_lexicons; // the decoder's texts are not used, but it writes them
    profiles::ReferenceEditor m_reference;
    bool m_judges = false;
    protocol::MeterSettings m_reported;
    bool m_brightnessOn = true;
};

} // namespace vorlantlog
