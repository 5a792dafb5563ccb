// Entering and leaving the image engine: each user enters once when it starts
// and leaves once when it stops. Entries are counted.
#pragma once

#include "ie_export.h"

// Arguments of the latest successful ieEnter.
struct Ie_Enter_Args {
    long memory;
    int flags;
    int mode;
};

// Enters the engine with a working-memory size in bytes, flags and a mode.
// False (and not entered) for a memory size that is not positive.
IE_EXPORT bool ieEnter(long memory, int flags, int mode);
// Leaves once; false when nobody is inside.
IE_EXPORT bool ieLeave();
// Entries not yet left.
IE_EXPORT int ieEnterCount();
IE_EXPORT Ie_Enter_Args ieLastEnter();
