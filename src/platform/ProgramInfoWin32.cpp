#include "ProgramInfo.h"

#include "VannerbyVersion.h"

#include <QImage>
#include <QPixmap>

#include <windows.h>

#include <string>
#include <vector>

namespace ProgramInfo {

namespace {

// The resource name Qt's windows platform also looks for, so that the title
// bar, the task bar and the about box show the same icon.
constexpr const wchar_t *IconName = L"IDI_ICON1";

std::wstring ModulePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// One string of the version information's first language, or empty.
QString StringValue(const std::vector<char> &block, const std::wstring &language,
                    const wchar_t *name)
{
    const std::wstring key = L"\\StringFileInfo\\" + language + L'\\' + name;
    void *value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), key.c_str(), &value, &length) || value == nullptr ||
        length == 0)
        return {};
    // The length counts characters and, mostly, the terminating NUL.
    QString text = QString::fromWCharArray(static_cast<const wchar_t *>(value),
                                           static_cast<qsizetype>(length));
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

} // namespace

Version ProgramVersion()
{
    Version version{QString::fromUtf8(VannerbyVersion::ProductName),
                    VannerbyVersion::Major,
                    VannerbyVersion::Minor,
                    VannerbyVersion::Revision,
                    QString::fromUtf8(VannerbyVersion::Description),
                    QString::fromUtf8(VannerbyVersion::Copyright)};
    const std::wstring path = ModulePath();
    if (path.empty())
        return version;
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0)
        return version;
    std::vector<char> block(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data()))
        return version;

    void *value = nullptr;
    UINT length = 0;
    if (::VerQueryValueW(block.data(), L"\\", &value, &length) && value != nullptr &&
        length >= sizeof(VS_FIXEDFILEINFO)) {
        const auto *fixed = static_cast<const VS_FIXEDFILEINFO *>(value);
        version.Major = static_cast<int>(fixed->dwFileVersionMS >> 16);
        version.Minor = static_cast<int>(fixed->dwFileVersionMS & 0xFFFF);
        version.Revision = static_cast<int>(fixed->dwFileVersionLS >> 16);
    }
    // The strings of the first language the executable lists.
    struct Translation
    {
        WORD Language, CodePage;
    };
    if (::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length) &&
        value != nullptr && length >= sizeof(Translation)) {
        const auto *first = static_cast<const Translation *>(value);
        const std::wstring language = QStringLiteral("%1%2")
                                          .arg(first->Language, 4, 16, QLatin1Char('0'))
                                          .arg(first->CodePage, 4, 16, QLatin1Char('0'))
                                          .toStdWString();
        const auto take = [&](QString &field, const wchar_t *name) {
            const QString text = StringValue(block, language, name);
            if (!text.isEmpty())
                field = text;
        };
        take(version.ProductName, L"ProductName");
        take(version.Description, L"FileDescription");
        take(version.Copyright, L"LegalCopyright");
    }
    return version;
}

QIcon ProgramIcon(const QIcon &fallback)
{
    QIcon icon;
    for (const int size : {16, 32, 48, 256}) {
        const HANDLE image = ::LoadImageW(::GetModuleHandleW(nullptr), IconName, IMAGE_ICON, size,
                                          size, LR_DEFAULTCOLOR);
        if (image == nullptr)
            continue;
        const QImage pixels = QImage::fromHICON(static_cast<HICON>(image));
        ::DestroyIcon(static_cast<HICON>(image));
        if (!pixels.isNull())
            icon.addPixmap(QPixmap::fromImage(pixels));
    }
    return icon.isNull() ? fallback : icon;
}

} // namespace ProgramInfo
