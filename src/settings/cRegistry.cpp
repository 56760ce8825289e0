#include "cRegistry.h"

#include "SettingsText.h"
#include "ShellAssociation.h"

#include <utility>

using namespace RegistryTypes;

namespace {

// The error raised for a REG_BINARY write of something that is no byte array
// carries no source or description of its own, only the generic ones.
constexpr const char *GenericSource = "vannerby";
constexpr const char *GenericDescription = "Application-defined or object-defined error";

// A text is stored as REG_EXPAND_SZ when it holds a "%" and another "%" at
// least two characters after it, whatever type the caller asked for.
bool HasExpandReference(const std::string &text)
{
    const auto first = text.find('%');
    return first != std::string::npos && text.find('%', first + 2) != std::string::npos;
}

std::string HexText(const std::vector<uint8_t> &bytes)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const auto b : bytes) {
        out += hex[b >> 4];
        out += hex[b & 0xF];
    }
    return out;
}

std::string DataText(const std::vector<uint8_t> &data)
{
    std::string text(data.begin(), data.end());
    if (!text.empty() && text.back() == '\0')
        text.pop_back(); // the terminating NUL; data without one loses nothing
    return text;
}

std::string TrimBlanks(const std::string &text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Key path and value names of the association, innermost keys first.
std::vector<std::string> AssociationKeys(const std::string &sClassName,
                                         const std::string &sAssociation)
{
    std::vector<std::string> keys;
    for (const char *suffix :
         {"\\DefaultIcon", "\\shell\\new\\command", "\\shell\\new", "\\shell\\print\\command",
          "\\shell\\print", "\\shell\\add\\command", "\\shell\\add", "\\shell\\open\\command",
          "\\shell\\open", "\\shell", ""})
        keys.push_back(sClassName + suffix);
    keys.push_back("." + sAssociation);
    return keys;
}

} // namespace

cRegistry::cRegistry() : m_store(RegistryStore::DefaultPath()) {}

cRegistry::cRegistry(std::string storePath) : m_store(std::move(storePath)) {}

void cRegistry::SetMachine(const std::string &sMachine)
{
    if (SettingsText::CharCount(sMachine) < 3)
        m_strMachine.clear();
    else if (sMachine.rfind("\\\\", 0) == 0)
        m_strMachine = sMachine;
    else
        m_strMachine = "\\\\" + sMachine;
}

bool cRegistry::KeyExists() const
{
    return m_store.KeyExists(m_eClassKey, m_strSectionKey);
}

bool cRegistry::CreateKey()
{
    if (m_store.CreateKey(m_eClassKey, m_strSectionKey) != RegistryStatus::Ok)
        Raise(RegistryErrorNumber::KeyFailed, "Failed to create registry Key: '" + m_strSectionKey);
    return true;
}

bool cRegistry::DeleteKey()
{
    if (m_store.DeleteKey(m_eClassKey, m_strSectionKey) != RegistryStatus::Ok)
        Raise(RegistryErrorNumber::KeyFailed, "Failed to delete registry Key: '" +
                                                  std::to_string(m_eClassKey) + "',Section: '" +
                                                  m_strSectionKey);
    return true;
}

bool cRegistry::DeleteValue()
{
    switch (m_store.DeleteValue(m_eClassKey, m_strSectionKey, m_strValueKey)) {
    case RegistryStatus::Ok:
        return true;
    case RegistryStatus::ValueNotFound:
    case RegistryStatus::WriteFailed:
        Raise(RegistryErrorNumber::KeyFailed, "Failed to delete registry Key: '" +
                                                  std::to_string(m_eClassKey) + "',Section: '" +
                                                  m_strSectionKey + "',Key: '" + m_strValueKey);
    default:
        Raise(RegistryErrorNumber::KeyFailed, "Failed to open key '" + std::to_string(m_eClassKey) +
                                                  "',Section: '" + m_strSectionKey +
                                                  "' for delete access");
    }
}

Variant cRegistry::Value()
{
    if (!m_strMachine.empty())
        return m_vDefault; // remote registries are never connected
    const auto raw = m_store.QueryValue(m_eClassKey, m_strSectionKey, m_strValueKey);
    if (!raw)
        return m_vDefault;
    const auto &data = raw->Data;
    switch (raw->Type) {
    case REG_SZ:
    case REG_MULTI_SZ:
        m_eValueType = raw->Type;
        return Variant(DataText(data));
    case REG_EXPAND_SZ:
        m_eValueType = raw->Type;
        if (!m_blnExpandStrings)
            return Variant(DataText(data));
        return Variant(SettingsText::ExpandEnvironmentStrings(DataText(data)));
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        // Shorter data reads as if padded with zero bytes; longer data is no DWORD.
        if (data.size() > 4)
            return m_vDefault;
        uint8_t bytes[4] = {0, 0, 0, 0};
        for (size_t i = 0; i < data.size(); ++i)
            bytes[i] = data[i];
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = (value << 8) | (raw->Type == REG_DWORD ? bytes[i] : bytes[3 - i]);
        m_eValueType = raw->Type;
        return Variant(static_cast<int32_t>(value));
    }
    default:
        m_eValueType = raw->Type;
        return Variant(data);
    }
}

