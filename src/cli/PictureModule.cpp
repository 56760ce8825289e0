#include "PictureModule.h"

#include "PicturesModuleAbi.h"
#include "mdlTools.h"

namespace cli {
namespace {

template <typename Function> Function Find(const SharedLibrary &library, const char *name)
{
    return reinterpret_cast<Function>(library.Symbol(name));
}

} // namespace

std::unique_ptr<PictureModule> PictureModule::Load(std::string &error)
{
    const std::string file = SharedLibrary::FileName("vannerby-pictures");
    const std::string folder = mdlTools::GetAppFolder();
    std::string path;
    for (const std::string &candidate :
         {folder + file, folder + "../lib/vannerby/plugins/" + file}) {
        if (mdlTools::FileExists(candidate)) {
            path = candidate;
            break;
        }
    }
    if (path.empty()) {
        error = "--convert png needs " + file + ", which is not installed beside vannerby-cli";
        return nullptr;
    }
    std::string why;
    std::unique_ptr<SharedLibrary> library = SharedLibrary::Load(path, why);
    if (!library) {
        error = "--convert png: " + why;
        return nullptr;
    }
    const auto abi = Find<VannerbyPicturesAbi>(*library, "vannerby_pictures_abi");
    std::unique_ptr<PictureModule> module(new PictureModule);
    module->m_isPicture = Find<VannerbyPicturesIsPicture>(*library, "vannerby_pictures_is_picture");
    module->m_toPng = Find<VannerbyPicturesToPng>(*library, "vannerby_pictures_to_png");
    module->m_free = Find<VannerbyPicturesFree>(*library, "vannerby_pictures_free");
    if (abi == nullptr || abi() != VANNERBY_PICTURES_ABI || module->m_isPicture == nullptr ||
        module->m_toPng == nullptr || module->m_free == nullptr) {
        error = "--convert png: " + path + " does not belong to this vannerby-cli";
        return nullptr;
    }
    module->m_library = std::move(library);
    return module;
}

bool PictureModule::IsPicture(const std::string &entryName) const
{
    return m_isPicture(entryName.c_str()) != 0;
}

std::string PictureModule::ToPng(const std::string &bytes, const std::string &entryName,
                                 std::string &why) const
{
    char *png = nullptr;
    size_t size = 0;
    char reason[256] = {};
    if (m_toPng(entryName.c_str(), bytes.data(), bytes.size(), &png, &size, reason,
                sizeof reason) == 0) {
        why = reason;
        return {};
    }
    std::string result(png, size);
    m_free(png);
    return result;
}

} // namespace cli
