#pragma once

#include "profiles/profile_line.h"
#include "profiles/tolerance_check.h"

#include <QString>

#include <cstdint>

namespace profiles {

// The line editor's contents besides the meter settings: the line's name,
// the log start position and both reference parameters.
struct LineEditor
{
    QString name;
    std::int32_t startPosition = 1;
    ReferenceEditor reference;
};

// The line the editor describes, measured with `settings`: the name cut to
// 10 characters, each tolerance to 5 ("OFF" while off), each nominal value to
// 10, and the secondary unit kept for R only.
ProfileLine lineFromEditor(const LineEditor &editor, const protocol::MeterSettings &settings);

// What restoring a line puts into the editor. A stored "OFF" turns the
// tolerance off (the window shows its "off" item in the language in effect);
// the secondary unit is restored only for R (editor.reference.secondary.unit
// is then -1 for "leave the list as it is").
LineEditor editorFromLine(const ProfileLine &line);

} // namespace profiles
