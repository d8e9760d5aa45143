#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <span>

class QObject;
class QMetaObject;

namespace i18n {

// What kind of control an object is, for translation. A control carries the
// properties of its kind; the window itself is the kind Window.
enum ControlKind : unsigned {
    kNoKind = 0,
    kWindow = 1u << 0,        // the client's form: title
    kCaptioned = 1u << 1,     // label, button, check box: caption
    kEdit = 1u << 2,          // one-line edit: text, placeholder
    kSpin = 1u << 3,          // spin field: text
    kCombo = 1u << 4,         // drop-down list: entries
    kEditableCombo = 1u << 5, // drop-down list with a typing field: also its text
    kList = 1u << 6,          // list box: entries
    kMemo = 1u << 7,          // multi-line text: lines
    kFileDialog = 1u << 8,    // open and save dialogs: title, filter
    kHintOnly = 1u << 9,      // panels, grids, pictures, texts the program sets itself
};
inline constexpr unsigned kAnyWidget =
    kWindow | kCaptioned | kEdit | kSpin | kCombo | kEditableCombo | kList | kMemo | kHintOnly;

// How a property's text is held: one text, a list of entries addressed by
// position, or a file-type filter addressed by its masks.
enum class PropertyShape { Single, List, Filter };

// One translatable property of a kind of control: the single table both the
// capture of design texts and the application of a language go through.
struct TranslatableProperty
{
    quint16 id;     // PropertyID
    unsigned kinds; // ControlKind bits that carry it
    PropertyShape shape;
    QString (*text)(const QObject *control);                      // Single
    void (*setText)(QObject *control, const QString &text);       // Single
    QStringList (*entries)(const QObject *control);               // List, Filter
    void (*setEntry)(QObject *control, int index, const QString &text); // List
};

std::span<const TranslatableProperty> translatableProperties();

// One pair of a file-type filter: its description and its masks.
struct FilterPair
{
    QString description;
    QString masks;
};
// "Profiles (*.hex1)" or a bare "*.hex1".
FilterPair splitNameFilter(const QString &filter);
QString joinNameFilter(const FilterPair &pair);
// The item address of a pair: the masks in brackets, "." as ":" and ",", ";"
// and double quotes as blanks: "[*:hex1]".
QString filterItemAddr(const QString &masks);
// Re-texts a file dialog's filters, keeping the selected one.
void setFileDialogFilters(QObject *dialog, const QStringList &filters);

} // namespace i18n
