// The site's client of the forecast service: one GET over libcurl.
#include <curl/curl.h>

#include <algorithm>
#include <mutex>
#include <string>

#include "site.h"

namespace {

// A forecast of five days with its hours is some 10 KiB; anything near this is not one.
constexpr std::size_t ReplyByteLimit = 4 << 20;

bool CurlReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ready;
}

struct Received {
    std::string body;
    bool tooLarge = false;
};

size_t Receive(char* data, size_t size, size_t count, void* user) {
    auto* received = static_cast<Received*>(user);
    std::size_t length = size * count;
    if (received->body.size() + length > ReplyByteLimit) {
        received->tooLarge = true;
        return 0;
    }
    received->body.append(data, length);
    return length;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* cancelled = static_cast<const std::function<bool()>*>(user);
    return *cancelled && (*cancelled)() ? 1 : 0;
}

}  // namespace

UpstreamReply UpstreamGet(const std::string& url, int timeoutMs,
                          const std::function<bool()>& cancelled) {
    UpstreamReply reply;
    if (!CurlReady()) {
        reply.error = "libcurl did not initialise";
        return reply;
    }
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        reply.error = "no curl handle";
        return reply;
    }
    Received received;
    char errorText[CURL_ERROR_SIZE] = {};
    long timeout = std::max(1, timeoutMs);
    // The defaults already verify the peer and its name and read the proxy variables
    // (http_proxy, https_proxy, no_proxy); set here so that no later edit loses them unnoticed.
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, std::min(timeout, 5000L));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeout);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "lanchuan-weather-site/1");
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Receive);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &received);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &cancelled);
    CURLcode result = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    reply.status = static_cast<int>(status);
    if (result != CURLE_OK) {
        reply.error = received.tooLarge ? "reply too large"
                                        : (errorText[0] != '\0' ? std::string(errorText)
                                                                : curl_easy_strerror(result));
        return reply;
    }
    reply.body = std::move(received.body);
    reply.ok = status == 200;
    if (!reply.ok) {
        reply.error = "HTTP status " + std::to_string(status);
    }
    return reply;
}
