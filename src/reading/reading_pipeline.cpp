#include "reading/reading_pipeline.h"

#include "profiles/tolerance_check.h"
#include "protocol/meter_tables.h"
#include "protocol/rd_u_values.h"
#include "protocol/rlc_decoder.h"

#include <limits>

namespace reading {

ReadingPipeline::ReadingPipeline(const profiles::Reference &reference, bool kindFromReading)
    : m_reference(reference)
    , m_kindFromReading(kindFromReading)
{
}

std::optional<Reading> ReadingPipeline::read(const protocol::MeterFrame &frame, const QDateTime &time)
{
    const protocol::FrameRoute route = protocol::routeFrame(frame);
    if (!route.accepted)
        return std::nullopt;
    m_brightnessOn = route.brightnessOn;
    if (!route.decoder)
        return std::nullopt;
    Reading reading;
    switch (*route.decoder) {
    case protocol::MeterMode::Rlcd: {
        const protocol::RlcDecodeResult decoded =
            protocol::decodeRlcFrame(frame, protocol::FormatContext{protocol::UnitTexts::design(), {}});
        m_reported = decoded.settings;
        if (m_kindFromReading && m_logging) {
            m_kindFromReading = false;
            if (const auto quantity = profiles::quantityOfPrimaryCode(decoded.settings.primaryCode)) {
                m_reference.primary.quantity = *quantity;
                m_reference.primary.problem = profiles::ReferenceProblem::None;
            } else {
                m_failure = QStringLiteral("--nominal needs a unit (100nF, 10uH, 4.7kohm) or --primary R, C or L: "
                                           "the meter measures %1")
                                .arg(protocol::primaryLetter(decoded.settings.primaryCode).value_or(QStringLiteral("?")));
            }
        }
        return judgedReading(time, decoded.settings, decoded.reading, decoded.quantities, m_reference,
                             m_binPlan ? &*m_binPlan : nullptr);
    }
    case protocol::MeterMode::Rd:
        reading.rd = protocol::rdValues(frame);
        break;
    case protocol::MeterMode::U:
        reading.u = protocol::uValues(frame);
        break;
    }
    reading.time = time;
    reading.mode = *route.decoder;
    // A reading without RLC values has no main value to sort: OUT.
    if (m_binPlan)
        reading.bin = profiles::sortReading(*m_binPlan, {}, profiles::lineNominalOf(m_reference)).bin;
    return reading;
}

Reading judgedReading(const QDateTime &time, const protocol::MeterSettings &settings,
                      const protocol::RlcReading &values, const protocol::RlcQuantities &quantities,
                      const profiles::Reference &reference, const profiles::PreparedBinPlan *plan)
{
    Reading reading;
    reading.time = time;
    reading.settings = settings;
    reading.reading = values;
    reading.quantities = quantities;
    reading.primaryToleranceOn = reference.primary.on;
    reading.secondaryToleranceOn = reference.secondary.on;
    if (reference.judges()) {
        const profiles::JudgeOutcome outcome = profiles::judgeReading(values, settings.seriesCircuit, reference);
        const double none = std::numeric_limits<double>::quiet_NaN(); // no deviation: an empty cell
        reading.judged = true;
        reading.judgeResult = outcome.result;
        reading.primaryDeviation = outcome.primaryDeviation.value_or(none);
        reading.secondaryDeviation = outcome.secondaryDeviation.value_or(none);
    }
    if (plan)
        reading.bin = profiles::sortReading(*plan, profiles::binReadingOf(settings, values, quantities),
                                            profiles::lineNominalOf(reference))
                          .bin;
    return reading;
}

} // namespace reading
