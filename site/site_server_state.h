// One running site, and the pieces of its request handling that live in their own files (the
// request log, the fault streams). Private to the server's files.
#pragma once

#include <httplib.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "site.h"
#include "site_page_server.h"

struct SiteServer {
    SiteOptions options;
    std::atomic<FaultMode> fault{FaultMode::None};
    std::atomic<bool> stopping{false};
    std::unique_ptr<PageServer> http;
    std::thread thread;
    int port = 0;
    std::mutex logMutex;
    std::FILE* log = nullptr;
    GatewayHandle gateway;
};

// One line in the request log, when the site keeps one.
void LogRequest(SiteServer& site, const httplib::Request& req, int status, long long bodyLength);

// The fault modes that shape how a page is sent.
void ServeHuge(SiteServer& site, httplib::Response& res, const std::string& page);
void ServeTrickle(SiteServer& site, httplib::Response& res, const std::string& page);
void ServeStall(SiteServer& site, httplib::Response& res, std::size_t size);
void ServeReset(httplib::Response& res, const std::string& page);
