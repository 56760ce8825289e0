#pragma once

#include <string>

// Turns picture entries into PNG files. The decoders and the PNG writer live
// with Qt's image readers; the archive's side of a conversion (which file,
// which name, files already there) does not need to know which codec it uses.
class PictureCodec
{
  public:
    virtual ~PictureCodec() = default;

    // True when an entry of this stored name is converted.
    virtual bool IsPicture(const std::string &entryName) const = 0;

    // The PNG file of the picture in an entry's bytes; empty, with why (in
    // English) set, when it cannot be decoded or written.
    virtual std::string ToPng(const std::string &bytes, const std::string &entryName,
                              std::string &why) const = 0;
};
