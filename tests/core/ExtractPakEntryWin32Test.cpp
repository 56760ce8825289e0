#include "ExtractPakEntryFixture.h"
