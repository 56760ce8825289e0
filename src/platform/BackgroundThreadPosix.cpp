#include "BackgroundThread.h"

#include <sys/resource.h>
#include <unistd.h>

namespace BackgroundThread {

void LowerPriority()
{
    // On Linux the nice value belongs to each thread; failing leaves it as it is.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
}

} // namespace BackgroundThread
