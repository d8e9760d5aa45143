#include "profiles/line_editor.h"

#include "profiles/reference_units.h"

namespace profiles {

namespace {

QString storedTolerance(const ReferenceEntry &entry)
{
    return entry.toleranceOff ? kToleranceOff : entry.tolerance.left(ProfileLine::kToleranceCapacity);
}

void restoreTolerance(ReferenceEntry &entry, const QString &stored)
{
    entry.toleranceOff = stored == kToleranceOff;
    entry.tolerance = entry.toleranceOff ? QString() : stored;
}

} // namespace

ProfileLine lineFromEditor(const LineEditor &editor, const protocol::MeterSettings &settings)
{
    const ReferenceEntry &primary = editor.reference.primary;
    const ReferenceEntry &secondary = editor.reference.secondary;
    ProfileLine line;
    line.lineName = editor.name.left(ProfileLine::kNameCapacity);
    line.startPosition = editor.startPosition;
    line.primaryTolerance = storedTolerance(primary);
    line.primaryKind = std::uint8_t(primary.kind);
    line.primaryUnit = std::uint8_t(primary.unit);
    line.primaryNominal = primary.nominal.left(ProfileLine::kNominalCapacity);
    line.secondaryTolerance = storedTolerance(secondary);
    line.secondaryKind = std::uint8_t(secondary.kind);
    line.secondaryUnit = secondaryUnitListShown(secondary.kind) ? std::uint8_t(secondary.unit) : 0;
    line.secondaryNominal = secondary.nominal.left(ProfileLine::kNominalCapacity);
    line.settingsSnapshot = settings;
    return line;
}

LineEditor editorFromLine(const ProfileLine &line)
{
    LineEditor editor;
    editor.name = line.lineName;
    editor.startPosition = line.startPosition;
    ReferenceEntry &primary = editor.reference.primary;
    restoreTolerance(primary, line.primaryTolerance);
    primary.kind = line.primaryKind;
    primary.unit = line.primaryUnit;
    primary.nominal = line.primaryNominal;
    ReferenceEntry &secondary = editor.reference.secondary;
    restoreTolerance(secondary, line.secondaryTolerance);
    secondary.kind = line.secondaryKind;
    secondary.unit = secondaryUnitListShown(line.secondaryKind) ? int(line.secondaryUnit) : -1;
    secondary.nominal = line.secondaryNominal;
    return editor;
}

} // namespace profiles
