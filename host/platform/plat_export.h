// Visibility of the platform library's interface: the driver is built with
// hidden visibility, so everything it calls here must be exported explicitly.
#pragma once

#define PLAT_EXPORT __attribute__((visibility("default")))
