#pragma once

#include "PictureCodec.h"
#include "SharedLibrary.h"

#include <memory>
#include <string>

namespace cli {

// The viewer's picture codec (its DDS and TGA decoders, Qt's image readers and
// PNG writer) in the library vannerby-pictures, loaded only by runs that
// convert: linked in, Qt would make every start of the tool several times
// slower.
class PictureModule final : public PictureCodec
{
  public:
    // Looks for the library beside the tool, then in the viewer's folder of a
    // Linux installation (../lib/vannerby/plugins); null, with error set, when it is
    // missing or not the one this tool was built with.
    static std::unique_ptr<PictureModule> Load(std::string &error);

    bool IsPicture(const std::string &entryName) const override;
    std::string ToPng(const std::string &bytes, const std::string &entryName,
                      std::string &why) const override;

  private:
    PictureModule() = default;

    std::unique_ptr<SharedLibrary> m_library;
    int (*m_isPicture)(const char *) = nullptr;
    int (*m_toPng)(const char *, const char *, size_t, char **, size_t *, char *, size_t) = nullptr;
    void (*m_free)(char *) = nullptr;
};

} // namespace cli
