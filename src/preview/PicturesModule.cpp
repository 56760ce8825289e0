// vannerby-pictures: the viewer's picture codec as a library that
// vannerby-cli loads for extract --convert png (see PictureModule in the tool),
// so that the tool's other runs start without Qt. Plain C functions, so that
// no C++ object crosses between the tool and the library.
#include "PictureConvert.h"
#include "PicturesModuleAbi.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Qt's readers for JPEG, GIF and others are plugins, found through the
// application object; the tool has none of its own.
void EnsureApplication()
{
    if (QCoreApplication::instance() != nullptr)
        return;
    static int argc = 1;
    static char name[] = "vannerby-cli";
    static char *argv[] = {name, nullptr};
    // Lives as long as the library, which stays loaded until the tool ends.
    static QCoreApplication application(argc, argv);
}

void CopyWhy(const std::string &text, char *why, size_t whySize)
{
    if (why == nullptr || whySize == 0)
        return;
    const size_t n = std::min(text.size(), whySize - 1);
    std::memcpy(why, text.data(), n);
    why[n] = '\0';
}

} // namespace

extern "C" {

VANNERBY_PICTURES_EXPORT int vannerby_pictures_abi(void)
{
    return VANNERBY_PICTURES_ABI;
}

VANNERBY_PICTURES_EXPORT int vannerby_pictures_is_picture(const char *entryName)
{
    try {
        EnsureApplication();
        return QtPictureCodec().IsPicture(entryName) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

VANNERBY_PICTURES_EXPORT int vannerby_pictures_to_png(const char *entryName, const char *data,
                                                      size_t size, char **png, size_t *pngSize,
                                                      char *why, size_t whySize)
{
    *png = nullptr;
    *pngSize = 0;
    try {
        EnsureApplication();
        std::string reason;
        const std::string encoded =
            QtPictureCodec().ToPng(std::string(data, size), entryName, reason);
        if (encoded.empty()) {
            CopyWhy(reason, why, whySize);
            return 0;
        }
        char *copy = new char[encoded.size()];
        std::memcpy(copy, encoded.data(), encoded.size());
        *png = copy;
        *pngSize = encoded.size();
        return 1;
    } catch (const std::bad_alloc &) {
        CopyWhy("out of memory", why, whySize);
    } catch (...) {
        CopyWhy("the picture could not be converted", why, whySize);
    }
    return 0;
}

VANNERBY_PICTURES_EXPORT void vannerby_pictures_free(char *png)
{
    delete[] png;
}

} // extern "C"
