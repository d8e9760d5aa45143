#include "meter_setup.h"

#include "protocol/settings_selection.h"

namespace vorlantlog {

protocol::MeterSettings requestedSettings(const LoggerOptions &options, const protocol::MeterSettings &reported,
                                          const protocol::UnitTexts &texts)
{
    protocol::MeterSettings settings = options.profileSettings.value_or(reported);
    const SelectionChoices &c = options.choices;
    // The parser only gives items of the lists, so no choice is refused here.
    if (c.frequency)
        protocol::chooseFrequency(settings, *c.frequency, texts);
    if (c.level)
        protocol::chooseLevel(settings, *c.level, texts);
    if (c.primary)
        protocol::choosePrimary(settings, *c.primary);
    if (c.secondary)
        protocol::chooseSecondary(settings, *c.secondary);
    if (c.circuit)
        protocol::chooseCircuit(settings, *c.circuit);
    if (c.interval)
        protocol::chooseInterval(settings, *c.interval);
    settings.pinAutoFrequency();
    return settings;
}

std::vector<protocol::MeterCommand> setupCommands(const LoggerOptions &options,
                                                  const protocol::MeterSettings &reported, bool brightnessOn,
                                                  const protocol::UnitTexts &texts)
{
    std::vector<protocol::MeterCommand> commands;
    if (options.mode)
        commands.push_back(protocol::MeterCommand::mode(*options.mode, brightnessOn));
    if (options.sendsSettings())
        commands.push_back(protocol::MeterCommand::settings(requestedSettings(options, reported, texts),
                                                            brightnessOn));
    return commands;
}

} // namespace vorlantlog
