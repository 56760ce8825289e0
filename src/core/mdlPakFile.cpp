#include "mdlPakFile.h"
