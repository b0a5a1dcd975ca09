// The page fetch: one GET through the platform's HTTP stack.
#include "platform/http.h"
#include "query/query.h"

Bytes FetchUrlBytes(const Text& url) {
    return PlatformHttpGet(url);
}
