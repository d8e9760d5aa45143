#pragma once

// What the SCPI server may know and do about the meter, whichever front end
// holds the link: the window or vorlant-log. The front end fills in the
// hooks and hands over each RLCD reading it decoded and each loss of the link.

#include "protocol/meter_settings.h"
#include "reading/reading.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace remote {

class MeterAccess : public QObject
{
    Q_OBJECT

public:
    struct Hooks
    {
        // The dongle reports a live link to the meter.
        std::function<bool()> linked;
        // The settings record a choice builds on (the front end's own).
        std::function<protocol::MeterSettings()> settings;
        // Takes the record as the front end's own, holds frames off and sends
        // the settings command, as a choice on the panel does; false when
        // nothing could go out.
        std::function<bool(const protocol::MeterSettings &)> sendSettings;
    };

    explicit MeterAccess(Hooks hooks, QObject *parent = nullptr);

    bool meterLinked() const;
    protocol::MeterSettings settings() const;
    bool sendSettings(const protocol::MeterSettings &settings);

    // The dongle's id for *IDN?; "0" while none is known.
    void setDongleId(const QString &id) { m_dongleId = id; }
    QString dongleId() const { return m_dongleId.isEmpty() ? QStringLiteral("0") : m_dongleId; }

    // The latest RLCD reading since the link came up.
    const std::optional<reading::Reading> &latestReading() const { return m_latest; }

    // --- the front end's side ------------------------------------------------
    // A reading that was not held off.
    void takeReading(const reading::Reading &reading);
    // The link went down: the latest reading is no longer the meter's.
    void takeLinkLoss();

signals:
    void readingArrived();
    void linkLost();

private:
    Hooks m_hooks;
    QString m_dongleId;
    std::optional<reading::Reading> m_latest;
};

} // namespace remote
