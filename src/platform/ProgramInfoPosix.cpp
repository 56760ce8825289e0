#include "ProgramInfo.h"

#include "VannerbyVersion.h"

namespace ProgramInfo {

Version ProgramVersion()
{
    return {QString::fromUtf8(VannerbyVersion::ProductName),
            VannerbyVersion::Major,
            VannerbyVersion::Minor,
            VannerbyVersion::Revision,
            QString::fromUtf8(VannerbyVersion::Description),
            QString::fromUtf8(VannerbyVersion::Copyright)};
}

QIcon ProgramIcon(const QIcon &fallback)
{
    // Installed with the desktop entry into the icon theme.
    return QIcon::fromTheme(QStringLiteral("vannerby"), fallback);
}

} // namespace ProgramInfo
