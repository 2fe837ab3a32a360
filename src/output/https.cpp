#include "output/https.h"

#include <curl/curl.h>

#include <memory>

namespace vorn::output {
namespace {

struct Sink {
    std::string* body;
    size_t max;
    bool too_big = false;
};

size_t collect(char* data, size_t size, size_t count, void* user) {
    Sink& s = *static_cast<Sink*>(user);
    if (s.body->size() + size * count > s.max) {
        s.too_big = true;
        return 0;  // ends the transfer
    }
    s.body->append(data, size * count);
    return size * count;
}

struct CurlFree {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};

}  // namespace

Status https_get(const HttpsRequest& r, std::string* body) {
    body->clear();
    if (r.url.rfind("https://", 0) != 0) return Status::io_error("Endereço sem https: " + r.url);
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised) return Status::io_error("Sem acesso à Internet: libcurl não iniciou");
    std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
    if (!curl) return Status::io_error("Sem memória para a conexão com " + r.url);
    CURL* c = curl.get();
    Sink sink{body, r.max_bytes};
    curl_easy_setopt(c, CURLOPT_URL, r.url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 3L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!r.ca_file.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, r.ca_file.c_str());
    curl_easy_setopt(c, CURLOPT_USERAGENT, "Programa VORN2026");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(r.connect_seconds));
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>(r.low_speed_seconds));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    const CURLcode rc = curl_easy_perform(c);
    if (sink.too_big || rc != CURLE_OK) body->clear();  // never a part of a reply
    if (sink.too_big) return Status::io_error("Resposta grande demais de " + r.url);
    if (rc != CURLE_OK)
        return Status::io_error("Falha na conexão com " + r.url + ": " + curl_easy_strerror(rc));
    long code = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &code);
    if (code != 200) {
        body->clear();
        return Status::io_error("Resposta " + std::to_string(code) + " de " + r.url);
    }
    return Status::ok();
}

}  // namespace vorn::output
