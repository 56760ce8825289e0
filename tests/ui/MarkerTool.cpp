// A stand-in for a program the viewer starts: when run, it leaves the file
// "<its own path>.ran" behind, so that a test sees which copy was started.
#include <fstream>

int main(int /*argc*/, char **argv)
{
    std::ofstream(std::string(argv[0]) + ".ran") << "ran\n";
    return 0;
}
