#pragma once

#include "RegistryError.h"
#include "RegistryStore.h"
#include "RegistryTypes.h"
#include "Variant.h"

#include <cstdint>
#include <string>
#include <vector>

// The program's gateway to the registry store, used like a cursor: set where to
// read or write (ClassKey, SectionKey, ValueKey), how to store (ValueType) and
// what a failed read returns (Default), then read or assign Value, or run one of
// the key operations. Nothing stays open between calls. Reads never raise and
// fall back to Default; writes, key creation and deletion raise RegistryError.
class cRegistry final
{
  public:
    // The error source of every error this class raises.
    static constexpr const char *ErrorSource = "vannerby.cRegistry";

    // Works on the user's store (RegistryStore::DefaultPath; Windows: the registry).
    cRegistry();
    // Works on the SQLite store at the given path (Linux).
    explicit cRegistry(std::string storePath);

    // A remote registry is never reached: reads through Value return Default and
    // writes do nothing. Fewer than 3 characters clear it; otherwise two
    // backslashes are put in front unless the name already begins with them.
    const std::string &Machine() const { return m_strMachine; }
    void SetMachine(const std::string &sMachine);

    // True if SectionKey exists below ClassKey.
    bool KeyExists() const;
    // Creates SectionKey (and the keys above it) unless it exists; true or raises.
    bool CreateKey();
    // Deletes SectionKey and its values; a key with subkeys cannot be deleted. True or raises.
    bool DeleteKey();
    // Deletes the value ValueKey of SectionKey; true or raises.
    bool DeleteValue();

    // Reads ValueKey: a string (REG_SZ, REG_MULTI_SZ, REG_EXPAND_SZ expanded), a
    // 32-bit integer (REG_DWORD, REG_DWORD_BIG_ENDIAN) or a byte array (other
    // types); Default when nothing can be read. Sets ValueType to the type found.
    Variant Value();
    // Writes ValueKey by ValueType, creating SectionKey as needed; raises on failure.
    void SetValue(const Variant &vValue);

    // Names of the values of SectionKey as elements 1 to iKeyCount (element 0
    // is unused). True also when the key is missing, with a count of 0.
    bool EnumerateValues(std::vector<std::string> &sKeyNames, int32_t &iKeyCount) const;
    // Names of the subkeys of SectionKey, as EnumerateValues does.
    bool EnumerateSections(std::vector<std::string> &sSect, int32_t &iSectCount) const;

    // Registers sExePath as the handler of the extension sAssociation (given
    // without its dot) through the class sClassName, below each class root of
    // ShellAssociation (Linux: HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE
    // "SOFTWARE\Classes\"; Windows: HKEY_CURRENT_USER "Software\Classes\"), then
    // tells the shell. Raises on the first failed write.
    void CreateEXEAssociation(const std::string &sExePath, const std::string &sClassName,
                              const std::string &sClassDescription, const std::string &sAssociation,
                              const std::string &sOpenMenuText, bool bSupportPrint,
                              const std::string &sPrintMenuText, bool bSupportNew,
                              const std::string &sNewMenuText, bool bSupportInstall,
                              const std::string &sInstallMenuText, int32_t lDefaultIconIndex);
    // Adds verbs to a class that exists below ClassKey (or, for
    // HKEY_CLASSES_ROOT, below a class root): vItems holds triples of verb key
    // name, menu text and command line.
    void CreateAdditionalEXEAssociations(const std::string &sClassName,
                                         const std::vector<Variant> &vItems);
    // Removes the registration below ShellAssociation's own class root (Linux:
    // HKEY_LOCAL_MACHINE "SOFTWARE\Classes\"; Windows: HKEY_CURRENT_USER
    // "Software\Classes\"), then tells the shell; sExePath and sClassDescription
    // are not used.
    void DeleteEXEAssociation(const std::string &sExePath, const std::string &sClassName,
                              const std::string &sClassDescription,
                              const std::string &sAssociation);

    // Whether reads expand the %NAME% references of REG_EXPAND_SZ values (the
    // default). Texts that only look like references, such as file paths the
    // user opened, are read with expansion off so that they come back as stored.
    bool ExpandStrings() const { return m_blnExpandStrings; }
    void SetExpandStrings(bool expand) { m_blnExpandStrings = expand; }

    int32_t ValueType() const { return m_eValueType; }
    void SetValueType(int32_t eValueType) { m_eValueType = eValueType; }
    int32_t ClassKey() const { return m_eClassKey; }
    void SetClassKey(int32_t eKey) { m_eClassKey = eKey; }
    const std::string &SectionKey() const { return m_strSectionKey; }
    void SetSectionKey(const std::string &sSectionKey) { m_strSectionKey = sSectionKey; }
    const std::string &ValueKey() const { return m_strValueKey; }
    void SetValueKey(const std::string &sValueKey) { m_strValueKey = sValueKey; }
    const Variant &Default() const { return m_vDefault; }
    void SetDefault(const Variant &vDefault) { m_vDefault = vDefault; }

    // Sets the five properties (they stay set) and reads Value.
    Variant ValueEx(int32_t eKey, const std::string &sSectionKey, const std::string &sValueKey,
                    int32_t eValueType, const Variant &vDefault);
    // Sets the five properties and writes NewValue; for REG_SZ an empty text is
    // replaced by Default.
    void SetValueEx(int32_t eKey, const std::string &sSectionKey, const std::string &sValueKey,
                    int32_t eValueType, const Variant &vDefault, const Variant &NewValue);

  private:
    // Writes sValue as the default value of SectionKey below each class root,
    // in order; ClassKey is left at the last root.
    void SetClassValue(const std::string &sValue);
    bool ClassRegistered(const std::string &sClassName) const;
    // Creates SectionKey for a write; raises the set failure when it cannot.
    void OpenKeyForWrite(const Variant &vValue);
    [[noreturn]] void Raise(int32_t number, const std::string &description) const;
    std::string SetFailureDescription(const Variant &vValue) const;

    RegistryStore m_store;
    int32_t m_eClassKey = 0;
    std::string m_strSectionKey;
    std::string m_strValueKey;
    Variant m_vDefault;
    int32_t m_eValueType = 0;
    std::string m_strMachine;
    bool m_blnExpandStrings = true;
};
