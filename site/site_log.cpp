// The request log.
#include <string>
#include <string_view>

#include "site_server_state.h"

namespace {

std::string Escaped(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c >= 0x7f || c == '\\') {
            char hex[5];
            std::snprintf(hex, sizeof(hex), "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

// One line per request: method, target, status, body length, then each header as
// "Name: value", all separated by tabs; control bytes, bytes above 0x7e and "\" as \xNN.
void LogRequest(SiteServer& site, const httplib::Request& req, int status, long long bodyLength) {
    if (currentConnection != nullptr) {
        currentConnection->logged = true;
    }
    if (site.log == nullptr) {
        return;
    }
    std::string line = Escaped(req.method) + "\t" + Escaped(req.target) +
                       "\tstatus=" + std::to_string(status) +
                       "\tbody=" + std::to_string(bodyLength);
    for (const auto& [name, value] : req.headers) {
        // The library files the peer's address among the headers; it was never sent.
        if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
            name == "LOCAL_PORT") {
            continue;
        }
        line += "\t" + Escaped(name) + ": " + Escaped(value);
    }
    line += "\n";
    std::lock_guard<std::mutex> lock(site.logMutex);
    std::fputs(line.c_str(), site.log);
    std::fflush(site.log);
}
