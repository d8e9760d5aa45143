#include "reading_recorder.h"

#include "reading/reading.h"
#include "profiles/tolerance_check.h"
#include "protocol/meter_tables.h"
#include "protocol/rd_u_values.h"
#include "protocol/rlc_decoder.h"

#include <cmath>
#include <limits>

namespace vorlantlog {

ReadingRecorder::ReadingRecorder(const profiles::Reference &reference, bool kindFromReading)
    : m_reference(reference)
    , m_kindFromReading(kindFromReading)
{
}

std::optional<RecordedReading> ReadingRecorder::read(const protocol::MeterFrame &frame, const QDateTime &time)
{
    const protocol::FrameRoute route = protocol::routeFrame(frame);
    if (!route.accepted)
        return std::nullopt;
    m_brightnessOn = route.brightnessOn;
    if (!route.decoder)
        return std::nullopt;
    switch (*route.decoder) {
    case protocol::MeterMode::Rlcd:
        return readRlc(frame, time);
    case protocol::MeterMode::Rd:
        return sorted({csvRecordForRd(time, protocol::rdValues(frame), std::nullopt), false, std::nullopt}, std::nullopt);
    case protocol::MeterMode::U:
        return sorted({csvRecordForU(time, protocol::uValues(frame), std::nullopt), false, std::nullopt}, std::nullopt);
    }
    return std::nullopt;
}

RecordedReading ReadingRecorder::readRlc(const protocol::MeterFrame &frame, const QDateTime &time)
{
    const protocol::RlcDecodeResult decoded = protocol::decodeRlcFrame(frame, protocol::FormatContext{protocol::UnitTexts::design(), {}});
    m_reported = decoded.settings;

    LoggedReading reading;
    reading.time = time;
    reading.settings = decoded.settings;
    reading.reading = decoded.reading;
    reading.quantities = decoded.quantities;
    reading.primaryToleranceOn = m_reference.primary.on;
    reading.secondaryToleranceOn = m_reference.secondary.on;
    if (m_kindFromReading && m_logging) {
        m_kindFromReading = false;
        if (const auto quantity = profiles::quantityOfPrimaryCode(decoded.settings.primaryCode)) {
            m_reference.primary.quantity = *quantity;
            m_reference.primary.problem = profiles::ReferenceProblem::None;
        } else
            m_failure = QStringLiteral("--nominal needs a unit (100nF, 10uH, 4.7kohm) or --primary R, C or L: "
                                       "the meter measures %1")
                            .arg(protocol::primaryLetter(decoded.settings.primaryCode).value_or(QStringLiteral("?")));
    }
    if (m_reference.judges()) {
        const profiles::JudgeOutcome outcome =
            profiles::judgeReading(decoded.reading, decoded.settings.seriesCircuit, m_reference);
        const double none = std::numeric_limits<double>::quiet_NaN(); // written as an empty cell
        reading.judged = true;
        reading.judgeResult = outcome.result;
        reading.primaryDeviation = outcome.primaryDeviation.value_or(none);
        reading.secondaryDeviation = outcome.secondaryDeviation.value_or(none);
    }
    m_lastRlc = reading;
    return sorted({csvRecordFor(reading, std::nullopt), reading.judged && reading.judgeResult != 0, std::nullopt},
                  profiles::binReadingOf(decoded.settings, decoded.reading, decoded.quantities));
}

RecordedReading ReadingRecorder::sorted(RecordedReading recorded,
                                        const std::optional<profiles::BinReading> &values) const
{
    if (!m_binPlan)
        return recorded;
    // A reading without RLC values (RD, U) has no main value to sort: OUT.
    const profiles::BinResult bin = profiles::sortReading(*m_binPlan, values.value_or(profiles::BinReading{}),
                                                          profiles::lineNominalOf(m_reference));
    recorded.bin = bin;
    recorded.record.bin = profiles::binText(bin.bin);
    return recorded;
}

} // namespace vorlantlog
