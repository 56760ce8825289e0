#include "PreviewText.h"

#include <gtest/gtest.h>

using PreviewText::Encoding;

namespace {

TEST(PreviewTextTest, TellsTextFromOtherData)
{
    struct Case
    {
        const char *Name;
        std::string Bytes;
        bool Cut;
        std::optional<Encoding> Expected;
    };
    const std::string umlautsUtf8 = "Gr\xC3\xB6\xC3\x9F"
                                    "e\r\n";
    const std::string manyControls = "abc\x01\x02\x03" + std::string(100, 'x');
    const std::string fewControls = "a\x1B" + std::string(200, 'x');
    const Case cases[] = {
        {"plain ASCII", "[Bahnhof]\r\nName=Nord\tstadt\r\n", false, Encoding::Cp1252},
        {"empty", "", false, Encoding::Cp1252},
        {"Windows-1252 umlauts",
         "Gr\xF6\xDF"
         "e\r\n",
         false, Encoding::Cp1252},
        {"UTF-8 umlauts", umlautsUtf8, false, Encoding::Utf8},
        {"byte-order mark", "\xEF\xBB\xBFplain", false, Encoding::Utf8Bom},
        {"a NUL byte", std::string("abc\0def", 7), false, std::nullopt},
        {"control characters", manyControls, false, std::nullopt},
        {"one control in a hundred", fewControls, false, Encoding::Cp1252},
        {"final Ctrl+Z", "text\x1A", false, Encoding::Cp1252},
        {"undefined Windows-1252 bytes", std::string(50, '\x81') + std::string(50, 'a'), false,
         std::nullopt},
        // UTF-8 cut off at the end of what was read is still UTF-8; at the real
        // end of the entry it is not, and the bytes read as Windows-1252.
        {"UTF-8 cut by the read", "Gr\xC3\xB6\xC3", true, Encoding::Utf8},
        {"UTF-8 ending early", "Gr\xC3\xB6\xC3", false, Encoding::Cp1252},
        {"overlong UTF-8", "a\xC0\xAF", false, Encoding::Cp1252},
        {"UTF-8 surrogate", "a\xED\xA0\x80", false, Encoding::Cp1252},
    };
    for (const Case &c : cases)
        EXPECT_EQ(PreviewText::DetectText(c.Bytes, c.Cut), c.Expected) << c.Name;
}

TEST(PreviewTextTest, DecodesToUtf8)
{
    EXPECT_EQ(PreviewText::ToUtf8("Gr\xF6\xDF"
                                  "e \x80",
                                  Encoding::Cp1252),
              "Gr\xC3\xB6\xC3\x9F"
              "e \xE2\x82\xAC");
    EXPECT_EQ(PreviewText::ToUtf8("\xEF\xBB\xBFok", Encoding::Utf8Bom), "ok");
    // The half character cut off by the read is dropped.
    EXPECT_EQ(PreviewText::ToUtf8("\xC3\xB6\xE2\x82", Encoding::Utf8), "\xC3\xB6");
}

TEST(PreviewTextTest, HexDumpCountsOffsetsInTheEntryAndInTheArchive)
{
    std::string bytes;
    for (int i = 0; i < 40; ++i)
        bytes += static_cast<char>(i < 32 ? 0x41 + i % 26 : i * 7);
    EXPECT_EQ(PreviewText::HexLineCount(0), 0);
    EXPECT_EQ(PreviewText::HexLineCount(16), 1);
    EXPECT_EQ(PreviewText::HexLineCount(17), 2);

    // The bytes start 0x100000 into the entry, which starts at 0x10 in the archive.
    const auto first = PreviewText::FormatHexLine(bytes, 0, 0x100000, 0x100010);
    EXPECT_EQ(first.EntryOffset, "00100000");
    EXPECT_EQ(first.ArchiveOffset, "00100010");
    EXPECT_EQ(first.Hex, "41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F 50");
    EXPECT_EQ(first.Chars, "ABCDEFGHIJKLMNOP");
    const auto last = PreviewText::FormatHexLine(bytes, 2, 0x100000, 0x100010);
    EXPECT_EQ(last.EntryOffset, "00100020");
    EXPECT_EQ(last.ArchiveOffset, "00100030");
    EXPECT_EQ(last.Hex, "E0 E7 EE F5 FC 03 0A 11");
    EXPECT_EQ(last.Chars, "........");
    EXPECT_EQ(PreviewText::FormatHexLine(bytes, 3, 0, 0).Hex, "");
    // Offsets past 4 GiB take more digits instead of being cut.
    EXPECT_EQ(PreviewText::FormatHexLine(bytes, 0, 0, 0x1FFFFFFF0LL).ArchiveOffset, "1FFFFFFF0");

    const std::string dump = PreviewText::FormatHexDump(bytes.substr(0, 20), 0, 0x2A);
    EXPECT_EQ(dump, "00000000  0000002A  41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F 50"
                    "  ABCDEFGHIJKLMNOP\n"
                    "00000010  0000003A  51 52 53 54" +
                        std::string(48 - 11, ' ') + "  QRST\n");
}

} // namespace