void cRegistry::SetValue(const Variant &vValue)
{
    if (!m_strMachine.empty())
        return; // remote registries are never connected: nothing is written
    int32_t type = m_eValueType;
    std::vector<uint8_t> data;
    bool store = true;
    switch (m_eValueType) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        const auto text = vValue.ToString();
        type = HasExpandReference(text) ? REG_EXPAND_SZ : REG_SZ;
        data.assign(text.begin(), text.end());
        data.push_back(0);
        break;
    }
    case REG_BINARY:
        if (vValue.GetTag() != Variant::Tag::ByteArray) {
            OpenKeyForWrite(vValue);
            throw RegistryError(RegistryErrorNumber::KeyFailed, GenericSource, GenericDescription);
        }
        data = vValue.ToBytes();
        break;
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN:
        // Only integers are stored, always as a little-endian REG_DWORD; other
        // variants store nothing and count as done.
        if (vValue.IsInteger()) {
            const auto value = static_cast<uint32_t>(vValue.ToLong());
            data = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                    static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
            type = REG_DWORD;
        } else {
            store = false;
        }
        break;
    default:
        OpenKeyForWrite(vValue);
        Raise(RegistryErrorNumber::SetValueFailed, SetFailureDescription(vValue));
    }
    if (!store) {
        OpenKeyForWrite(vValue);
        return;
    }
    switch (m_store.SetValue(m_eClassKey, m_strSectionKey, m_strValueKey, type, data)) {
    case RegistryStatus::Ok:
        return;
    case RegistryStatus::WriteFailed:
        Raise(RegistryErrorNumber::SetValueFailed, SetFailureDescription(vValue));
    default:
        Raise(RegistryErrorNumber::KeyFailed, SetFailureDescription(vValue));
    }
}

void cRegistry::OpenKeyForWrite(const Variant &vValue)
{
    if (m_store.CreateKey(m_eClassKey, m_strSectionKey) != RegistryStatus::Ok)
        Raise(RegistryErrorNumber::KeyFailed, SetFailureDescription(vValue));
}

bool cRegistry::EnumerateValues(std::vector<std::string> &sKeyNames, int32_t &iKeyCount) const
{
    iKeyCount = 0;
    sKeyNames.assign(1, std::string());
    const auto key = m_store.ReadKey(m_eClassKey, m_strSectionKey, false);
    if (!key)
        return true;
    for (const auto &value : key->Values) {
        sKeyNames.push_back(value.Name);
        ++iKeyCount;
    }
    return true;
}

bool cRegistry::EnumerateSections(std::vector<std::string> &sSect, int32_t &iSectCount) const
{
    iSectCount = 0;
    sSect.assign(1, std::string());
    try {
        const auto key = m_store.ReadKey(m_eClassKey, m_strSectionKey, false);
        if (!key)
            return true;
        for (const auto &subkey : key->Subkeys) {
            sSect.push_back(subkey.Name);
            ++iSectCount;
        }
    } catch (const std::exception &e) {
        Raise(RegistryErrorNumber::EnumerateFailed, e.what());
    }
    return true;
}

void cRegistry::CreateEXEAssociation(const std::string &sExePath, const std::string &sClassName,
                                     const std::string &sClassDescription,
                                     const std::string &sAssociation,
                                     const std::string &sOpenMenuText, bool bSupportPrint,
                                     const std::string &sPrintMenuText, bool bSupportNew,
                                     const std::string &sNewMenuText, bool bSupportInstall,
                                     const std::string &sInstallMenuText, int32_t lDefaultIconIndex)
{
    std::string path = TrimBlanks(sExePath);
    const bool quotedStart = !path.empty() && path.front() == '"';
    const bool quotedEnd = path.size() > (quotedStart ? 1u : 0u) && path.back() == '"';
    if (!quotedStart)
        path.insert(path.begin(), '"');
    if (!quotedEnd)
        path += '"';

    m_eValueType = REG_SZ;
    m_strValueKey.clear();
    m_strSectionKey = "." + sAssociation;
    SetClassValue(sClassName);
    m_strSectionKey = sClassName;
    SetClassValue(sClassDescription);

    const auto verb = [&](const char *name, const std::string &text, const char *sw) {
        m_strSectionKey = sClassName + "\\shell\\" + name;
        SetClassValue(text);
        m_strSectionKey = sClassName + "\\shell\\" + name + "\\command";
        SetClassValue(path + " " + sw + "\"%1\"");
    };
    if (!sOpenMenuText.empty()) {
        m_strSectionKey = sClassName + "\\shell\\open";
        SetClassValue(sOpenMenuText);
    }
    m_strSectionKey = sClassName + "\\shell\\open\\command";
    SetClassValue(path + " \"%1\"");
    if (bSupportPrint)
        verb("print", sPrintMenuText.empty() ? "&Print" : sPrintMenuText, "/p ");
    if (bSupportInstall)
        verb("add", sInstallMenuText.empty() ? "&Install " + sAssociation : sInstallMenuText,
             "/a ");
    if (bSupportNew)
        verb("new", sNewMenuText.empty() ? "&New" : sNewMenuText, "/n ");
    if (lDefaultIconIndex > -1) {
        m_strSectionKey = sClassName + "\\DefaultIcon";
        SetClassValue(path + "," + std::to_string(lDefaultIconIndex));
    }
    ShellAssociation::NotifyAssociationChanged(true, sClassName, path.substr(1, path.size() - 2));
}

