#pragma once

#include "app/form1_options.h"
#include "app/settings_file.h"
#include "i18n/window_lexicons.h"
#include "link/com_types.h"
#include "link/dongle_link.h"
#include "reading/local_clock.h"
#include "log/log_table_view.h"
#include "panel/front_panel.h"
#include "profiles/profiles_controller.h"
#include "protocol/meter_frame.h"
#include "protocol/meter_settings.h"
#include "protocol/rlc_decoder.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

class ExportController;
class ScpiFront;
class JournalController;
class BatchController;
class SortingController;
class LogController;
class LogTableModel;
class PortFinder;
class TComPort;
class TCustomComPort;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QToolButton;

namespace protocol {
class MeterCommand;
}

namespace i18n {
class TLangCombo;
class TLangManClient;
class TLangManEngine;
}

namespace logbook::journal {
struct LogImage;
}

namespace profiles {
class LineEditorController;
class ProfilesController;
}

namespace panel {
class CaptionStrip;
class DropDown;
class MenuController;
class SpinEdit;
}

// The main window. Every control is a public member named as the control (and
// with that objectName); the front panel's controls come from
// panel::FrontPanelControls. The constructor builds the window in its design
// state, binds the handlers and runs FormCreate; the first showing probes the
// dongle. The window binds only: decoding, formatting and command packing are
// the protocol library's.
//
// Sources: form1.cpp (construction), form1_lifecycle.cpp (start-up, size,
// closing), form1_link.cpp (the dongle link), form1_frames.cpp (readings to the
// display), form1_commands.cpp (settings commands and the hold-off),
// form1_remote.cpp (the panel's settings and mode controls), form1_settings.cpp
// (the settings file), form1_log.cpp (the measurement log), form1_profiles.cpp
// (profiles and tolerance sorting), form1_export.cpp (the log into a
// spreadsheet), form1_batch.cpp (statistics, trend chart and CSV of the log),
// form1_language.cpp (the languages).
class TForm1 : public QWidget, public panel::FrontPanelControls
{
    Q_OBJECT

public:
    static constexpr int kClientWidth = 1014;
    static constexpr int kClientHeight = 636;
    static constexpr int kLogRowHeight = 24;
    static constexpr int kLogColumnWidths[10] = {68, 133, 131, 128, 50, 83, 73, 100, 109, 107};
    // Status lines Memo1 keeps: with the auto option on and the meter off, two
    // lines come every 2.5 s for as long as the program runs.
    static constexpr int kStatusLines = 1000;
    // D1's text of the count of received blocks thrown away.
    static constexpr int kDroppedBlocksItem = 10;
    // Least time between two paintings of the window (see RepaintLimiter).
    static constexpr int kRepaintIntervalMs = 100;

    explicit TForm1(Form1Options options = {}, QWidget *parent = nullptr);
    // Closes the port while every control still exists (its closing handler
    // writes "AT" and touches the display).
    ~TForm1() override;

    // Top band.
    QFrame *Panel_top = nullptr;
    QFrame *Panel3 = nullptr;
    QFrame *Panel6 = nullptr;
    QPushButton *Button2 = nullptr; // RLCD mode
    QPushButton *Button1 = nullptr; // RD mode
    QPushButton *Button3 = nullptr; // U mode
    QFrame *Panel1 = nullptr;
    panel::DropDown *CBox10 = nullptr; // part mode
    panel::CaptionStrip *JvP8 = nullptr; // profile caption
    QFrame *Panel5 = nullptr;
    QToolButton *SB1 = nullptr; // create profile
    QToolButton *SB2 = nullptr; // open profile
    QToolButton *SB3 = nullptr; // save profile as
    QToolButton *SB4 = nullptr; // profile editing, two-state
    QFrame *Panel4 = nullptr;   // holds the front panel P5
    QFrame *P_connect = nullptr;
    QToolButton *B2 = nullptr; // connect
    QCheckBox *CheckBox_connect_auto = nullptr;
    QPlainTextEdit *Memo1 = nullptr;

    // Lower part: line editor, logging controls and the log.
    QFrame *Panel9 = nullptr;
    QFrame *JvPanel2 = nullptr;
    QFrame *Panel7 = nullptr;
    panel::CaptionStrip *JvP1 = nullptr;
    panel::DropDown *CBox2 = nullptr;  // primary kind
    QLineEdit *E2 = nullptr;     // primary nominal value
    panel::DropDown *CBox1 = nullptr;  // primary unit, R
    panel::DropDown *CBox3 = nullptr;  // primary unit, L
    panel::DropDown *CBox4 = nullptr;  // primary unit, C
    panel::DropDown *CBox5 = nullptr;  // primary tolerance
    panel::DropDown *CBox11 = nullptr; // secondary kind
    QLineEdit *E11 = nullptr;    // secondary nominal value
    panel::DropDown *CBox31 = nullptr; // secondary unit, R only
    panel::DropDown *CBox51 = nullptr; // secondary tolerance
    panel::DropDown *CBox6 = nullptr;  // line name
    panel::SpinEdit *SE2 = nullptr;     // line navigator
    QPushButton *BB1 = nullptr;  // record line
    QPushButton *BB2 = nullptr;
    QPushButton *Button_Add = nullptr;
    QPushButton *Button_DEL = nullptr;
    QFrame *Panel13 = nullptr;
    panel::CaptionStrip *JvP11 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    panel::SpinEdit *SE1 = nullptr; // start position
    QLabel *Label3 = nullptr;
    QLabel *Label9 = nullptr;
    panel::DropDown *CB1 = nullptr;   // recording interval
    QToolButton *SP1 = nullptr; // start/stop recording, two-state
    QToolButton *B5 = nullptr;  // clear
    QPushButton *Button4 = nullptr; // copy to a spreadsheet
    QFrame *Panel10 = nullptr;
    LogTableView *SG = nullptr; // the log

