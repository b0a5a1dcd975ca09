// The fetch limits that tests shorten.
#include "platform/http_testing.h"
#include "platform/win32/http_limits.h"

void SetHttpStallSeconds(long seconds) {
    HttpStallLimit() = seconds;
}

void SetHttpTotalSeconds(long seconds) {
    HttpTotalLimit() = seconds;
}
