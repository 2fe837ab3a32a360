// HTTP over libcurl: one easy handle per request, no proxy (the driver listens on this machine).
#include "output/http.h"

#include <curl/curl.h>

#include <memory>
#include <stdexcept>

namespace vorn::output {
namespace {

size_t collect(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

struct CurlFree {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct ListFree {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

}  // namespace

CurlHttp::CurlHttp() {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised) throw std::runtime_error("libcurl could not be initialised");
}

Status CurlHttp::request(std::string_view method, const std::string& url, const std::string& body,
                         int timeout_seconds, HttpReply* reply) {
    std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
    if (!curl) return Status::io_error("Sem memória para a conexão com " + url);
    std::unique_ptr<curl_slist, ListFree> headers(
        curl_slist_append(nullptr, "Content-Type: application/json; charset=utf-8"));
    CURL* c = curl.get();
    reply->code = 0;
    reply->body.clear();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(timeout_seconds));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &reply->body);
    if (method == "POST") {
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.c_str());
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    } else if (method == "DELETE") {
        curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, "DELETE");
    } else if (method != "GET") {
        throw std::invalid_argument("HTTP method not used here: " + std::string(method));
    }
    const CURLcode rc = curl_easy_perform(c);
    if (rc != CURLE_OK)
        return Status::io_error("Falha na conexão com " + url + ": " + curl_easy_strerror(rc));
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &reply->code);
    return Status::ok();
}

}  // namespace vorn::output
