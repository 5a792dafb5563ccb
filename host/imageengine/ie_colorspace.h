// The image engine's colour-space registry. Every user initialises it once
// (csInit when csInitialized says it is not), holds a counted reference while
// it uses the engine, and the last user to leave tears it down with csExit.
#pragma once

#include "ie_export.h"

struct Ie_Color_Space {
    int id;
    const char* name;
    int channels;
    int bits_per_channel;
};

// The standard colour spaces; found by name only while the registry is up.
IE_EXPORT extern const Ie_Color_Space csNone;
IE_EXPORT extern const Ie_Color_Space csRgb;
IE_EXPORT extern const Ie_Color_Space csBitonal;

IE_EXPORT bool csInitialized();
// Sets the registry up; does nothing when it already is.
IE_EXPORT void csInit();
// Tears the registry down. Refused (false) while references are held, so a
// user that leaves early cannot pull it from under the others.
IE_EXPORT bool csExit();

// Takes a reference on the registry; returns the new count, or 0 (and takes
// nothing) when the registry is not set up.
IE_EXPORT long csAddRef();
// Drops a reference; returns the count left, or -1 when none was held.
IE_EXPORT long csRelease();
// References held now.
IE_EXPORT long csUsageCount();

// A registered colour space by name; null when unknown or not set up.
IE_EXPORT const Ie_Color_Space* csFind(const char* name);
