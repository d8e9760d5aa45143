#include "app/last_profile.h"

#include "app/safe_file.h"
#include "protocol/le_bytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <fcntl.h>
#include <sys/stat.h>

namespace app {

namespace {

const QString kExtension = QStringLiteral(".hex1");

// A header of 100 bytes and 72 bytes per line: the largest file the line
// limit allows, with room to spare.
constexpr std::int64_t kMaxProfileSize = 100 + 72 * std::int64_t(kMaxProfileLines + 1) + 4096;

} // namespace

bool mayReopenProfile(const QString &path)
{
    if (path.isEmpty() || !QDir::isAbsolutePath(path) || !path.endsWith(kExtension, Qt::CaseInsensitive))
        return false;
    struct stat st{};
    const QByteArray native = QFile::encodeName(path);
    return ::lstat(native.constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QString profileDisplayName(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return QLatin1Char(' ') + name.left(std::max<qsizetype>(0, name.size() - kExtension.size()));
}

std::optional<std::int32_t> readProfileLineCount(const QString &path)
{
    const SafeFile file = SafeFile::open(AT_FDCWD, QFile::encodeName(path), SafeFile::Mode::ReadWrite,
                                         SafeFile::Rules{kMaxProfileSize, true}, nullptr);
    std::array<std::uint8_t, 4> header{};
    if (!file.isOpen() || file.readAt(0, header) != std::int64_t(header.size()))
        return std::nullopt;
    const std::int32_t count = protocol::le::readI32(header, 0);
    if (count < 0 || count > kMaxProfileLines)
        return std::nullopt;
    return count;
}

} // namespace app
