// The page fetch: one HTTP GET, the response body as received.
#pragma once

#include "text_types/text_types.h"

// GET with "Content-Type: application/x-www-form-urlencoded" and an empty body. The body exactly
// as received whatever the status; the empty byte string on any failure.
Bytes PlatformHttpGet(const Text& url);
