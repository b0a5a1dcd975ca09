// The page fetch over libcurl: one GET, the body as received, empty bytes on any failure.
#include <curl/curl.h>

#include <atomic>
#include <mutex>
#include <utility>

#include "platform/http.h"
#include "platform/input_bounds.h"
#include "platform/linux/http_limits.h"

namespace {

bool CurlReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ready;
}

// Only web addresses: libcurl would otherwise guess a scheme for a bare name like "未知".
bool HasWebScheme(const Text& url) {
    auto startsWith = [&url](std::string_view scheme) {
        if (url.size() < scheme.size()) {
            return false;
        }
        for (size_t i = 0; i < scheme.size(); ++i) {
            char c = url[i];
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
            if (c != scheme[i]) {
                return false;
            }
        }
        return true;
    };
    return startsWith("http://") || startsWith("https://");
}

struct Body {
    Bytes bytes;
    bool tooLarge = false;
};

size_t ReceiveBody(char* data, size_t size, size_t count, void* user) {
    auto* body = static_cast<Body*>(user);
    const size_t length = size * count;
    if (static_cast<long long>(body->bytes.size() + length) > HttpMaxBodyBytes) {
        body->tooLarge = true;
        return 0;  // anything else than length aborts the transfer
    }
    body->bytes.append(data, length);
    return length;
}

}  // namespace

std::atomic<long>& HttpStallLimit() {
    static std::atomic<long> seconds{HttpStallSeconds};
    return seconds;
}

std::atomic<long>& HttpTotalLimit() {
    static std::atomic<long> seconds{HttpTotalSeconds};
    return seconds;
}

Bytes PlatformHttpGet(const Text& url) {
    if (!HasWebScheme(url) || !CurlReady()) {
        return Bytes();
    }
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        return Bytes();
    }
    Body body;
    curl_slist* headers =
        curl_slist_append(nullptr, "Content-Type: application/x-www-form-urlencoded");
    bool set = headers != nullptr;
    // Query threads run side by side; signals would reach the wrong one.
    set = set && curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    set = set && curl_easy_setopt(curl, CURLOPT_URL, url.c_str()) == CURLE_OK;
    set = set && curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L) == CURLE_OK;
    set = set && curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers) == CURLE_OK;
    set = set && curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
    set = set && curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK;
    set = set && curl_easy_setopt(curl, CURLOPT_MAXREDIRS, HttpMaxRedirects) == CURLE_OK;
    set = set && curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
    set = set && curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, HttpConnectSeconds) == CURLE_OK;
    // A server that stops sending must not keep the boxes disabled for ever.
    set = set && curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK;
    set =
        set && curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, HttpStallLimit().load()) == CURLE_OK;
    // Nor must one that drips a byte now and then, which the stall rule never catches.
    set = set && curl_easy_setopt(curl, CURLOPT_TIMEOUT, HttpTotalLimit().load()) == CURLE_OK;
    set = set && curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                                  static_cast<curl_off_t>(HttpMaxBodyBytes)) == CURLE_OK;
    set = set && curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, ReceiveBody) == CURLE_OK;
    set = set && curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body) == CURLE_OK;
    const bool fetched = set && curl_easy_perform(curl) == CURLE_OK && !body.tooLarge;
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    if (!fetched) {
        return Bytes();
    }
    return std::move(body.bytes);
}
