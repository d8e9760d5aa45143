// The meter's side of the settings command (five bytes, last 0x0A):
//   byte 0  0x01, +0x40 when the brightness is to be OFF
//   byte 1  bits 0..4 frequency code, bit 5 automatic frequency,
//           bits 6..7 circuit: 0 automatic, 1 parallel, 2 series
//   byte 2  bits 0..3 main parameter, bits 4..6 secondary parameter
//           (0 automatic for both), bit 7 sound
//   byte 3  level code, level auto, interval code, capture (frame byte 10)
// Example: 01 24 80 21 0A = brightness on, automatic frequency (code 4),
// circuit, main and secondary automatic, sound on, level 1, interval 2.
// Mode command: 0x81..0x83 (+0x40 brightness off), 01 01 01 0A.

#include "meter_model.h"

#include "protocol/frame_encoder.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace metersim {

namespace {

using protocol::MeterMode;

constexpr double kTargetReactance = 1000.0; // ohms the automatic frequency aims at
constexpr double kParallelFrom = 1000.0;    // |Z| from which the parallel circuit is chosen
constexpr double kRdTestVoltage = 1.3;      // volts of the automatic resistance range
constexpr double kRdSourceResistance = 100.0;
constexpr double kDiodeCurrent = 1000.0;    // microamperes

enum Parameter : std::uint8_t { kR = 1, kC = 2, kL = 3, kZ = 4 };
enum Secondary : std::uint8_t { kSecR = 1, kSecQ = 2, kSecD = 3, kSecPhase = 4 };

Parameter natureOf(std::complex<double> z)
{
    const double r = std::abs(z.real());
    const double x = z.imag();
    if (std::abs(x) <= r / 10)
        return kR;
    return x < 0 ? kC : kL;
}

} // namespace

SettingsCommand SettingsCommand::fromBytes(std::span<const std::uint8_t, 5> b)
{
    SettingsCommand c;
    c.brightnessOn = (b[0] & 0x40) == 0;
    c.freqCode = b[1] & 0x1F;
    c.freqAuto = (b[1] & 0x20) != 0;
    c.circuit = std::uint8_t(b[1] >> 6);
    c.primary = b[2] & 0x0F;
    c.secondary = (b[2] >> 4) & 0x07;
    c.sound = (b[2] & 0x80) != 0;
    c.levelByte = b[3];
    return c;
}

std::uint8_t automaticFrequencyCode(const Part &part)
{
    struct Choice { std::uint8_t code; double hz; };
    static constexpr Choice kChoices[] = {{3, 1000}, {1, 100}, {4, 10000}, {5, 100000}};
    if (natureOf(part.impedanceAt(1000)) == kR)
        return 3;
    std::uint8_t best = 3;
    double bestDistance = INFINITY;
    for (const Choice &c : kChoices) {
        const double x = std::abs(part.impedanceAt(c.hz).imag());
        const double distance = x > 0 ? std::abs(std::log10(x / kTargetReactance)) : INFINITY;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = c.code;
        }
    }
    return best;
}

MeterModel::MeterModel(Config config)
    : m_config(std::move(config)), m_rng(m_config.seed)
{
    if (m_config.parts.empty())
        m_config.parts.push_back(*parsePart(QStringLiteral("R=4.7k"), nullptr));
    m_config.readingsPerPart = std::max(1, m_config.readingsPerPart);
    m_config.noisePercent = std::clamp(m_config.noisePercent, 0.0, 100.0);
}

bool MeterModel::applyCommand(std::span<const std::uint8_t, 5> bytes)
{
    if (bytes[4] != 0x0A)
        return false;
    const std::uint8_t lead = bytes[0] & ~0x40;
    if (lead >= 0x81 && lead <= 0x83) {
        m_mode = MeterMode(lead & 0x0F);
        m_brightnessOn = (bytes[0] & 0x40) == 0;
        return true;
    }
    if (lead != 0x01)
        return false;

    const SettingsCommand c = SettingsCommand::fromBytes(bytes);
    m_brightnessOn = c.brightnessOn;
    m_settings.freqAuto = c.freqAuto ? 1 : 0;
    m_settings.freqCode = c.freqCode;
    // A code the meter does not know leaves that setting as it was.
    if (c.circuit <= 2) {
        m_settings.circuitAuto = c.circuit == 0 ? 1 : 0;
        if (c.circuit != 0)
            m_settings.seriesCircuit = c.circuit == 2 ? 1 : 0;
    }
    if (c.primary <= kZ) {
        m_settings.primaryAuto = c.primary == 0 ? 1 : 0;
        if (c.primary != 0)
            m_settings.primaryCode = c.primary;
    }
    if (c.secondary <= kSecPhase) {
        m_settings.secondaryAuto = c.secondary == 0 ? 1 : 0;
        if (c.secondary != 0)
            m_settings.secondaryCode = c.secondary;
    }
    m_settings.sound = c.sound ? 1 : 0;
    m_settings.levelCode = c.levelByte & 0x07;
    m_settings.levelAuto = (c.levelByte >> 3) & 1;
    m_settings.intervalCode = (c.levelByte >> 4) & 0x07;
    m_settings.capture = (c.levelByte >> 7) & 1;
    if (m_settings.capture == 0)
        m_haveHeld = false;
    return true;
}

