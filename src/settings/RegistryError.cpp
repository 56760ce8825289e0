#include "RegistryError.h"

#include <utility>

RegistryError::RegistryError(int32_t number, std::string source, const std::string &description)
    : std::runtime_error(description), m_lngNumber(number), m_strSource(std::move(source))
{
}
