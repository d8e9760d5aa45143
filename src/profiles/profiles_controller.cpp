#include "profiles/profiles_controller.h"

#include "i18n/window_lexicons.h"
#include "link/frame_hold.h"
#include "panel/drop_down.h"
#include "panel/handler_edge.h"
#include "panel/spin_edit.h"
#include "profiles/line_editor.h"
#include "profiles/line_editor_controller.h"
#include "profiles/part_mode.h"
#include "profiles/profile_messages.h"
#include "profiles/profile_table.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QTableView>

#include <algorithm>

namespace profiles {

namespace {

// openProfile's failure text is fixed, whatever the language.
const QString kOpenFailed = QStringLiteral("Неудача!");

} // namespace

ProfilesController::ProfilesController(const Controls &controls, LineEditorController &editor,
                                       const i18n::WindowLexicons &lexicons, const State &state, FrameHold &frameHold,
                                       Host &host, QObject *parent)
    : QObject(parent)
    , m_c(controls)
    , m_editor(editor)
    , m_lexicons(lexicons)
    , m_state(state)
    , m_frameHold(frameHold)
    , m_host(host)
    , m_messages(profileMessages())
{
    connect(m_c.BB1, &QAbstractButton::clicked, this, panel::atEdge(this, &ProfilesController::recordProfileLine));
    connect(m_c.Button_Add, &QAbstractButton::clicked, this,
            panel::atEdge(this, &ProfilesController::insertProfileLine));
    connect(m_c.Button_DEL, &QAbstractButton::clicked, this,
            panel::atEdge(this, &ProfilesController::deleteProfileLine));
    connect(m_c.SB1, &QAbstractButton::clicked, this, panel::atEdge(this, &ProfilesController::createProfile));
    connect(m_c.SB2, &QAbstractButton::clicked, this, panel::atEdge(this, &ProfilesController::openProfile));
    connect(m_c.SB3, &QAbstractButton::clicked, this, panel::atEdge(this, &ProfilesController::saveProfileAs));
    // A choice of the user, also of the item already shown: that brings the profile view back.
    connect(m_c.CBox10, &QComboBox::activated, this, panel::atEdge(this, &ProfilesController::CBox10Change));
    // Arrows apply the line; a typed number waits for the buttons.
    connect(m_c.SE2, &panel::SpinEdit::stepped, this, panel::atEdge(this, &ProfilesController::navigatorStepped));
    connect(m_c.CBox6, &panel::DropDown::droppedDown, this, panel::atEdge(this, &ProfilesController::fillLineNames));
    connect(m_c.CBox6, &QComboBox::activated, this, panel::atEdge(this, &ProfilesController::nameChosen));
    // Emitted when the button is released over the cell it went down on.
    connect(m_c.SG, &QAbstractItemView::clicked, this, panel::atEdge(this, &ProfilesController::tableClicked));
}

bool ProfilesController::multiPart() const
{
    return isMultiPart(m_c.CBox10->currentIndex());
}

void ProfilesController::takeProfile(const QString &path, std::int32_t lineCount)
{
    *m_state.currentProfilePath = path;
    setLineCount(lineCount);
}

void ProfilesController::setLineCount(std::int32_t count)
{
    *m_state.lineCount = count;
    // One place past the last line: where "Запись" appends.
    m_c.SE2->setMaximum(count + 1);
}

ProfileLine ProfilesController::lineFromEditor() const
{
    return profiles::lineFromEditor(m_editor.editor(), m_host.meterSettings());
}

std::optional<ProfileContents> ProfilesController::readOpenProfile()
{
    ProfileRead read = readProfile(*m_state.currentProfilePath);
    if (!read.contents) {
        m_host.showError(describeProblem(read.problem, m_messages));
        return std::nullopt;
    }
    return std::move(read.contents);
}

bool ProfilesController::applyProfileLine(int k)
{
    // Frames arriving now would overwrite the settings being applied; a line
    // that cannot be applied sends nothing, so it ends the hold itself.
    m_frameHold.hold(FrameHold::Reason::ProfileLine);
    const std::optional<ProfileContents> contents = readOpenProfile();
    if (!contents) {
        m_frameHold.abandon(FrameHold::Reason::ProfileLine);
        return false;
    }
    if (k < 1 || k > contents->lineCount) {
        m_frameHold.abandon(FrameHold::Reason::ProfileLine);
        ProfileProblem problem;
        problem.kind = ProfileProblem::NoSuchLine;
        problem.path = *m_state.currentProfilePath;
        problem.line = k;
        m_host.showError(describeProblem(problem, m_messages));
        return false;
    }
    const ProfileLine line = contents->line(k);
    m_editor.restore(editorFromLine(line));
    m_host.applyMeterSettings(line.settingsSnapshot);
    return true;
}

bool ProfilesController::listLineNames(bool report)
{
    ProfileRead read = readProfile(*m_state.currentProfilePath);
    if (!read.contents) {
        if (report)
            m_host.showError(describeProblem(read.problem, m_messages));
        return false;
    }
    const int count = std::min(*m_state.lineCount, read.contents->lineCount);
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names << read.contents->line(i).lineName;
    // The typed name stays while the list is refilled.
    const QString typed = m_c.CBox6->currentText();
    m_c.CBox6->clear();
    m_c.CBox6->addItems(names);
    m_c.CBox6->setEditText(typed);
    return true;
}

void ProfilesController::fillLineNames()
{
    if (!listLineNames(true))
        return;
    if (m_c.CBox6->count() >= 1) {
        m_c.CBox6->setCurrentIndex(0);
        applyProfileLine(1);
    }
}

void ProfilesController::showProfileTable()
{
    ProfileTableView *model = &m_host.profileTable();
    const int lines = *m_state.lineCount;
    m_host.resetLogTable(lines + 1);
    const auto headers = profileTableHeaders(m_lexicons);
    for (int column = 0; column < int(headers.size()); ++column) {
        if (headers[column])
            model->setHeaderText(column, *headers[column]);
    }
    if (m_host.loadSettings())
        m_c.SB3->setEnabled(true);
    const std::optional<ProfileContents> contents = readOpenProfile();
    if (!contents)
        return;
    const int rows = std::min({lines, contents->lineCount, model->tableRows()});
    for (int i = 1; i <= rows; ++i) {
        const auto texts = profileTableRow(i, contents->line(i), m_lexicons);
        for (int column = 0; column < int(texts.size()); ++column)
            model->setCell(i - 1, column, texts[column]);
    }
}

void ProfilesController::showProfileTableRow(int k)
{
    ProfileTableView *model = &m_host.profileTable();
    for (int column = 0; column < kProfileTableColumns; ++column)
        model->setCell(k - 1, column, QString());
    if (m_host.loadSettings())
        m_c.SB3->setEnabled(true);
    const std::optional<ProfileContents> contents = readOpenProfile();
    if (!contents || k < 1 || k > contents->lineCount)
        return;
    const auto texts = profileTableRow(k, contents->line(k), m_lexicons);
    for (int column = 0; column < int(texts.size()); ++column)
        model->setCell(k - 1, column, texts[column]);
}

void ProfilesController::showTableOrRow(int k)
{
    // The first and the last line always rebuild the whole table.
    if (k == 1 || k >= *m_state.lineCount)
        showProfileTable();
    else
        showProfileTableRow(k);
}

bool ProfilesController::showChange(const ProfileChange &change)
{
    if (change.problem) {
        m_host.showError(describeProblem(change.problem, m_messages));
        return false;
    }
    setLineCount(change.lineCount);
    listLineNames(false);
    return true;
}

void ProfilesController::recordProfileLine()
{
    const int k = m_c.SE2->value();
    if (!showChange(profiles::recordProfileLine(*m_state.currentProfilePath, k, lineFromEditor())))
        return;
    if (multiPart())
        showTableOrRow(k);
    m_c.Memo1->setFocus();
}

void ProfilesController::insertProfileLine()
{
    const int k = m_c.SE2->value();
    if (showChange(profiles::insertProfileLine(*m_state.currentProfilePath, k, lineFromEditor())) && multiPart())
        showProfileTable();
}

void ProfilesController::deleteProfileLine()
{
    if (*m_state.lineCount == 0)
        return;
    const int k = m_c.SE2->value();
    if (showChange(profiles::deleteProfileLine(*m_state.currentProfilePath, k)) && multiPart())
        showProfileTable();
}

QString ProfilesController::askFileName(bool forSaving)
{
    QFileDialog dialog(m_c.dialogParent);
    dialog.setObjectName(forSaving ? QStringLiteral("SaveDialog1") : QStringLiteral("OpenDialog1"));
    // Qt's own dialog: the same on every desktop, and keyboard and tests can drive it.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(QStringLiteral("*.hex1"));
    // Opening accepts a new name too: it becomes a new one-line profile.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // The name chosen for saving gets ".hex1" appended, so the dialog's own
    // question would ask about another file.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, forSaving);
    const QString current = *m_state.currentProfilePath;
    // The program may run from its private folder: the user's home is the place to start.
    dialog.setDirectory(current.isEmpty() ? QDir::homePath() : QFileInfo(current).absolutePath());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

void ProfilesController::showFailure(const QString &failed, const ProfileProblem &problem)
{
    const QString reason = describeProblem(problem, m_messages);
    m_host.showMessage(reason.isEmpty() ? failed : failed + QLatin1Char('\n') + reason);
}

bool ProfilesController::rememberProfile(const QString &path)
{
    return m_host.storeProfilePath(path);
}

void ProfilesController::createProfile()
{
    const QString failed = m_lexicons.D1.GetItem(5);
    const QString chosen = askFileName(true);
    if (chosen.isEmpty()) {
        m_host.showMessage(failed);
        return;
    }
    // Appended always, also to a name that already ends in it.
    const QString path = chosen + QStringLiteral(".hex1");
    if (const ProfileProblem problem = createProfileFile(path, lineFromEditor())) {
        showFailure(failed, problem);
        return;
    }
    takeProfile(path, 1);
    m_host.showMessage(m_lexicons.D1.GetItem(4));
    if (!rememberProfile(path))
        return;
    // Caption and, in single-part mode, line 1 again.
    m_host.loadSettings();
}

void ProfilesController::openProfile()
{
    const QString path = askFileName(false);
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        // A new name: a one-line profile there, without a word. The caption
        // and the settings file keep naming the previous profile.
        if (const ProfileProblem problem = createProfileFile(path, lineFromEditor())) {
            showFailure(kOpenFailed, problem);
            return;
        }
        takeProfile(path, 1);
        listLineNames(false);
        return;
    }
    const ProfileRead read = readProfile(path);
    if (!read.contents) {
        // The profile open so far stays open.
        showFailure(kOpenFailed, read.problem);
        return;
    }
    takeProfile(path, read.contents->lineCount);
    listLineNames(false);
    if (read.problem)
        m_host.showMessage(describeProblem(read.problem, m_messages));
    // Not remembered: it stays open all the same, without the settings file.
    if (!rememberProfile(path) || m_host.loadSettings())
        m_c.SB3->setEnabled(true);
    if (multiPart())
        showProfileTable();
}

void ProfilesController::saveProfileAs()
{
    const QString chosen = askFileName(true);
    const QString current = *m_state.currentProfilePath;
    if (chosen.isEmpty() || current.isEmpty() || !QFileInfo::exists(current))
        return;
    const QString failed = m_lexicons.D1.GetItem(5);
    const QString path = chosen + QStringLiteral(".hex1");
    if (const ProfileProblem problem = copyProfileFile(current, path)) {
        showFailure(failed, problem);
        return;
    }
    if (!rememberProfile(path))
        return;
    // Reopens the copy: from now on every change goes there.
    m_host.loadSettings();
}

void ProfilesController::CBox10Change()
{
    m_host.stopRecording();
    if (multiPart()) {
        m_c.Button_Add->setEnabled(true);
        m_c.Button_DEL->setEnabled(true);
        m_c.B5->setEnabled(false);
        *m_state.multiLogPrepared = false;
        showProfileTable();
        // The measuring rows take their names from this list.
        listLineNames(false);
        const int k = m_c.SE2->value();
        if (k >= 1 && k <= m_host.profileTable().tableRows())
            m_host.selectGridCell(k, 1);
    } else {
        m_c.Button_Add->setEnabled(false);
        m_c.Button_DEL->setEnabled(false);
        m_c.B5->setEnabled(true);
        m_host.showSinglePartHeaders();
        m_host.selectGridCell(1, 0);
    }
}

void ProfilesController::selectLineName(int k)
{
    if (k >= 1 && k <= m_c.CBox6->count())
        m_c.CBox6->setCurrentIndex(k - 1);
}

void ProfilesController::selectRowWhenStopped(int k)
{
    if (multiPart() && !m_c.SP1->isChecked())
        m_host.selectGridCell(k, 1);
}

void ProfilesController::navigatorStepped(int k)
{
    // The place after the last line is for appending; nothing to apply there.
    if (k > *m_state.lineCount)
        return;
    selectLineName(k);
    if (applyProfileLine(k))
        selectRowWhenStopped(k);
}

void ProfilesController::nameChosen(int index)
{
    const int k = index + 1;
    m_c.SE2->setValue(k);
    if (applyProfileLine(k))
        selectRowWhenStopped(k);
}

void ProfilesController::tableClicked(const QModelIndex &index)
{
    if (!multiPart() || !index.isValid())
        return;
    const int row = index.row() + 1; // the log counts its header as row 0
    const int column = index.column();
    // Number, name and the two references; lines only.
    if (row < 1 || row > *m_state.lineCount || column > 3)
        return;
    selectLineName(row);
    if (applyProfileLine(row))
        m_c.SE2->setValue(row);
}

} // namespace profiles
