#pragma once

class QWidget;

namespace mdlI18n {

// Translates every control of a window in place through TranslateText, in the
// window's section (its objectName). Controls are visited depth first, each
// container's children in the order the window created them; the window's own
// title is left to the window. A control is an object with an objectName not
// starting with "qt_"; a "Tag" property of exactly "NOLOC" leaves it alone.
// Types and keys (name = objectName):
// - QPushButton, QLabel, QRadioButton, QCheckBox: name.Caption (text), then
//   name.ToolTipText (tool tip);
// - QMenu (its title) and a QAction shown in a menu: name.Caption;
// - QLineEdit: name.ToolTipText;
// - an item view (QTreeView, QTableView, ...) with the dynamic property
//   "ColumnKeys" (a QStringList, one key per column of its model): the header
//   text of each column with a key, as name.<key>.Text; the model must accept
//   setHeaderData;
// - QTabWidget (the key is the page widget's property "Key") and a QTabBar of
//   its own (the key is the tab's data): tbs<key>.Caption and tbs<key>.ToolTipText;
// - QToolBar: for each action with a non-empty property "Key",
//   tbr<key>.Description (the action's whatsThis) and tbr<key>.ToolTipText.
// Tabs and columns without a key are left alone. Other types are untouched.
// Line breaks of the language file show as line breaks.
void TranslateForm(QWidget *frmThis);

} // namespace mdlI18n
