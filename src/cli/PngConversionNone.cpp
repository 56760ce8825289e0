#include "PngConversion.h"

namespace cli {

std::unique_ptr<PngConversion> MakePngConversion(const PakArchive &, const std::string &, bool,
                                                 ExtractSettings, ExtractOwner *, bool,
                                                 std::string &error)
{
    error = "--convert png is not available: this build of vannerby-cli has no Qt";
    return nullptr;
}

} // namespace cli
