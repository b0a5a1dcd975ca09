// Raw HTTP over a loopback socket, for requests no client library would send and for watching
// how a connection ends.
#pragma once

#include <string>

struct RawReply {
    std::string bytes;      // everything received, headers included
    bool reset = false;     // the connection ended with ECONNRESET
    bool timedOut = false;  // nothing more arrived within the wait
};

// Sends the bytes as they are, then reads until the server closes, resets or goes quiet.
RawReply RawExchange(int port, const std::string& request, int quietMs = 5000);
// The status code of the first response line, or -1.
int RawStatus(const RawReply& reply);
// The body after the first blank line.
std::string RawBody(const RawReply& reply);
