// Writes a few small archives as a starting corpus for the fuzzer.
#include "PakWriter.h"

#include <string>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    const std::string dir = argv[1];
    PakWriterOptions timed;
    timed.WithTimeTable = true;
    WritePak(dir + "/plain.pak", {{"a.txt", "hello"}, {"dir\\b.bin", std::string(40, 'b')}});
    WritePak(dir + "/timed.pak", {{"x\\y\\z.dat", "zzz", {}, {}, 1, 2, 3}, {"e", ""}}, timed);
    WritePak(dir + "/hostile.pak", {{"..\\up.txt", "u"}, {"\\abs", "a"}, {"C:x", "c"}});
    WritePak(dir + "/empty.pak", {});
    return 0;
}
