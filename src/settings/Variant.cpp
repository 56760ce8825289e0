#include "Variant.h"

#include "SettingsText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

VariantError::VariantError(int32_t number, const std::string &description)
    : std::runtime_error(description), m_lngNumber(number)
{
}

namespace {

[[noreturn]] void ThrowTypeMismatch()
{
    throw VariantError(VariantError::TypeMismatch, "Type mismatch");
}

[[noreturn]] void ThrowOverflow()
{
    throw VariantError(VariantError::Overflow, "Overflow");
}

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
}

// A numeric text as a number: blanks around it, an optional sign, decimal digits
// with an optional fraction and exponent, or "&H"/"&O" followed by hex/octal digits.
double ParseNumber(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    if (text.empty())
        ThrowTypeMismatch();
    if (text.size() > 2 && text[0] == '&' &&
        (text[1] == 'H' || text[1] == 'h' || text[1] == 'O' || text[1] == 'o')) {
        const int base = (text[1] == 'H' || text[1] == 'h') ? 16 : 8;
        uint64_t value = 0;
        const auto digits = text.substr(2);
        const auto [end, ec] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
        if (ec != std::errc() || end != digits.data() + digits.size())
            ThrowTypeMismatch();
        if (value > 0xFFFFFFFFu)
            ThrowOverflow();
        // "&HFFFFFFFF" is -1, as the 32-bit pattern it spells.
        return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(value)));
    }
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() == '+' || text.front() == '-')
        ThrowTypeMismatch();
    double value = 0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range)
        ThrowOverflow();
    if (ec != std::errc() || end != text.data() + text.size())
        ThrowTypeMismatch();
    return negative ? -value : value;
}

int32_t RoundToLong(double value)
{
    if (std::isnan(value))
        ThrowOverflow();
    const double rounded = std::nearbyint(value); // halves to the even neighbour
    if (rounded < static_cast<double>(std::numeric_limits<int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<int32_t>::max()))
        ThrowOverflow();
    return static_cast<int32_t>(rounded);
}

template <class T> std::string FloatText(T value)
{
    std::array<char, 64> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (ec != std::errc())
        return {};
    return std::string(buffer.data(), end);
}

} // namespace

Variant::Variant(int16_t value) : m_v(value) {}
Variant::Variant(int32_t value) : m_v(value) {}
Variant::Variant(float value) : m_v(value) {}
Variant::Variant(double value) : m_v(value) {}
Variant::Variant(bool value) : m_v(value) {}
Variant::Variant(std::string value) : m_v(std::move(value)) {}
Variant::Variant(const char *value) : m_v(std::string(value ? value : "")) {}
Variant::Variant(Bytes value) : m_v(std::move(value)) {}

Variant::Tag Variant::GetTag() const
{
    return static_cast<Tag>(m_v.index());
}

bool Variant::IsInteger() const
{
    return GetTag() == Tag::Integer || GetTag() == Tag::Long;
}

double Variant::ToDouble() const
{
    switch (GetTag()) {
    case Tag::Empty:
        return 0;
    case Tag::Integer:
        return std::get<int16_t>(m_v);
    case Tag::Long:
        return std::get<int32_t>(m_v);
    case Tag::Single:
        return std::get<float>(m_v);
    case Tag::Double:
        return std::get<double>(m_v);
    case Tag::Boolean:
        return std::get<bool>(m_v) ? -1 : 0;
    case Tag::String:
        return ParseNumber(std::get<std::string>(m_v));
    case Tag::ByteArray:
        break;
    }
    ThrowTypeMismatch();
}

int32_t Variant::ToLong() const
{
    switch (GetTag()) {
    case Tag::Integer:
        return std::get<int16_t>(m_v);
    case Tag::Long:
        return std::get<int32_t>(m_v);
    default:
        return RoundToLong(ToDouble());
    }
}

bool Variant::ToBool() const
{
    if (GetTag() == Tag::Boolean)
        return std::get<bool>(m_v);
    if (GetTag() == Tag::String) {
        const auto &text = std::get<std::string>(m_v);
        if (SettingsText::EqualsNoCase(text, "True"))
            return true;
        if (SettingsText::EqualsNoCase(text, "False"))
            return false;
    }
    return ToDouble() != 0;
}

std::string Variant::ToString() const
{
    switch (GetTag()) {
    case Tag::Empty:
        return {};
    case Tag::Integer:
        return std::to_string(std::get<int16_t>(m_v));
    case Tag::Long:
        return std::to_string(std::get<int32_t>(m_v));
    case Tag::Single:
        return FloatText(std::get<float>(m_v));
    case Tag::Double:
        return FloatText(std::get<double>(m_v));
    case Tag::Boolean:
        return std::get<bool>(m_v) ? "True" : "False";
    case Tag::String:
        return std::get<std::string>(m_v);
    case Tag::ByteArray: {
        const auto &bytes = std::get<Bytes>(m_v);
        return std::string(bytes.begin(), bytes.end());
    }
    }
    return {};
}

const Variant::Bytes &Variant::ToBytes() const
{
    static const Bytes none;
    const auto *bytes = std::get_if<Bytes>(&m_v);
    return bytes ? *bytes : none;
}
