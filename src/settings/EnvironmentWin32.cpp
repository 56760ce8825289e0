#include "Environment.h"

#include "WideText.h"

#include <windows.h>

namespace Environment {

std::optional<std::string> Value(const std::string &name)
{
    const auto wideName = WideText::FromUtf8(name);
    std::wstring value(256, L'\0');
    while (true) {
        ::SetLastError(ERROR_SUCCESS);
        const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), value.data(),
                                                       static_cast<DWORD>(value.size()));
        if (length == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND)
            return std::nullopt;
        if (length < value.size()) {
            value.resize(length);
            return WideText::ToUtf8(value);
        }
        value.resize(length); // the size needed, its NUL included
    }
}

} // namespace Environment
