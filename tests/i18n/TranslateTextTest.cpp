#include "mdlI18n.h"

#include "I18nTestSupport.h"

#include <string>

using namespace I18nTest;
using mdlI18n::TranslateText;

namespace {

class TranslateTextTest : public ::testing::Test
{
  protected:
    void SetUp() override { ::unlink(LanguageFile().c_str()); }
    void TearDown() override { ::unlink(LanguageFile().c_str()); }
};

} // namespace

TEST_F(TranslateTextTest, PathIsFixedByTheFirstLookup)
{
    const std::string path = LanguageFile();
    EXPECT_EQ(TranslateText("frmMain", "strStatusFiles", "Dateien"), "Dateien");
    EXPECT_EQ(mdlI18n::LanguageFile(), path);
    EXPECT_FALSE(mdlI18n::SetLanguageFile(path + ".other"));
    EXPECT_EQ(TranslateText("frmMain", "strStatusTotal", "gesamt"), "gesamt");
    EXPECT_EQ(mdlI18n::LanguageFile(), path);
    EXPECT_FALSE(Exists(path + ".other"));
}

TEST_F(TranslateTextTest, FillsTheFileInLookupOrder)
{
    EXPECT_EQ(TranslateText("frmExtract", "Caption", "Extrahieren"), "Extrahieren");
    EXPECT_EQ(TranslateText("frmMain", "strStatusSelected", "ausgewählt"), "ausgewählt");
    EXPECT_EQ(TranslateText("frmExtract", "cmdOK.ToolTipText", ""), "");
    EXPECT_EQ(TranslateText("frmExtract", "strNoDir", "Verzeichnis existiert nicht!"),
              "Verzeichnis existiert nicht!");
    // Asked again: read from the file, nothing new is written.
    EXPECT_EQ(TranslateText("frmExtract", "Caption", "Anders"), "Extrahieren");
    EXPECT_EQ(ReadFile(LanguageFile()), "[frmExtract]\r\n"
                                        "Caption=Extrahieren\r\n"
                                        "cmdOK.ToolTipText=\r\n"
                                        "strNoDir=Verzeichnis existiert nicht!\r\n"
                                        "[frmMain]\r\n"
                                        "strStatusSelected=ausgew\xE4hlt\r\n");
}

TEST_F(TranslateTextTest, BlankEntriesAreWrittenOverAndTranslationsShow)
{
    WriteFile(LanguageFile(), "[frmOptions]\r\n"
                              "Caption=Options\r\n"
                              "cmdApply.Caption=   \r\n"
                              "cmdOK.ToolTipText=\r\n"
                              "lblA.Caption=   two words  \r\n"
                              "lblB.Caption=\"  quoted blanks\"\r\n"
                              "lblC.Caption=\"\"\r\n"
                              "lblD.Caption=First\\nSecond\\n\r\n"
                              "lblE.Caption=" +
                                  std::string(300, 'x') + "\r\n");
    EXPECT_EQ(TranslateText("frmOptions", "Caption", "Optionen"), "Options");
    EXPECT_EQ(TranslateText("frmOptions", "cmdApply.Caption", "Ü&bernehmen"), "Ü&bernehmen");
    EXPECT_EQ(TranslateText("frmOptions", "cmdOK.ToolTipText", ""), "");
    EXPECT_EQ(TranslateText("frmOptions", "lblA.Caption", "A"), "two words");
    EXPECT_EQ(TranslateText("frmOptions", "lblB.Caption", "B"), "  quoted blanks");
    EXPECT_EQ(TranslateText("frmOptions", "lblC.Caption", "C"), "C");
    EXPECT_EQ(TranslateText("frmOptions", "lblD.Caption", "D"), "First\r\nSecond\r\n");
    EXPECT_EQ(TranslateText("frmOptions", "lblE.Caption", "E"), std::string(254, 'x'));
    EXPECT_EQ(ReadFile(LanguageFile()), "[frmOptions]\r\n"
                                        "Caption=Options\r\n"
                                        "cmdApply.Caption=\xDC&bernehmen\r\n"
                                        "cmdOK.ToolTipText=\r\n"
                                        "lblA.Caption=   two words  \r\n"
                                        "lblB.Caption=\"  quoted blanks\"\r\n"
                                        "lblC.Caption=C\r\n"
                                        "lblD.Caption=First\\nSecond\\n\r\n"
                                        "lblE.Caption=" +
                                            std::string(300, 'x') + "\r\n");
}

TEST_F(TranslateTextTest, LineBreaksInDefaults)
{
    // "\n" in a default is a line break too; a real line break is stored as "\n".
    EXPECT_EQ(TranslateText("frmAbout", "a", "Eins\\nZwei"), "Eins\r\nZwei");
    EXPECT_EQ(TranslateText("frmAbout", "b", "Drei\r\nVier\nFünf"), "Drei\r\nVier\nFünf");
    EXPECT_EQ(TranslateText("frmAbout", "b", "anders"), "Drei\r\nVier\r\nFünf");
    EXPECT_EQ(TranslateText("frmAbout", "c", std::string("N\0UL", 4)), std::string("N\0UL", 4));
    EXPECT_EQ(ReadFile(LanguageFile()), "[frmAbout]\r\n"
                                        "a=Eins\\nZwei\r\n"
                                        "b=Drei\\nVier\\nF\xFCnf\r\n"
                                        "c=NUL\r\n");
}

TEST_F(TranslateTextTest, ReadOnlyFileKeepsTheGermanTexts)
{
    const std::string contents = "[frmMain]\r\nstrStatusFiles=Files\r\n";
    WriteFile(LanguageFile(), contents);
    ASSERT_TRUE(MakeReadOnly(LanguageFile()));
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(TranslateText("frmMain", "strStatusFiles", "Dateien"), "Files");
        EXPECT_EQ(TranslateText("frmMain", "strStatusTotal", "gesamt"), "gesamt");
        EXPECT_EQ(TranslateText("frmNew", "Caption", "Größe"), "Größe");
    }
    EXPECT_EQ(ReadFile(LanguageFile()), contents);
}
