// A receive block through the frame route and the decoder of its mode, as the
// window's dispatchFrame runs them, with the settings indicators an RLCD
// frame updates. Byte 18, when present, picks the number separators.

#include "protocol/unit_texts.h"
#include "protocol/meter_frame.h"
#include "protocol/rd_u_decoder.h"
#include "protocol/rlc_decoder.h"
#include "protocol/settings_indicators.h"

#include <QChar>

#include <algorithm>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace protocol;
    const std::span<const std::uint8_t> input(data, size);
    const auto frame = MeterFrame::fromBytes(input.first(std::min(size, MeterFrame::kSize)));
    if (!frame)
        return 0;
    static const NumberSeparators separators[] = {
        {QStringLiteral("."), QStringLiteral(",")},
        {QStringLiteral(","), QString(QChar(0x00A0))},
        {QStringLiteral("."), QString()},
    };
    const FormatContext context{UnitTexts::design(), separators[size > MeterFrame::kSize ? data[MeterFrame::kSize] % 3 : 0]};

    const FrameRoute route = routeFrame(*frame);
    if (!route.accepted || !route.decoder)
        return 0;
    switch (*route.decoder) {
    case MeterMode::Rlcd: {
        const RlcDecodeResult result = decodeRlcFrame(*frame, context);
        showSettingIndicators(result.settings, result.reading.frequencyHz, UnitTexts::design(), false);
        showCircuitIndicators(result.settings);
        selectListsFromSettings(result.settings);
        break;
    }
    case MeterMode::Rd:
        decodeRdFrame(*frame, context);
        break;
    case MeterMode::U:
        decodeUFrame(*frame, context);
        break;
    }
    return 0;
}
