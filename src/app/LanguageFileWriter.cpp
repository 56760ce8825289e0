#include "LanguageFileWriter.h"

#include "frmAbout.h"
#include "frmCheck.h"
#include "frmExtract.h"
#include "frmMain.h"
#include "frmOptions.h"
#include "frmOverwrite.h"
#include "frmProgress.h"
#include "mdlI18n.h"
#include "mdlTools.h"

#include <QFile>
#include <QTableView>

#include <utility>

namespace LanguageFileWriter {

namespace {

// Every window of the program, one line each, in the order their sections
// appear in the file. Each opener creates its window over the main window so
// that it translates itself and reads its message texts; a dialog that does so
// only when shown is shown with a QTimer::singleShot(0, ...) that closes it.
const std::pair<const char *, void (*)(frmMain &)> Windows[] = {
    {"frmMain", [](frmMain &) {}}, // translated while it was created
    {"frmExtract", [](frmMain &main) { frmExtract window(main.List(), &main); }},
    {"frmProgress", [](frmMain &main) { frmProgress window(&main.Archive(), main.List(), &main); }},
    {"frmOverwrite", [](frmMain &main) { frmOverwrite window(&main); }},
    {"frmOptions", [](frmMain &main) { frmOptions window(&main); }},
    {"frmAbout", [](frmMain &main) { frmAbout window(&main); }},
    {"frmCheck", [](frmMain &main) { frmCheck window(&main); }},
};

} // namespace

int Write(const std::string &strPath)
{
    // Texts come from the windows, not from an older file.
    QFile::remove(QString::fromStdString(strPath));
    if (!mdlI18n::SetLanguageFile(strPath))
        return 1;
    {
        frmMain main;
        for (const auto &window : Windows)
            window.second(main);
    }
    return mdlTools::FileExists(strPath) ? 0 : 1;
}

} // namespace LanguageFileWriter
