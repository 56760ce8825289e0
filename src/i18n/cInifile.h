#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class FormWindow;

// One INI (profile) file, used cursor-style: set Path, Section, Key and Default,
// then read or assign Value. Holds no copy of the file: every read and write goes
// straight to it. Texts are UTF-8; the file itself is Windows-1252 unless it
// starts with a UTF-8 byte-order mark.
class cInifile final
{
  public:
    // Buffer sizes of the profile reads: a value gives at most 254 characters,
    // a list of key or section names at most 8191.
    static constexpr int32_t kValueBufferSize = 255;
    static constexpr int32_t kListBufferSize = 8192;

    const std::string &Path() const;
    void SetPath(std::string strPath);
    const std::string &Section() const;
    void SetSection(std::string strSection);
    const std::string &Key() const;
    void SetKey(std::string strKey);
    const std::string &Default() const;
    void SetDefault(std::string strDefault);

    // Result of the last write or delete: non-zero = success, 0 = failure.
    int32_t LastReturnCode() const;
    bool Success() const;

    // The value of Key in Section (at most 254 characters), or Default when the
    // file, section or key is missing. Never fails.
    std::string Value() const;
    // Stores the text, without its NUL characters, as the value of Key.
    void SetValue(std::string_view strValue);

    void DeleteKey();
    void DeleteSection();

    // The key names of Section, each followed by NUL (Default when the section is missing).
    std::string INISection() const;
    // Removes the whole Section; the text itself is not stored (the key is null).
    void SetINISection(std::string_view strValue);
    // The section names of the file, each followed by NUL.
    std::string Sections() const;

    // The key names of Section. Callers count elements from 1: element k is
    // sKey[k - 1]. Names cut by the list buffer are left out.
    void EnumerateCurrentSection(std::vector<std::string> &sKey, int32_t &iCount) const;
    // The section names of the file, without empty ones.
    void EnumerateAllSections(std::vector<std::string> &sSections, int32_t &iCount) const;

    // Writes "Maximised", and unless maximised "Left", "Top", "Width", "Height",
    // into Section; a minimised window writes nothing.
    void SaveFormPosition(const FormWindow &frmThis);
    // Reads the placement back, fits it to the screen with a 4-pixel margin and
    // the minimum sizes, and applies it.
    void LoadFormPosition(FormWindow &frmThis, int32_t lMinWidth = 0, int32_t lMinHeight = 0);

    // The text as a 32-bit integer (blanks around it, a sign, a fraction rounded
    // half to even, an exponent; "." or the C library's decimal point), or
    // lDefault when it is not a number in range.
    static int32_t CLngDefault(std::string_view sString, int32_t lDefault = 0);

  private:
    std::string m_strPath;
    std::string m_strSection;
    std::string m_strKey;
    std::string m_strDefault;
    int32_t m_lLastReturnCode = 0;
};
