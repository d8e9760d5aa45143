// A profile file from anywhere: the input is the whole file, read as the
// logger reads it (read-only), every offered line decoded and shown as the
// profile table and the line editor show it.

#include "fuzz_file.h"

#include "i18n/window_lexicons.h"
#include "profiles/line_editor.h"
#include "profiles/profile_file.h"
#include "profiles/profile_messages.h"
#include "profiles/profile_table.h"

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const i18n::WindowLexicons lexicons;
    const QString path = fuzz::writeFile(QStringLiteral("p.hex1"), reinterpret_cast<const char *>(data), size);
    const profiles::ProfileRead read = profiles::readProfile(path, profiles::ProfileAccess::ReadOnly);
    static const i18n::TDesignedLexicon messages = profiles::profileMessages();
    profiles::describeProblem(read.problem, messages);
    if (!read.contents)
        return 0;
    // The lines past a few dozen are read by the same code.
    for (int k = 1; k <= std::min(read.contents->lineCount, 64); ++k) {
        const profiles::ProfileLine line = read.contents->line(k);
        profiles::profileTableRow(k, line, lexicons);
        profiles::editorFromLine(line);
    }
    return 0;
}
