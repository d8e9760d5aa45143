#include "app/last_profile.h"

#include "profiles/profile_file.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace app {

namespace {

const QString kExtension = QStringLiteral(".hex1");

} // namespace

std::optional<std::int32_t> reopenableLineCount(const QString &path)
{
    if (path.isEmpty() || !QDir::isAbsolutePath(path) || !path.endsWith(kExtension, Qt::CaseInsensitive))
        return std::nullopt;
    const profiles::ProfileRead read = profiles::readProfile(path);
    if (!read.contents || read.contents->storedCount > kMaxProfileLines)
        return std::nullopt;
    return read.contents->lineCount;
}

QString profileDisplayName(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return QLatin1Char(' ') + name.left(std::max<qsizetype>(0, name.size() - kExtension.size()));
}

} // namespace app