protocol::MeterSettings MeterModel::reportedSettings(const Part &part) const
{
    protocol::MeterSettings s = m_settings;
    if (s.freqAuto)
        s.freqCode = automaticFrequencyCode(part);
    const auto z = part.impedanceAt(protocol::frequencyForCode(s.freqCode));
    const Parameter nature = natureOf(z);
    if (s.primaryAuto)
        s.primaryCode = nature;
    if (s.secondaryAuto)
        s.secondaryCode = s.primaryCode == kC ? kSecD : s.primaryCode == kL ? kSecQ : kSecPhase;
    if (s.circuitAuto)
        s.seriesCircuit = std::abs(z) < kParallelFrom ? 1 : 0;
    // An L reading of a capacitive part, or a C reading of an inductive one,
    // comes out negative.
    s.negativeSign = (s.primaryCode == kL && z.imag() < 0) || (s.primaryCode == kC && z.imag() > 0) ? 1 : 0;
    return s;
}

const Part &MeterModel::currentPart() const
{
    const std::uint64_t perPart = std::uint64_t(m_config.readingsPerPart);
    return m_config.parts[std::size_t((m_readings / perPart) % m_config.parts.size())];
}

double MeterModel::noiseFactor()
{
    if (m_config.noisePercent <= 0)
        return 1.0;
    std::uniform_real_distribution<double> spread(-1.0, 1.0);
    return 1.0 + spread(m_rng) * m_config.noisePercent / 100.0;
}

protocol::MeterFrame MeterModel::nextReading()
{
    const Part &part = currentPart();
    ++m_readings;

    switch (m_mode) {
    case MeterMode::Rd: {
        if (part.kind == Part::Kind::Diode) {
            const protocol::RdStatus diode{0, false, 0};
            return protocol::encodeRdFrame(part.forwardVoltage * 1000.0 * noiseFactor(), kDiodeCurrent, 0.0, diode,
                                           m_brightnessOn);
        }
        const double r = part.dcResistance() * noiseFactor();
        const double current = kRdTestVoltage / (r + kRdSourceResistance) * 1e6;
        return protocol::encodeRdFrame(r, current, 0.0, protocol::RdStatus{2, false, 0}, m_brightnessOn);
    }
    case MeterMode::U: {
        if (part.kind != Part::Kind::Voltage)
            return protocol::encodeUFrame(0.0, 0.0, 0.0, m_brightnessOn);
        const double u = part.voltage * noiseFactor();
        const double ripple = std::abs(part.voltage) * 2.0 * m_config.noisePercent / 100.0;
        return protocol::encodeUFrame(std::abs(u), ripple, u, m_brightnessOn);
    }
    case MeterMode::Rlcd:
        break;
    }

    const protocol::MeterSettings s = reportedSettings(part);
    const auto z = part.impedanceAt(protocol::frequencyForCode(s.freqCode));
    double r = z.real() * noiseFactor() + (m_config.numbered ? double(m_readings) : 0.0);
    double x = z.imag() * noiseFactor();
    if (s.capture && m_haveHeld) {
        r = m_heldR;
        x = m_heldX;
    } else {
        m_haveHeld = true;
        m_heldR = r;
        m_heldX = x;
    }
    return protocol::encodeRlcFrame(s, r, x, m_brightnessOn);
}

std::chrono::milliseconds MeterModel::readingInterval(double speed) const
{
    int ms = 1000;
    switch (m_settings.intervalCode) {
    case 3: ms = 500; break;
    case 2: ms = 1000; break;
    case 1: ms = 2000; break;
    default: break;
    }
    if (speed > 0)
        ms = int(std::lround(ms / speed));
    // Readings stay far enough apart to arrive as separate reads, with room
    // for a dongle reply between two of them.
    return std::chrono::milliseconds(std::max(ms, 40));
}

} // namespace metersim
