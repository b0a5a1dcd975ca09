// The page fetch over WinHTTP: one GET, the body as received, empty bytes on any failure.
//
// WinHTTP and not the XMLHTTP object: XMLHTTP buffers the whole body out of sight until the
// request completes and reports no bytes on the way, so neither "no byte for 30 s" nor the 64 MiB
// cap can be held with it; a server that sends without end would fill the memory before any
// deadline. WinHTTP reads on the calling thread with a timeout on every wait, which gives the
// same limits as the Linux fetch byte for byte, needs no COM apartment or message loop on the
// query thread, and follows redirects here, where each one is checked.
#include <shlwapi.h>
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "platform/http.h"
#include "platform/input_bounds.h"
#include "platform/win32/gbk_bytes.h"
#include "platform/win32/http_limits.h"

namespace {

// Milliseconds of the system's monotonic clock (<chrono> cannot be compiled for GBK literals).
using Instant = ULONGLONG;

struct Handle {
    HINTERNET value = nullptr;
    Handle() = default;
    explicit Handle(HINTERNET handle) : value(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (value != nullptr) {
            WinHttpCloseHandle(value);
        }
    }
};

bool IsWebScheme(const std::wstring& url) {
    auto startsWith = [&url](std::wstring_view scheme) {
        if (url.size() < scheme.size()) {
            return false;
        }
        for (std::size_t i = 0; i < scheme.size(); ++i) {
            wchar_t c = url[i];
            if (c >= L'A' && c <= L'Z') {
                c = static_cast<wchar_t>(c - L'A' + L'a');
            }
            if (c != scheme[i]) {
                return false;
            }
        }
        return true;
    };
    return startsWith(L"http://") || startsWith(L"https://");
}

// The time left of the whole fetch, capped at a limit of one wait; 0 when it is over.
DWORD WaitMilliseconds(Instant deadline, long limitSeconds) {
    const Instant now = GetTickCount64();
    if (now >= deadline) {
        return 0;
    }
    return static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, limitSeconds * 1000ULL));
}

bool SetTimeout(HINTERNET request, DWORD option, DWORD milliseconds) {
    return WinHttpSetOption(request, option, &milliseconds, sizeof milliseconds) != FALSE;
}

// Longer addresses than this are no web page's.
constexpr DWORD kMaxUrlLength = 8192;

enum class Outcome { kBody, kRedirect, kFailed };

// One request: the body into *body, or the address of a redirect into *location.
Outcome Request(HINTERNET session, const std::wstring& url, Instant deadline, Bytes* body,
                std::wstring* location) {
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!IsWebScheme(url) || !WinHttpCrackUrl(url.c_str(), 0, 0, &parts) ||
        parts.dwHostNameLength == 0) {
        return Outcome::kFailed;
    }
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring target = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                          std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    // The fragment is the page's own business, never the server's.
    target = target.substr(0, target.find(L'#'));
    if (target.empty()) {
        target = L"/";
    }
    Handle connection(WinHttpConnect(session, host.c_str(), parts.nPort, 0));
    if (connection.value == nullptr) {
        return Outcome::kFailed;
    }
    const DWORD secure = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    Handle request(WinHttpOpenRequest(connection.value, L"GET", target.c_str(), nullptr,
                                      WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, secure));
    if (request.value == nullptr) {
        return Outcome::kFailed;
    }
    DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
    const DWORD connectWait = WaitMilliseconds(deadline, HttpConnectSeconds);
    const DWORD stallWait = WaitMilliseconds(deadline, HttpStallLimit().load());
    if (connectWait == 0 || stallWait == 0 ||
        !WinHttpSetOption(request.value, WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects,
                          sizeof noRedirects) ||
        !WinHttpSetTimeouts(request.value, static_cast<int>(connectWait),
                            static_cast<int>(connectWait), static_cast<int>(stallWait),
                            static_cast<int>(stallWait)) ||
        !SetTimeout(request.value, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, stallWait)) {
        return Outcome::kFailed;
    }
    static const wchar_t kHeader[] = L"Content-Type: application/x-www-form-urlencoded";
    if (!WinHttpSendRequest(request.value, kHeader, static_cast<DWORD>(-1L),
                            WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        WaitMilliseconds(deadline, HttpStallLimit().load()) == 0 ||
        !WinHttpReceiveResponse(request.value, nullptr)) {
        return Outcome::kFailed;
    }
    DWORD status = 0;
    DWORD statusSize = sizeof status;
    if (!WinHttpQueryHeaders(request.value, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize,
                             WINHTTP_NO_HEADER_INDEX)) {
        return Outcome::kFailed;
    }
    if (status == 301 || status == 302 || status == 303 || status == 307 || status == 308) {
        DWORD size = 0;
        WinHttpQueryHeaders(request.value, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX,
                            WINHTTP_NO_OUTPUT_BUFFER, &size, WINHTTP_NO_HEADER_INDEX);
        if (size > 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
            std::wstring relative(size / sizeof(wchar_t) + 1, L'\0');
            if (WinHttpQueryHeaders(request.value, WINHTTP_QUERY_LOCATION,
                                    WINHTTP_HEADER_NAME_BY_INDEX, relative.data(), &size,
                                    WINHTTP_NO_HEADER_INDEX)) {
                relative.resize(size / sizeof(wchar_t));
                std::wstring combined(kMaxUrlLength, L'\0');
                DWORD combinedSize = kMaxUrlLength;
                if (UrlCombineW(url.c_str(), relative.c_str(), combined.data(), &combinedSize, 0) ==
                    S_OK) {
                    *location = combined.substr(0, combinedSize);
                    return Outcome::kRedirect;
                }
            }
            return Outcome::kFailed;
        }
        // A redirect without an address is a page like any other.
    }
    while (true) {
        const DWORD wait = WaitMilliseconds(deadline, HttpStallLimit().load());
        if (wait == 0 || !SetTimeout(request.value, WINHTTP_OPTION_RECEIVE_TIMEOUT, wait)) {
            return Outcome::kFailed;
        }
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request.value, &available)) {
            return Outcome::kFailed;
        }
        if (available == 0) {
            return Outcome::kBody;
        }
        if (static_cast<long long>(body->size()) + available > HttpMaxBodyBytes) {
            return Outcome::kFailed;
        }
        const std::size_t at = body->size();
        body->resize(at + available);
        DWORD read = 0;
        if (!WinHttpReadData(request.value, body->data() + at, available, &read)) {
            return Outcome::kFailed;
        }
        body->resize(at + read);
    }
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
    std::wstring address;
    if (!GbkToWide(url, &address) || !IsWebScheme(address)) {
        return Bytes();
    }
    const Instant deadline = GetTickCount64() + HttpTotalLimit().load() * 1000ULL;
    Handle session(WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0));
    if (session.value == nullptr) {
        return Bytes();
    }
    for (long redirects = 0; redirects <= HttpMaxRedirects; ++redirects) {
        Bytes body;
        std::wstring location;
        switch (Request(session.value, address, deadline, &body, &location)) {
            case Outcome::kBody:
                return body;
            case Outcome::kRedirect:
                address = location;  // checked for its scheme by the next request
                break;
            case Outcome::kFailed:
                return Bytes();
        }
    }
    return Bytes();
}
