// Writes the desktop entry and the MIME package that the installed program
// ships, from the same texts that the association writes for one user.
// Usage: vannerby-desktopfiles OUTPUT-FOLDER
#include "DesktopAssociation.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

bool Write(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out)
        std::fprintf(stderr, "vannerby-desktopfiles: cannot write %s\n", path.c_str());
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fputs("usage: vannerby-desktopfiles OUTPUT-FOLDER\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    // Installed, the program is found through PATH; the shared database
    // already has the other *.pak type.
    const bool ok = Write(folder + "/" + DesktopAssociation::DesktopFileName,
                          DesktopAssociation::DesktopEntry("vannerby")) &&
                    Write(folder + "/" + DesktopAssociation::MimePackageName,
                          DesktopAssociation::MimePackageXml(false));
    return ok ? 0 : 1;
}
