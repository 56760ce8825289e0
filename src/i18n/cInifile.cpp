#include "cInifile.h"

#include "FormWindow.h"
#include "ProfileFile.h"
#include "mdlTools.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

// Rounds half to even, as a 32-bit signed number; out-of-range values saturate.
int32_t RoundToLong(double value)
{
    if (std::isnan(value))
        return 0;
    const double rounded = std::nearbyint(value);
    if (rounded <= std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    if (rounded >= std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(rounded);
}

// The decimal text of a window property: whole twips as an integer, fractions
// in the shortest form that reads back exactly.
std::string NumberText(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::string(buffer, result.ptr);
}

bool IsDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

void SplitList(const std::string &list, bool keepEmpty, std::vector<std::string> &items,
               int32_t &count)
{
    items.clear();
    count = 0;
    std::size_t start = 0;
    // A piece counts only when a NUL follows it; a name cut by the buffer has none.
    for (std::size_t nul = list.find('\0'); nul != std::string::npos;
         nul = list.find('\0', start)) {
        if (keepEmpty || nul > start) {
            items.push_back(list.substr(start, nul - start));
            ++count;
        }
        start = nul + 1;
    }
}

} // namespace

const std::string &cInifile::Path() const
{
    return m_strPath;
}

void cInifile::SetPath(std::string strPath)
{
    m_strPath = std::move(strPath);
}

const std::string &cInifile::Section() const
{
    return m_strSection;
}

void cInifile::SetSection(std::string strSection)
{
    m_strSection = std::move(strSection);
}

const std::string &cInifile::Key() const
{
    return m_strKey;
}

void cInifile::SetKey(std::string strKey)
{
    m_strKey = std::move(strKey);
}

const std::string &cInifile::Default() const
{
    return m_strDefault;
}

void cInifile::SetDefault(std::string strDefault)
{
    m_strDefault = std::move(strDefault);
}

int32_t cInifile::LastReturnCode() const
{
    return m_lLastReturnCode;
}

bool cInifile::Success() const
{
    return m_lLastReturnCode != 0;
}

std::string cInifile::Value() const
{
    return ProfileFile::GetString(m_strSection, m_strKey, m_strDefault, kValueBufferSize,
                                  m_strPath);
}

void cInifile::SetValue(std::string_view strValue)
{
    std::string text(strValue);
    text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
    m_lLastReturnCode = ProfileFile::WriteString(m_strSection, m_strKey, text, m_strPath);
}

void cInifile::DeleteKey()
{
    m_lLastReturnCode = ProfileFile::WriteString(m_strSection, m_strKey, std::nullopt, m_strPath);
}

void cInifile::DeleteSection()
{
    m_lLastReturnCode =
        ProfileFile::WriteString(m_strSection, std::nullopt, std::nullopt, m_strPath);
}

std::string cInifile::INISection() const
{
    return ProfileFile::GetString(m_strSection, std::nullopt, m_strDefault, kListBufferSize,
                                  m_strPath);
}

void cInifile::SetINISection(std::string_view strValue)
{
    m_lLastReturnCode = ProfileFile::WriteString(m_strSection, std::nullopt, strValue, m_strPath);
}

std::string cInifile::Sections() const
{
    return ProfileFile::GetString(std::nullopt, std::nullopt, m_strDefault, kListBufferSize,
                                  m_strPath);
}

void cInifile::EnumerateCurrentSection(std::vector<std::string> &sKey, int32_t &iCount) const
{
    SplitList(INISection(), true, sKey, iCount);
}

void cInifile::EnumerateAllSections(std::vector<std::string> &sSections, int32_t &iCount) const
{
    SplitList(Sections(), false, sSections, iCount);
}

void cInifile::SaveFormPosition(const FormWindow &frmThis)
{
    const std::string oldKey = m_strKey;
    try {
        const int32_t state = frmThis.WindowState();
        if (state != FormWindow::Minimized) {
            m_strKey = "Maximised";
            SetValue(state == FormWindow::Maximized ? "1" : "0");
            if (state != FormWindow::Maximized) {
                m_strKey = "Left";
                SetValue(NumberText(frmThis.Left()));
                m_strKey = "Top";
                SetValue(NumberText(frmThis.Top()));
                m_strKey = "Width";
                SetValue(NumberText(frmThis.Width()));
                m_strKey = "Height";
                SetValue(NumberText(frmThis.Height()));
            }
        }
    } catch (...) {
        m_lLastReturnCode = 0;
    }
    m_strKey = oldKey;
}

void cInifile::LoadFormPosition(FormWindow &frmThis, int32_t lMinWidth, int32_t lMinHeight)
{
    const std::string oldKey = m_strKey;
    const std::string oldDefault = m_strDefault;
    try {
        // A missing key reads as text that is no number, so the window's own value stays.
        m_strDefault = "FAIL";
        const auto read = [&](const char *key, double current) -> double {
            m_strKey = key;
            return CLngDefault(Value(), RoundToLong(current));
        };
        double left = read("Left", frmThis.Left());
        double top = read("Top", frmThis.Top());
        double width = read("Width", frmThis.Width());
        double height = read("Height", frmThis.Height());
        if (width < lMinWidth)
            width = lMinWidth;
        if (height < lMinHeight)
            height = lMinHeight;

        // A 4-pixel margin inside the screen.
        const double mx = RoundToLong(4 * frmThis.TwipsPerPixelX());
        const double my = RoundToLong(4 * frmThis.TwipsPerPixelY());
        const double screenWidth = frmThis.ScreenWidth();
        const double screenHeight = frmThis.ScreenHeight();
        if (left < mx)
            left = mx;
        if (top < my)
            top = my;
        if (left + width > screenWidth - mx) {
            left = RoundToLong(screenWidth - mx - width);
            if (left < mx)
                left = mx;
            if (left + width > screenWidth - mx)
                width = RoundToLong(screenWidth - left - mx);
        }
        if (top + height > screenHeight - my) {
            top = RoundToLong(screenHeight - my - height);
            if (top < my)
                top = my;
            if (top + height > screenHeight - my)
                height = RoundToLong(screenHeight - top - my);
        }
        if (width >= lMinWidth && height >= lMinHeight)
            frmThis.Move(RoundToLong(left), RoundToLong(top), RoundToLong(width),
                         RoundToLong(height));

        m_strKey = "Maximised";
        if (CLngDefault(Value(), 0) != 0)
            frmThis.SetWindowState(FormWindow::Maximized);
    } catch (...) {
        m_lLastReturnCode = 0;
    }
    m_strKey = oldKey;
    m_strDefault = oldDefault;
}

int32_t cInifile::CLngDefault(std::string_view sString, int32_t lDefault)
{
    const std::string decimalPoint = mdlTools::NumberFormat::FromCLocale().DecimalPoint;
    const auto isBlank = [](char ch) { return ch == ' ' || ch == '\t'; };
    std::size_t i = 0;
    while (i < sString.size() && isBlank(sString[i]))
        ++i;
    // Rebuilt in the form from_chars reads: sign, digits, ".", digits, exponent.
    std::string number;
    if (i < sString.size() && (sString[i] == '+' || sString[i] == '-')) {
        if (sString[i] == '-')
            number += '-';
        ++i;
    }
    std::size_t digits = 0;
    for (; i < sString.size() && IsDigit(sString[i]); ++i, ++digits)
        number += sString[i];
    const std::string_view rest = sString.substr(i);
    std::size_t pointSize = 0;
    if (rest.starts_with('.'))
        pointSize = 1;
    else if (!decimalPoint.empty() && rest.starts_with(decimalPoint))
        pointSize = decimalPoint.size();
    if (pointSize != 0) {
        i += pointSize;
        number += '.';
        for (; i < sString.size() && IsDigit(sString[i]); ++i, ++digits)
            number += sString[i];
    }
    if (digits == 0)
        return lDefault;
    if (i < sString.size() && (sString[i] == 'e' || sString[i] == 'E')) {
        number += 'e';
        ++i;
        if (i < sString.size() && (sString[i] == '+' || sString[i] == '-'))
            number += sString[i++];
        std::size_t exponentDigits = 0;
        for (; i < sString.size() && IsDigit(sString[i]); ++i, ++exponentDigits)
            number += sString[i];
        if (exponentDigits == 0)
            return lDefault;
    }
    while (i < sString.size() && isBlank(sString[i]))
        ++i;
    if (i != sString.size())
        return lDefault;

    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec != std::errc() || result.ptr != number.data() + number.size())
        return lDefault;
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<int32_t>::min() &&
          rounded <= std::numeric_limits<int32_t>::max()))
        return lDefault;
    return static_cast<int32_t>(rounded);
}
