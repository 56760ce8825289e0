#pragma once

#include "mdlPakFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cli {

// What became of one entry's picture (see PictureConverter in the preview).
struct PngOutcome
{
    bool Picture = false;   // a picture by its name
    bool Converted = false; // decoded; Png says what became of the PNG
    std::string NotConverted;
    ExtractResult Png;
    bool OriginalRemoved = false;
};

// The conversion of an extract run's pictures to PNG, where this build has it:
// one implementation per build; this tool has none yet (PngConversionNone.cpp).
class PngConversion
{
  public:
    virtual ~PngConversion() = default;
    virtual PngOutcome Convert(int32_t index, const ExtractResult &extracted) = 0;
    // True when the run must settle its entries in list order.
    virtual bool NeedsListOrder(const std::vector<int32_t> &indices) const = 0;
};

// The conversion for one run; null, with error set, when the build has none.
std::unique_ptr<PngConversion> MakePngConversion(const PakArchive &archive,
                                                 const std::string &folder, bool usePathNames,
                                                 ExtractSettings settings, ExtractOwner *owner,
                                                 bool keepOriginal, std::string &error);

} // namespace cli
