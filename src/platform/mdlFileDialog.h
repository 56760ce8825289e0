#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

class QWidget;

// The folder browser and the open and save dialogs, as Qt's own (non-native)
// file dialogs, centred on their owner.
namespace mdlFileDialog {

// Flags of the folder browser: only file-system folders can be chosen, whatever
// is given, since Qt's folder dialog never offers anything else.
inline constexpr uint32_t BIF_RETURNONLYFSDIRS = 0x1;
inline constexpr uint32_t BIF_STATUSTEXT = 0x4;
inline constexpr uint32_t BIF_NEWDIALOGSTYLE = 0x40;

// Flags of the file dialogs that still mean something under Qt.
inline constexpr uint32_t OFN_OVERWRITEPROMPT = 0x2;
inline constexpr uint32_t OFN_HIDEREADONLY = 0x4;
inline constexpr uint32_t OFN_NOCHANGEDIR = 0x8;
inline constexpr uint32_t OFN_ENABLEHOOK = 0x20;
inline constexpr uint32_t OFN_ALLOWMULTISELECT = 0x200;
inline constexpr uint32_t OFN_PATHMUSTEXIST = 0x800;
inline constexpr uint32_t OFN_FILEMUSTEXIST = 0x1000;
inline constexpr uint32_t OFN_EXPLORER = 0x80000;
inline constexpr uint32_t OFN_NODEREFERENCELINKS = 0x100000;
inline constexpr uint32_t OFN_LONGNAMES = 0x200000;
// What ShowOpenDialog uses when it is given no flags.
inline constexpr uint32_t DefaultOpenFlags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLEHOOK |
                                             OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER |
                                             OFN_NODEREFERENCELINKS | OFN_LONGNAMES;

// The chosen folder, or an empty text when cancelled. The OK button is enabled
// only while the chosen folder exists; a missing initial folder leaves it disabled.
QString BrowseForFolder(uint32_t flags, const QString &initialFolder, const QString &title,
                        QWidget *owner);

// Qt's filter text for description/pattern pairs (index 0, 2, 4, ... description,
// the next one its pattern; a trailing odd text is ignored). Each entry shows the
// description as given; its patterns ("*.pa?", several separated by ";") match in
// any letter case, and "*.*" matches every file, with or without an extension.
QString BuildFileFilter(const QStringList &pairs);

// Asked with the chosen file before the dialog closes: false keeps the dialog
// open for another choice (the check has told the user why).
using FileCheck = std::function<bool(const QString &path)>;

// The chosen file, or an empty text when cancelled. filterIndex (1 = the first
// filter) selects the filter shown first and, on a confirmed choice, receives the
// one in use. An empty filter offers all files. flags are left unchanged.
QString ShowFileDialog(bool open, uint32_t &flags, const QString &initialFolder,
                       const QString &filter, int32_t &filterIndex, const QString &defaultExtension,
                       const QString &fileName, const QString &title, QWidget *owner,
                       const FileCheck &check = {});

// ShowFileDialog for opening an existing file; flags 0 means DefaultOpenFlags.
QString ShowOpenDialog(uint32_t flags, const QString &initialFolder, const QString &filter,
                       int32_t &filterIndex, const QString &defaultExtension,
                       const QString &fileName, const QString &title, QWidget *owner,
                       const FileCheck &check = {});

} // namespace mdlFileDialog
