#include "RegistryStore.h"

#include "RegistryPath.h"

#include <utility>

RegistryStore::RegistryStore(std::string path) : m_strPath(std::move(path)) {}

bool RegistryStore::IsRoot(int32_t root)
{
    return RegistryPath::IsRoot(root);
}
