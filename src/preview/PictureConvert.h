#pragma once

#include "PictureCodec.h"

#include <QImage>
#include <QString>

#include <string>

// Picture entries as PNG files, for the extraction of the viewer and of the
// command-line tool: DDS through DdsDecoder, TGA through TgaDecoder, the rest
// through Qt's image readers, each within the preview's limits. Qt Gui, no
// widgets. Qt's readers for JPEG, GIF and others are plugins, found through the
// application object: one must exist before the first call.
namespace PictureConvert {

// True when an entry of this stored name is converted: DDS, TGA and what Qt's
// readers read, except PNG (already one) and vector drawings.
bool IsPicture(const std::string &entryName);

// The picture in the bytes of an entry of that name, with its own colours and
// alpha; a null picture and why (in English) when it cannot be decoded.
QImage Decode(const std::string &bytes, const std::string &entryName, QString &why);

// The picture as the bytes of a PNG file; empty when it cannot be written.
std::string EncodePng(const QImage &picture);

} // namespace PictureConvert

// The functions above as the codec of an extraction's PictureConverter, in
// the viewer and in the module that vannerby-cli loads for --convert png.
class QtPictureCodec final : public PictureCodec
{
  public:
    bool IsPicture(const std::string &entryName) const override;
    std::string ToPng(const std::string &bytes, const std::string &entryName,
                      std::string &why) const override;
};