    // Non-visual parts.
    QTimer *T2 = nullptr;
    QTimer *T3 = nullptr;
    QTimer *T4 = nullptr;
    QTimer *Timer_TX = nullptr;
    // Not a design timer: while the port is open it asks the device every
    // second, so a dongle that vanished while linked is noticed (T3 is off then).
    QTimer *portWatch = nullptr;
    panel::MenuController *menus = nullptr; // opens and closes the selection menus
    LogController *logController = nullptr; // SG, SE1, SP1, B5 and the space bar
    logbook::LocalClock logClock;           // the time of each row
    // While a frame from the port is dispatched: when it arrived there, the time of its row.
    std::optional<qint64> frameArrivalMs;
    ExportController *exporter = nullptr;   // Button4: the log into a spreadsheet
    BatchController *batchViews = nullptr;  // SG's context menu: statistics, trend chart, CSV
    SortingController *sorting = nullptr;   // bin sorting of the readings and its window
    LogTableModel *logModel = nullptr;      // the rows SG shows (the controller's model)
    JournalController *journalController = nullptr; // the log's crash journal and its restore
    ScpiFront *scpiFront = nullptr; // the SCPI server; it listens with --serve only
    // Localization (form1_language.cpp): the engine, declared before the
    // lexicons that look up through it so that it outlives them, the window's
    // client and the binding of the language selector LangCombo1.
    std::unique_ptr<i18n::TLangManEngine> LangMan;
    std::unique_ptr<i18n::TLangManClient> LangManClient1;
    std::unique_ptr<i18n::TLangCombo> langSelector;
    std::array<std::int32_t, 12> comboIndexBackup{}; // drop-down selections across a language change
    profiles::LineEditorController *lineEditor = nullptr;       // the reference values and the judgement
    profiles::ProfilesController *profilesController = nullptr; // profile files, lines and part modes
    std::unique_ptr<profiles::ProfilesController::Host> profilesHost; // the window as the profiles see it
    i18n::WindowLexicons lexicons;
    std::unique_ptr<TComPort> ComPort;
    std::unique_ptr<PortFinder> portFinder;
    // The link's rules and state; the window binds them to its controls.
    std::unique_ptr<DongleLink> dongleLink;

    const Form1Options options;

    // Shared state of the window.
    protocol::MeterSettings meterSettings;
    protocol::RlcReading rlcReading;
    protocol::RlcQuantities rlcQuantities; // derived from the last RLCD frame, for the log's numbers
    QString frequencyText; // test frequency of the last RLCD frame, as the log shows it
    QString levelText;     // test level of the last RLCD frame, as the log shows it
    // The link's flags, kept by dongleLink, under the window's names.
    const bool &meterConnected; // the dongle reported a live link to the meter
    const bool &portReady;      // the port search opened ComPort on the dongle's port
    FrameHold &frameHold;       // its holdFrames is 1 while received frames are dropped
    std::int32_t judgeResult = 0;
    double primaryDeviation = 0.0;   // percent, from the last judgement
    double secondaryDeviation = 0.0; // percent, from the last judgement
    bool readingJudged = false;      // the last RLCD reading got a verdict
    std::int32_t nextLogRow = 0;     // the row after the last row written to the log
    bool multiLogPrepared = false;
    // The open profile, as loadSettings reopens it.
    QString currentProfilePath;
    QString profileDisplayName; // " " and the file name without ".hex1"
    std::int32_t lineCount = 0;
    std::array<std::uint8_t, 5> commandBuffer{}; // the command being sent

    // --- the window's own handlers (form1_lifecycle.cpp) ---
    void FormCreate();
    void FormShow();
    void FormResize();
    void FormCloseQuery();
    void FormClose();

    // --- the SCPI server (form1_scpi.cpp) ---
    void createScpi();
    void startScpi();
    bool applyScpiSettings(const protocol::MeterSettings &settings);

    // --- the dongle link (form1_link.cpp) ---
    bool findAndOpenDongle();
    void probeDongle();
    void B2Click();
    void CheckBox_connect_autoClick();
    void T2Timer();
    void T3Timer();
    void ComPortAfterOpen(TCustomComPort *Sender);
    void ComPortBeforeClose(TCustomComPort *Sender);
    void ComPortException(TCustomComPort *Sender, TComExceptions TComException, const QString &ComportMessage,
                          qint64 WinError, const QString &WinMessage);
    void ComPortRxChar(TCustomComPort *Sender, int Count);

