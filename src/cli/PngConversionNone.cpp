#include "PngConversion.h"

namespace cli {

std::unique_ptr<PngConversion> MakePngConversion(const PakArchive &, const std::string &, bool,
                                                 ExtractSettings, ExtractOwner *, bool,
                                                 std::string &error)
{
    error = "--convert png is not available in vannerby-cli yet; the viewer's extract dialog "
            "converts pictures (\"Bilder als PNG speichern\")";
    return nullptr;
}

} // namespace cli
