#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

// A conversion between variant tags that cannot be made: number 13 for a type
// mismatch (text where a number is expected), 6 for an overflow.
class VariantError final : public std::runtime_error
{
  public:
    VariantError(int32_t number, const std::string &description);
    int32_t Number() const { return m_lngNumber; }

    static constexpr int32_t TypeMismatch = 13;
    static constexpr int32_t Overflow = 6;

  private:
    int32_t m_lngNumber;
};

// The tagged value that registry reads return and writes take: Empty, a 16-bit
// or 32-bit integer, a 32-bit or 64-bit floating-point number, a Boolean, a
// string (UTF-8) or an array of bytes. The conversions follow the usual variant
// rules: Empty converts to 0, to the empty string and to False; a numeric
// string converts to its number; True converts to -1.
class Variant final
{
  public:
    enum class Tag
    {
        Empty,
        Integer,
        Long,
        Single,
        Double,
        Boolean,
        String,
        ByteArray
    };
    using Bytes = std::vector<uint8_t>;

    Variant() = default;
    explicit Variant(int16_t value);
    explicit Variant(int32_t value);
    explicit Variant(float value);
    explicit Variant(double value);
    explicit Variant(bool value);
    explicit Variant(std::string value);
    explicit Variant(const char *value);
    explicit Variant(Bytes value);

    Tag GetTag() const;
    bool IsEmpty() const { return GetTag() == Tag::Empty; }
    // True for the two integer tags.
    bool IsInteger() const;

    // The value as a 32-bit integer; halves round to the even neighbour.
    // Throws VariantError for a non-numeric text or byte array (13) and for a
    // number outside the 32-bit range (6).
    int32_t ToLong() const;
    // The value as a 64-bit float; throws VariantError (13) like ToLong.
    double ToDouble() const;
    // Non-zero numbers are True; a text may read "True"/"False" or a number.
    bool ToBool() const;
    // The value as text: integers in decimal, Booleans "True"/"False", floats
    // in their shortest exact form with "." as decimal point, bytes as they are.
    std::string ToString() const;
    // The bytes of a byte array; empty for every other tag.
    const Bytes &ToBytes() const;

    bool operator==(const Variant &other) const = default;

  private:
    std::variant<std::monostate, int16_t, int32_t, float, double, bool, std::string, Bytes> m_v;
};
