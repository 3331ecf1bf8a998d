#include "server/rpc/http_exchange.h"

#include <algorithm>
#include <cctype>

namespace cot::server {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::string HttpRequest::header(std::string_view name) const {
    for (auto it = headers.rbegin(); it != headers.rend(); ++it)
        if (sameName(it->first, name)) return it->second;
    return {};
}

bool HttpRequest::has(std::string_view name) const {
    return std::any_of(headers.begin(), headers.end(), [&](const auto& h) { return sameName(h.first, name); });
}

std::vector<std::string> HttpRequest::all(std::string_view name) const {
    std::vector<std::string> out;
    for (const auto& h : headers)
        if (sameName(h.first, name)) out.push_back(h.second);
    return out;
}

void HttpReply::set(std::string name, std::string value) {
    for (auto& h : headers)
        if (sameName(h.first, name)) {
            h.second = std::move(value);
            return;
        }
    headers.emplace_back(std::move(name), std::move(value));
}

HttpReply HttpReply::text(int status, QByteArray body, std::string contentType) {
    HttpReply reply;
    reply.status = status;
    reply.body = std::move(body);
    reply.set("Content-Type", std::move(contentType));
    return reply;
}

const char* reasonPhrase(int status) {
    switch (status) {
        case 100: return "Continue";
        case 200: return "OK";
        case 204: return "No Content";
        case 400: return "Bad Request";
        case 403: return "Forbidden";
        case 404: return "Not Found";
        case 405: return "Method Not Allowed";
        case 408: return "Request Timeout";
        case 409: return "Conflict";
        case 410: return "Gone";
        case 411: return "Length Required";
        case 413: return "Payload Too Large";
        case 415: return "Unsupported Media Type";
        case 429: return "Too Many Requests";
        case 431: return "Request Header Fields Too Large";
        case 500: return "Internal Server Error";
        case 503: return "Service Unavailable";
        default: return "Unknown";
    }
}

}  // namespace cot::server
