#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

// A failure of the archive core as a value: the numeric code, the German
// description (with the path or entry name appended) that the error box shows,
// and that path or name alone, for callers that word the error themselves.
struct PakError
{
    int32_t Code = 0;
    std::string Description;
    std::string Subject;
};

namespace PakErrorCode {
inline constexpr int32_t OutOfMemory = 7;
inline constexpr int32_t BadFileName = 52;
inline constexpr int32_t FileNotFound = 53;
inline constexpr int32_t DeviceIO = 57;
inline constexpr int32_t DiskFull = 61;
inline constexpr int32_t InputPastEnd = 62;
inline constexpr int32_t PermissionDenied = 70;
inline constexpr int32_t PathFileAccess = 75;
inline constexpr int32_t PathNotFound = 76;
inline constexpr int32_t InvalidFormat = 321;
} // namespace PakErrorCode

// errno has no value for a missing folder on the way to a file, which Windows
// tells apart from a missing file: the Windows file calls report it as this one.
inline constexpr int ErrnoPathNotFound = -76;

// The German description that goes with a code ("Datenträger voll" for 61).
std::string PakErrorText(int32_t code);

// An error with the code's description, followed by ": " and the subject when given.
PakError MakePakError(int32_t code, const std::string &subject = {});

// The error an errno value stands for, naming the subject (a path or an entry name).
PakError PakErrorFromErrno(int errnum, const std::string &subject);

// The text the error box shows: description, CR LF, "(Runtime-Error: code)".
std::string PakErrorMessage(const PakError &error);

// Either a value or a PakError; a stand-in until the toolchain has std::expected.
template <class T> class Expected
{
  public:
    Expected(T value) : m_v(std::move(value)) {}
    Expected(PakError error) : m_v(std::move(error)) {}

    bool has_value() const { return m_v.index() == 0; }
    explicit operator bool() const { return has_value(); }
    T &value() { return std::get<0>(m_v); }
    const T &value() const { return std::get<0>(m_v); }
    T &operator*() { return value(); }
    const T &operator*() const { return value(); }
    T *operator->() { return &value(); }
    const T *operator->() const { return &value(); }
    const PakError &error() const { return std::get<1>(m_v); }

  private:
    std::variant<T, PakError> m_v;
};

template <> class Expected<void>
{
  public:
    Expected() = default;
    Expected(PakError error) : m_error(std::move(error)), m_failed(true) {}

    bool has_value() const { return !m_failed; }
    explicit operator bool() const { return has_value(); }
    const PakError &error() const { return m_error; }

  private:
    PakError m_error;
    bool m_failed = false;
};
