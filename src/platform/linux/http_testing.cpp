// The fetch limits that tests shorten.
#include "platform/http_testing.h"
#include "platform/linux/http_limits.h"

void SetHttpStallSeconds(long seconds) {
    HttpStallLimit() = seconds;
}

void SetHttpTotalSeconds(long seconds) {
    HttpTotalLimit() = seconds;
}
