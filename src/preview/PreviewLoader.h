#pragma once

#include "mdlPakFile.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// What the preview of one entry shows, worked out away from the window: the
// bytes read from the archive, and the text, picture or hex dump made of them.
// Uses Qt's image readers but no widgets, so it may run on any thread.

struct PreviewRequest
{
    std::string PakPath;
    PakEntry Entry;     // a copy: the archive may be replaced while this runs
    int32_t Index = -1; // the entry's directory index
    bool ForceHex = false;
    QSize FitSize; // the area a picture is shown in; a scaled copy is made for it
    // A DDS picture of only red and green gets the blue of a normal map's z.
    bool NormalMap = false;
};

enum class PreviewKind
{
    Text,
    Image,
    Hex,
    Failed,
};

enum class PreviewFailure
{
    None,
    Read,          // the archive could not be read; Detail tells why
    BadPosition,   // the entry starts before the archive: no place to read at all
    FileTooLarge,  // a picture of more than ImageBytes
    ImageTooLarge, // its dimensions exceed the limits; PixelSize holds them
    ImageDamaged,  // truncated or damaged picture data
    Unsupported,   // a kind of DDS or TGA picture that is not read
    Cancelled,     // a newer request took its place
};

// One display line of a text: a part of Text, and its line number (0 for the
// continuation of a line too long for one display line).
struct PreviewSegment
{
    int32_t Start = 0;
    int32_t Length = 0;
    int32_t Line = 0;
};

struct PreviewResult
{
    PreviewKind Kind = PreviewKind::Failed;
    PreviewFailure Failure = PreviewFailure::None;
    QString Detail;
    int32_t Index = -1;
    int64_t EntrySize = 0;
    int64_t EntryOffset = 0;   // of the first byte shown
    int64_t ArchiveOffset = 0; // of the first byte shown
    bool Cut = false;          // only the first bytes of the entry are shown

    // Text: tabs expanded, control characters shown as their symbols.
    QString Text;
    std::vector<PreviewSegment> Segments;
    int32_t LineCount = 0;
    int32_t LongestSegment = 0;
    QString Encoding;

    // Hex: the bytes read.
    std::shared_ptr<const std::string> Bytes;

    // Image: the picture, a copy scaled to FitSize (null when it fits as it is),
    // its size and its format ("PNG", "DDS (DXT5)", "DDS (BC7, sRGB)"); for DDS
    // the images of its mipmap chain and whether it holds only red and green.
    QImage Picture;
    QImage Scaled;
    QSize PixelSize;
    QString Format;
    int32_t Mipmaps = 0;
    bool TwoChannels = false;
};

namespace PreviewLoader {

// At most this much of an entry is read for text and hex.
inline constexpr int64_t TextBytes = int64_t{1} << 20;
// Pictures larger than this are not read.
inline constexpr int64_t ImageBytes = int64_t{64} << 20;
// Decoded pictures: at most this many MiB, and this many pixels a side.
inline constexpr int ImageAllocationMiB = 256;
inline constexpr int ImageMaxSide = 16384;
// Display lines are broken after this many characters.
inline constexpr int MaxSegmentLength = 1000;
inline constexpr int TabWidth = 4;

// Sets Qt's allocation limit for decoded pictures (process-wide).
void SetImageLimits();

// Reads what the preview of the entry needs and prepares it. cancelled is
// asked between the steps and while decoding; once it answers true the result
// is a Cancelled failure.
PreviewResult Load(const PreviewRequest &request, const std::function<bool()> &cancelled = {});

// Lays out decoded text as display lines (sets Text, Segments, LineCount,
// LongestSegment).
void LayoutText(const QString &text, PreviewResult &result);

// Sets blue to a normal map's z from red and green as its x and y (0 ... 255
// for -1 ... 1): z = sqrt(1 - x^2 - y^2), stored the same way. picture holds
// opaque pixels of Format_ARGB32_Premultiplied.
void ReconstructNormalZ(QImage &picture);

// The picture as Format_ARGB32_Premultiplied, converted on the calling thread
// for the usual formats: Qt spreads its own conversion of a large picture over
// its global thread pool, where the window's painting then waits behind it.
QImage Premultiplied(const QImage &picture);

// The extension of a stored name, in lower case ("dds" for "tex\\a.DDS").
QString NameExtension(const std::string &name);

} // namespace PreviewLoader