void cRegistry::CreateAdditionalEXEAssociations(const std::string &sClassName,
                                                const std::vector<Variant> &vItems)
{
    if (vItems.size() % 3 != 0)
        Raise(RegistryErrorNumber::BadAssociationList,
              "Invalid parameter list passed to CreateAdditionalEXEAssociations - expected "
              "Name/Text/Command");
    m_strSectionKey = sClassName;
    if (!KeyExists() && !ClassRegistered(sClassName))
        Raise(RegistryErrorNumber::ClassNotDefined,
              "Error - attempt to create additional associations before class defined.");
    for (size_t i = 0; i < vItems.size(); i += 3) {
        const auto name = vItems[i].ToString();
        m_eValueType = REG_SZ;
        m_strSectionKey = sClassName + "\\shell\\" + name;
        m_strValueKey.clear();
        SetClassValue(vItems[i + 1].ToString());
        m_strSectionKey = sClassName + "\\shell\\" + name + "\\command";
        m_strValueKey.clear();
        SetClassValue(vItems[i + 2].ToString());
    }
}

void cRegistry::DeleteEXEAssociation(const std::string & /*sExePath*/,
                                     const std::string &sClassName,
                                     const std::string & /*sClassDescription*/,
                                     const std::string &sAssociation)
{
    const auto own = ShellAssociation::OwnRoot();
    m_eClassKey = own.Root;
    for (const auto &key : AssociationKeys(sClassName, sAssociation)) {
        m_strSectionKey = own.Prefix + key;
        if (KeyExists())
            DeleteKey();
    }
    ShellAssociation::NotifyAssociationChanged(false, sClassName, {});
}

Variant cRegistry::ValueEx(int32_t eKey, const std::string &sSectionKey,
                           const std::string &sValueKey, int32_t eValueType,
                           const Variant &vDefault)
{
    m_eClassKey = eKey;
    m_strSectionKey = sSectionKey;
    m_strValueKey = sValueKey;
    m_eValueType = eValueType;
    m_vDefault = vDefault;
    return Value();
}

void cRegistry::SetValueEx(int32_t eKey, const std::string &sSectionKey,
                           const std::string &sValueKey, int32_t eValueType,
                           const Variant &vDefault, const Variant &NewValue)
{
    m_eClassKey = eKey;
    m_strSectionKey = sSectionKey;
    m_strValueKey = sValueKey;
    m_eValueType = eValueType;
    m_vDefault = vDefault;
    if (eValueType == REG_SZ && NewValue.ToString().empty())
        SetValue(m_vDefault);
    else
        SetValue(NewValue);
}

void cRegistry::SetClassValue(const std::string &sValue)
{
    const std::string section = m_strSectionKey;
    try {
        for (const auto &root : ShellAssociation::WriteRoots()) {
            m_eClassKey = root.Root;
            m_strSectionKey = root.Prefix + section;
            SetValue(Variant(sValue));
        }
    } catch (...) {
        m_strSectionKey = section;
        throw;
    }
    m_strSectionKey = section;
}

bool cRegistry::ClassRegistered(const std::string &sClassName) const
{
    // HKEY_CLASSES_ROOT is the merged view of the class roots on Windows; Wine
    // does not merge, so the class is looked for where it was written.
    if (m_eClassKey != HKEY_CLASSES_ROOT)
        return false;
    for (const auto &root : ShellAssociation::WriteRoots())
        if (m_store.KeyExists(root.Root, root.Prefix + sClassName))
            return true;
    return false;
}

void cRegistry::Raise(int32_t number, const std::string &description) const
{
    throw RegistryError(number, ErrorSource, description);
}

std::string cRegistry::SetFailureDescription(const Variant &vValue) const
{
    // A byte array is shown as hex digits: its bytes need not be text.
    const auto text =
        vValue.GetTag() == Variant::Tag::ByteArray ? HexText(vValue.ToBytes()) : vValue.ToString();
    return "Failed to set registry value Key: '" + std::to_string(m_eClassKey) + "',Section: '" +
           m_strSectionKey + "',Key: '" + m_strValueKey + "' to value: '" + text + "'";
}
