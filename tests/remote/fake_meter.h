#pragma once

// A meter behind MeterAccess for the command tests: linked or not, with the
// settings record it holds and every record sent to it, as command bytes.

#include "profiles/tolerance_check.h"
#include "remote/meter_access.h"

#include "protocol/meter_command.h"

#include <QByteArrayList>

struct FakeMeter
{
    bool linked = true;
    protocol::MeterSettings record;
    QByteArrayList sent; // "01 04 B2 22 0A"
    remote::MeterAccess access{remote::MeterAccess::Hooks{
        [this] { return linked; },
        [this] { return record; },
        [this](const protocol::MeterSettings &s) {
            record = s;
            record.pinAutoFrequency();
            sent.append(protocol::MeterCommand::settings(record, true).toByteArray().toHex(' ').toUpper());
            return true;
        },
    }};

    // A reading of a part with series R and X at the record's settings.
    void read(double seriesR, double seriesX, std::int32_t verdict = profiles::kNotJudged, std::optional<std::uint8_t> bin = {})
    {
        reading::Reading r;
        r.settings = record;
        r.reading.seriesResistance = seriesR;
        r.reading.seriesReactance = seriesX;
        const double z2 = seriesR * seriesR + seriesX * seriesX;
        r.reading.parallelResistance = seriesR > 0 ? z2 / seriesR : 0.0;
        r.reading.parallelReactance = seriesX > 0 ? z2 / seriesX : 0.0;
        r.quantities.impedance = std::sqrt(z2);
        r.quantities.dissipation = seriesX > 0 ? seriesR / seriesX : 0.0;
        r.quantities.quality = seriesR > 0 ? seriesX / seriesR : 0.0;
        r.quantities.capacitance = 1e-7;
        r.judged = verdict != profiles::kNotJudged;
        r.judgeResult = verdict;
        r.bin = bin;
        access.takeReading(r);
    }
};
