#pragma once

#include "i18n/designed_lexicon.h"
#include "profiles/profile_file.h"
#include "profiles/profile_table.h"
#include "protocol/meter_settings.h"

#include <QObject>
#include <QString>

#include <cstdint>

class FrameHold;
class QAbstractButton;
class QComboBox;
class QModelIndex;
class QTableView;
class QWidget;

namespace i18n {
struct WindowLexicons;
}

namespace panel {
class DropDown;
class SpinEdit;
}

namespace profiles {

class LineEditorController;

// The open profile and the part modes on the window: creating, opening and
// copying profiles, stepping through their lines, applying a line to the
// editor and the meter, recording, inserting and deleting lines, and the
// profile view of the log table in multi-part mode.
//
// The window keeps the shared state (the open profile, the meter settings,
// the log) and lends it through State and Host; the file rules are the
// core's (profile_file.h), so nothing here knows a byte offset.
class ProfilesController : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        QComboBox *CBox10 = nullptr;        // part mode: item 0 single part, item 1 multi part
        panel::DropDown *CBox6 = nullptr;   // the line names
        panel::SpinEdit *SE2 = nullptr;     // line navigator, arrows inverted
        QAbstractButton *BB1 = nullptr;     // "Запись"
        QAbstractButton *Button_Add = nullptr;
        QAbstractButton *Button_DEL = nullptr;
        QAbstractButton *SB1 = nullptr;     // create
        QAbstractButton *SB2 = nullptr;     // open
        QAbstractButton *SB3 = nullptr;     // save as
        QAbstractButton *SP1 = nullptr;     // recording runs while it is down
        QAbstractButton *B5 = nullptr;      // clear the log
        QWidget *Memo1 = nullptr;           // takes the focus after "Запись"
        QTableView *SG = nullptr;           // the log table
        QWidget *dialogParent = nullptr;    // the file dialogs' owner
    };

    // The window's state of the open profile.
    struct State
    {
        QString *currentProfilePath = nullptr;
        std::int32_t *lineCount = nullptr;
        bool *multiLogPrepared = nullptr;
    };

    // What the window does for the profiles: the meter settings a line
    // stores and takes, the settings file, the log table and its profile
    // view, and the message boxes.
    class Host
    {
    public:
        virtual ~Host() = default;
        virtual protocol::MeterSettings meterSettings() const = 0;
        // Takes, shows and sends the settings of an applied line.
        virtual void applyMeterSettings(const protocol::MeterSettings &settings) = 0;
        // Reads the settings file again; false when its profile cannot be used.
        virtual bool loadSettings() = 0;
        // False, after the box, when the path was not stored.
        virtual bool storeProfilePath(const QString &path) = 0;
        virtual ProfileTableView &profileTable() = 0;
        virtual void resetLogTable(int rows) = 0;
        virtual void showSinglePartHeaders() = 0;
        virtual void selectGridCell(int row, int column) = 0;
        virtual void stopRecording() = 0;
        virtual void showMessage(const QString &text) = 0; // a box with one OK button
        virtual void showError(const QString &text) = 0;   // the application's error box
    };

    // Frames wait on `frameHold` while a line is applied.
    ProfilesController(const Controls &controls, LineEditorController &editor, const i18n::WindowLexicons &lexicons,
                       const State &state, FrameHold &frameHold, Host &host, QObject *parent = nullptr);

    // The texts of profile-file problems; a language engine may be attached.
    i18n::TDesignedLexicon &messages() { return m_messages; }

    bool multiPart() const;

    // Line k becomes current: the editor and the meter settings from it, and
    // the settings to the meter. False (after the error box) when it cannot be read.
    bool applyProfileLine(int k);
    // The name list from the open profile, then line 1 applied.
    void fillLineNames();
    void showProfileTable();
    void showProfileTableRow(int k);

    void recordProfileLine();
    void insertProfileLine();
    void deleteProfileLine();

    void createProfile();
    void openProfile();
    void saveProfileAs();

    void CBox10Change();

    // `path` is now the open profile, with `lineCount` lines: the one way the
    // window's profile state changes (a reopen at start-up too).
    void takeProfile(const QString &path, std::int32_t lineCount);

private:
    void navigatorStepped(int k);
    void nameChosen(int index);
    void tableClicked(const QModelIndex &index);
    void selectLineName(int k);
    // The name list from the profile's lines, the typed name kept; false when
    // the profile cannot be read (after the error box when `report`).
    bool listLineNames(bool report);
    void selectRowWhenStopped(int k);
    void setLineCount(std::int32_t count);
    void showTableOrRow(int k);
    // The profile, or nothing after the error box.
    std::optional<ProfileContents> readOpenProfile();
    ProfileLine lineFromEditor() const;
    // A file name from Qt's own dialog; empty when cancelled.
    QString askFileName(bool forSaving);
    void showFailure(const QString &failed, const ProfileProblem &problem);
    // A changed profile file: its new line count and names, or the problem
    // in the error box. True when the change was made.
    bool showChange(const ProfileChange &change);
    // The profile path into the settings file; true when stored. When it
    // is not (the host has said why), the host keeps it open for this run.
    bool rememberProfile(const QString &path);

    Controls m_c;
    LineEditorController &m_editor;
    const i18n::WindowLexicons &m_lexicons;
    State m_state;
    FrameHold &m_frameHold;
    Host &m_host;
    i18n::TDesignedLexicon m_messages;
};

} // namespace profiles
