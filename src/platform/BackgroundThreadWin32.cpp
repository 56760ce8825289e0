#include "BackgroundThread.h"

#include <windows.h>

namespace BackgroundThread {

void LowerPriority()
{
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

} // namespace BackgroundThread
