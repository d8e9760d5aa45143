// vorlant --serve: the SCPI server speaks for the window's link. A setting
// it is sent goes out as a choice on the panel does: frames held off, the
// window's record changed, the settings command sent; the next frame after
// the hold-off shows the meter's own report.

#include "app/form1.h"
#include "app/scpi_front.h"

#include <QPlainTextEdit>

#include <cstdio>

void TForm1::createScpi()
{
    // Made without --serve too: its lexicon is one of the window's, whatever the options.
    remote::MeterAccess::Hooks hooks{
        [this] { return meterConnected; },
        [this] { return meterSettings; },
        [this](const protocol::MeterSettings &settings) { return applyScpiSettings(settings); },
    };
    scpiFront = new ScpiFront(std::move(hooks), [this](const QString &line) { Memo1->appendPlainText(line); }, this);
    if (options.lexiconTranslator)
        scpiFront->Dscpi.setLangManEngine(options.lexiconTranslator);
}

void TForm1::startScpi()
{
    if (!options.scpiAddress.isEmpty() && !scpiFront->listen(options.scpiAddress)) {
        // The window goes on without the server; a script's author looks at the terminal too.
        std::fprintf(stderr, "vorlant: %s\n", qPrintable(Memo1->toPlainText().section(QLatin1Char('\n'), -1)));
        std::fflush(stderr);
    }
}

bool TForm1::applyScpiSettings(const protocol::MeterSettings &settings)
{
    if (!meterConnected)
        return false;
    frameHold.hold(FrameHold::Reason::SettingChange);
    meterSettings = settings;
    selectListsFromSettings();
    showSettingIndicators();
    showCircuitIndicators();
    sendSettingsCommand();
    return true;
}
