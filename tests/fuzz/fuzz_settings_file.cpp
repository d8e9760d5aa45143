// The shared settings file: the input is the whole of 1.dat, read by the
// window's loader; the profile path it names goes through the start-up checks.

#include "fuzz_file.h"

#include "app/last_profile.h"
#include "app/settings_file.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const app::SettingsFile settings = [] {
        app::SettingsFile made(fuzz::scratchFolder().filePath(QStringLiteral("RLC_Data")));
        made.load(); // the folder and an empty file, as on a first start
        return made;
    }();
    fuzz::writeFile(QStringLiteral("RLC_Data/") + QLatin1String(app::SettingsFile::kFileName),
                    reinterpret_cast<const char *>(data), size);
    const app::SettingsFile::Load load = settings.load();
    if (load.status != app::SettingsFile::LoadStatus::Read)
        std::abort(); // a readable file of any content must be read
    if (!load.values.profilePath.isEmpty()) {
        app::reopenableLineCount(load.values.profilePath);
        app::profileDisplayName(load.values.profilePath);
    }
    return 0;
}
