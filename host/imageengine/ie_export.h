// Visibility of the image engine's interface, for callers built with hidden visibility.
#pragma once

#define IE_EXPORT __attribute__((visibility("default")))
