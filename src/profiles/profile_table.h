#pragma once

#include "profiles/profile_line.h"

#include <QString>

#include <array>
#include <optional>

namespace i18n {
struct WindowLexicons;
}

namespace profiles {

// Columns of the profile view of the log table.
inline constexpr int kProfileTableColumns = 10;

// The table the profile view is shown in (the window's log table). The
// profiles write into it through this, and know nothing else of the log.
class ProfileTableView
{
public:
    virtual ~ProfileTableView() = default;
    virtual int tableRows() const = 0;
    virtual void setHeaderText(int column, const QString &text) = 0;
    virtual void setCell(int row, int column, const QString &text) = 0;
};

// Header texts of the profile view of the log table, by column; a column
// without a value keeps the header it has.
std::array<std::optional<QString>, kProfileTableColumns> profileTableHeaders(const i18n::WindowLexicons &lexicons);

// The texts of row `number` showing `line`, columns 0 to 8 (column 9 is not
// written): number, name, both references ("R 1% 100кОм", empty while off),
// circuit, frequency, level, interval and start position, in the lexicons'
// language.
std::array<QString, 9> profileTableRow(int number, const ProfileLine &line, const i18n::WindowLexicons &lexicons);

} // namespace profiles
