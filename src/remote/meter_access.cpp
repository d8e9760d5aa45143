#include "remote/meter_access.h"

namespace remote {

MeterAccess::MeterAccess(Hooks hooks, QObject *parent)
    : QObject(parent)
    , m_hooks(std::move(hooks))
{
}

bool MeterAccess::meterLinked() const
{
    return m_hooks.linked && m_hooks.linked();
}

protocol::MeterSettings MeterAccess::settings() const
{
    return m_hooks.settings ? m_hooks.settings() : protocol::MeterSettings::defaults();
}

bool MeterAccess::sendSettings(const protocol::MeterSettings &settings)
{
    return m_hooks.sendSettings && m_hooks.sendSettings(settings);
}

void MeterAccess::takeReading(const reading::Reading &reading)
{
    m_latest = reading;
    emit readingArrived();
}

void MeterAccess::takeLinkLoss()
{
    m_latest.reset();
    emit linkLost();
}

} // namespace remote
