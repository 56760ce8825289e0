#include "CliCommon.h"
namespace cli {
void AddExtractCommand(CLI::App &, int &) {}
}