    // --- readings to the display (form1_frames.cpp) ---
    void dispatchFrame(const protocol::MeterFrame &frame);
    void decodeRlcFrame(const protocol::MeterFrame &frame);
    void decodeRdFrame(const protocol::MeterFrame &frame);
    void decodeUFrame(const protocol::MeterFrame &frame);
    void showSettingIndicators();
    void showCircuitIndicators();
    void selectListsFromSettings();

    // --- settings commands (form1_commands.cpp) ---
    void applyDefaultSettings();
    void sendCommand(const protocol::MeterCommand &command);
    void sendSettingsCommand();
    void T4Timer();
    void Timer_TXTimer();

    // --- the panel as a remote control (form1_remote.cpp) ---
    // The list handlers take the index of the item the user clicked.
    void ListBox_freq_RLCClick(int index);
    void ListBox_prim_RLCClick(int index);
    void ListBox_sec_RLCClick(int index);
    void ListBox_ser_perClick(int index);
    void ListBox_Level_RLCClick(int index);
    void SP2Click();
    void SP3Click();
    void SP4Click();
    void SBe1Click();
    void CB1Click(int index);
    void CB1DropDown();
    void sendModeCommand(protocol::MeterMode mode);
    void Button2Click();
    void Button1Click();
    void Button3Click();

    // --- the settings file (form1_settings.cpp) ---
    // Reads the settings file, re-applies the auto option, reopens the last
    // profile and trims the frequency list; true when the profile was reopened.
    bool loadSettings();
    // Remembers the profile for the next start. False, after telling the
    // user, when the path is too long for the file or the file cannot be
    // written.
    bool storeProfilePath(const QString &path);
    // A profile just made, opened or copied into the settings file. When it
    // cannot be stored (the box says why) it stays open for this run all the
    // same, caption and lines; false then.
    bool rememberProfilePath(const QString &path);
    // The language selector's index at a language change; the caller tells the user of a problem.
    [[nodiscard]] app::SettingsWriteProblem storeLanguageIndex(std::int32_t index);

    // --- the measurement log (form1_log.cpp) ---
    void appendLogRow();
    void resetLogTable(int rows);
    void showSinglePartHeaders();
    void prepareMultiPartLog();
    void selectGridCell(int row, int column);
    void SP1Click();
    void B5Click();
    // The space bar, seen before the focused control gets it.
    void FormKeyPressSpace();

    // --- languages (form1_language.cpp) ---
    void LangManChangeLangQuery(i18n::TLangManEngine *Sender, bool &Continue);
    void LangManChangeLanguage(i18n::TLangManEngine *Sender);

    // --- the log into a spreadsheet (form1_export.cpp) ---
    void Button4Click();

    // --- the log's journal (form1_journal.cpp) ---
    // Offers the log a former run left behind (once, when the window shows).
    void offerLogRestore();
    // Puts a restored log on the window.
    void restoreLog(const logbook::journal::LogImage &image);

signals:
    // A frame's decoder has written its display panel.
    void frameDisplayed(protocol::MeterMode mode);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void applyWindowDesign();
    void buildLogGrid();
    void createTimers();
    void createComPort();
    void bindLink();
    void bindHandlers();
    void bindRemoteHandlers();
    void bindExport();

    // A timer that is already running keeps its schedule.
    static void enableTimer(QTimer *timer);

    // What the window shows of the link's events.
    void showConnectOffer(DongleLink::Offer offer);
    // The count of received blocks thrown away, as Memo1's tooltip.
    void showDroppedBlocks(quint64 total);
    void linkConnecting();
    void linkAttemptEnded();
    void linkUp();
    void linkDown();
    void linkPortClosed();
    void blankReadings();
    void showDisplay(QFrame *display);
    void colourDisplay(bool reject);
    void portWatchTimer();
    void reportFinderMissing();

    // The auto option's state taken: B2 follows it and the settings file keeps it.
    [[nodiscard]] app::SettingsWriteProblem takeAutoConnect();
    [[nodiscard]] app::SettingsWriteProblem storeAutoConnect(bool checked);
    void adjustFrequencyList();
    bool reopenLastProfile(const QString &path);
    // A settings file that cannot be read or written at start is no reason to
    // stop; the reason goes to stderr, each different one once.
    void reportSettingsProblem(const QString &why);
    void bindLogHandlers();
    void bindBatchViews();
    void createJournal();

    // Gives the language engine its default language, "English".
    void setDefaultLanguage();
    void createLanguageEngine();

    // --- profiles and tolerance sorting (form1_profiles.cpp) ---
    void createProfileControllers();
    // Lists the open profile's line names and applies line 1.
    void fillLineNames();

    bool shown_ = false;
    bool probed_ = false;
    QStringList settingsProblemsReported_;
};
