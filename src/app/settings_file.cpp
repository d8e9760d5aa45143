// The settings file, "1.dat" in the shared settings folder.
//
// A raw binary record without header, signature, version or checksum;
// integers are little-endian:
//
//   offset  size  field
//   0       4     profile path length N, signed (0: no profile)
//   4       N     profile path, Windows-1251, one byte per character, no terminator
//   4+N..199      not read: zeros, or the tail of an earlier, longer path
//   200     4     language index, signed (-1: the selector had no selection)
//   204     1     auto connect: 1 checked, 0 not
//
// Each field is written by itself into the existing file, so the file may end
// early: empty after the first start, 4 + N bytes when only a path was
// stored, 205 bytes once the auto-connect box was clicked. A field the file
// does not reach takes its default (no path, no language index, auto off);
// a gap left by writing past the end reads as zeros. A length outside 0..196
// counts as no path: the path field has room for 196 bytes only.
//
// Example, path "C:\p.hex1" (9 characters), language 0, auto on:
//   09 00 00 00 43 3A 5C 70 2E 68 65 78 31 00 ... 00 | 00 00 00 00 | 01
//   ^ N         ^ path bytes                  ^ offset 200  ^ 204

#include "app/settings_file.h"

#include "files/safe_file.h"
#include "i18n/windows_1251.h"
#include "protocol/le_bytes.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <array>

namespace app {

namespace {

const files::SafeFile::Rules kRules{SettingsFile::kMaxSize, true};

} // namespace

QString cannotOpenText(const QString &path, const QString &why)
{
    return QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path), why);
}

QString SettingsWriteProblem::text() const
{
    return kind == CannotWrite ? cannotOpenText(path, why) : QString();
}

SettingsFile::SettingsFile(QString folder)
    : m_folder(std::move(folder))
{
}

QString SettingsFile::filePath() const
{
    return m_folder + QLatin1Char('/') + QLatin1String(kFileName);
}

SettingsValues SettingsFile::decode(std::span<const std::uint8_t> fileStart)
{
    const auto bytes = fileStart.first(std::min<std::size_t>(fileStart.size(), kFullSize));
    const auto size = std::int64_t(bytes.size());
    SettingsValues values;
    if (size >= kProfilePathOffset) {
        const std::int32_t length = protocol::le::readI32(bytes, kProfilePathLengthOffset);
        if (length > 0 && length <= kProfilePathCapacity && size >= kProfilePathOffset + length) {
            auto path = bytes.subspan(kProfilePathOffset, std::size_t(length));
            // The path ends at its first zero byte, whatever the length says.
            path = path.first(std::size_t(std::find(path.begin(), path.end(), 0) - path.begin()));
            values.profilePath =
                i18n::decodeWindows1251(QByteArrayView(reinterpret_cast<const char *>(path.data()), qsizetype(path.size())));
        }
    }
    if (size >= kLanguageIndexOffset + 4)
        values.languageIndex = protocol::le::readI32(bytes, kLanguageIndexOffset);
    if (size >= kAutoConnectOffset + 1)
        values.autoConnect = bytes[kAutoConnectOffset];
    return values;
}

std::optional<QByteArray> SettingsFile::encodeProfilePath(const QString &path)
{
    // One byte per character (a surrogate pair is one), so the length is both
    // the character and the byte count.
    const QByteArray bytes = i18n::encodeWindows1251(path);
    if (bytes.size() > kProfilePathCapacity)
        return std::nullopt;
    QByteArray field(4, '\0');
    protocol::le::writeI32(std::span(reinterpret_cast<std::uint8_t *>(field.data()), 4), 0, std::int32_t(bytes.size()));
    field += bytes;
    return field;
}

SettingsFile::Load SettingsFile::load() const
{
    Load result;
    files::SharedFolder::create(m_folder);
    const files::SharedFolder folder = files::SharedFolder::open(m_folder, &result.why);
    if (!folder.isOpen())
        return result;

    if (!folder.contains(kFileName)) {
        switch (folder.createFile(kFileName, &result.why)) {
        case files::SharedFolder::Created::Yes:
            result.status = LoadStatus::Created;
            return result;
        case files::SharedFolder::Created::Failed:
            return result;
        case files::SharedFolder::Created::AlreadyThere:
            break; // another instance was quicker: read what it made
        }
    }

    const files::SafeFile file = files::SafeFile::open(folder.fd(), kFileName, files::SafeFile::Mode::Read, kRules, &result.why);
    if (!file.isOpen())
        return result;
    std::array<std::uint8_t, kFullSize> start{};
    const std::int64_t got = file.readAt(0, start);
    if (got < 0) {
        result.why = QStringLiteral("It cannot be read.");
        return result;
    }
    result.values = decode(std::span(start).first(std::size_t(got)));
    result.status = LoadStatus::Read;
    return result;
}

SettingsWriteProblem SettingsFile::write(std::int64_t offset, std::span<const std::uint8_t> bytes) const
{
    QString why;
    const files::SharedFolder folder = files::SharedFolder::open(m_folder, &why);
    files::SafeFile file;
    if (folder.isOpen())
        file = files::SafeFile::open(folder.fd(), kFileName, files::SafeFile::Mode::ReadWrite, kRules, &why);
    if (!file.isOpen() || !file.writeAt(offset, bytes, &why))
        return {SettingsWriteProblem::CannotWrite, filePath(), why};
    return {};
}

SettingsWriteProblem SettingsFile::storeProfilePath(const QString &path) const
{
    const std::optional<QByteArray> field = encodeProfilePath(path);
    if (!field)
        return {SettingsWriteProblem::PathTooLong, {}, {}};
    return write(kProfilePathLengthOffset,
                 std::span(reinterpret_cast<const std::uint8_t *>(field->constData()), std::size_t(field->size())));
}

SettingsWriteProblem SettingsFile::storeLanguageIndex(std::int32_t index) const
{
    std::array<std::uint8_t, 4> field{};
    protocol::le::writeI32(field, 0, index);
    return write(kLanguageIndexOffset, field);
}

SettingsWriteProblem SettingsFile::storeAutoConnect(bool checked) const
{
    const std::array<std::uint8_t, 1> field{std::uint8_t(checked ? 1 : 0)};
    return write(kAutoConnectOffset, field);
}

} // namespace app
