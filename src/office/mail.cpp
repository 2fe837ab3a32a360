#include "office/mail.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>

#include "base/text.h"

namespace vorn::office {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64(std::string_view in) {
    std::string out;
    out.reserve((in.size() + 2) / 3 * 4);
    for (size_t k = 0; k < in.size(); k += 3) {
        const unsigned a = static_cast<unsigned char>(in[k]);
        const unsigned b = k + 1 < in.size() ? static_cast<unsigned char>(in[k + 1]) : 0;
        const unsigned c = k + 2 < in.size() ? static_cast<unsigned char>(in[k + 2]) : 0;
        const unsigned v = a << 16 | b << 8 | c;
        out += kAlphabet[v >> 18 & 63];
        out += kAlphabet[v >> 12 & 63];
        out += k + 1 < in.size() ? kAlphabet[v >> 6 & 63] : '=';
        out += k + 2 < in.size() ? kAlphabet[v & 63] : '=';
    }
    return out;
}

bool ascii_printable(std::string_view s) {
    for (char c : s)
        if (c < 32 || c > 126) return false;
    return true;
}

// A header text as RFC 2047 encoded words of at most 45 bytes of UTF-8 each (never splitting a
// character), folded; plain ASCII as it is.
std::string header_text(const std::string& text) {
    if (ascii_printable(text)) return text;
    std::string out;
    for (size_t at = 0; at < text.size();) {
        size_t n = std::min<size_t>(45, text.size() - at);
        while (at + n < text.size() && (static_cast<unsigned char>(text[at + n]) & 0xC0) == 0x80)
            --n;
        out += (out.empty() ? "" : "\r\n ") + std::string("=?UTF-8?B?") +
               base64(text.substr(at, n)) + "?=";
        at += n;
    }
    return out;
}

// A file name as RFC 2231 (UTF-8, percent-encoded).
std::string rfc2231(const std::string& name) {
    std::string out = "UTF-8''";
    for (unsigned char c : name) {
        if (std::isalnum(c) || c == '.' || c == '-' || c == '_') {
            out += static_cast<char>(c);
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        }
    }
    return out;
}

bool address_ok(const std::string& a) {
    const size_t at = a.find('@');
    return !a.empty() && at != std::string::npos && at > 0 && at + 1 < a.size() &&
           a.find('@', at + 1) == std::string::npos &&
           a.find_first_of(" \t\r\n<>,;\"") == std::string::npos;
}

std::string two(int n) {
    return std::string(n < 10 ? "0" : "") + std::to_string(n);
}

// "Thu, 10 Dec 2026 15:00:00 -0300".
std::string rfc5322_date(const DateTime& now, const std::string& zone) {
    static const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::chrono::year_month_day ymd{std::chrono::year(now.date.year()),
                                          std::chrono::month(now.date.month()),
                                          std::chrono::day(now.date.day())};
    const unsigned wd = std::chrono::weekday(std::chrono::sys_days(ymd)).c_encoding();
    const long s = now.seconds;
    return std::string(kDays[wd]) + ", " + std::to_string(now.date.day()) + " " +
           kMonths[now.date.month() - 1] + " " + std::to_string(now.date.year()) + " " +
           two(static_cast<int>(s / 3600)) + ":" + two(static_cast<int>(s / 60 % 60)) + ":" +
           two(static_cast<int>(s % 60)) + " " + zone;
}

// The machine's offset from UTC now, "-0300".
std::string local_zone() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    const long off = tm.tm_gmtoff / 60;
    const long a = off < 0 ? -off : off;
    return std::string(off < 0 ? "-" : "+") + two(static_cast<int>(a / 60)) +
           two(static_cast<int>(a % 60));
}

std::string random_token() {
    static unsigned long counter = 0;
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::to_string(static_cast<unsigned long long>(ticks)) + "." + std::to_string(++counter);
}

// The message as the client library reads it: the head, the attachment encoded a piece at a time
// from its file, the closing boundary.
struct Stream {
    std::string pending;  // produced, not yet handed over
    size_t offset = 0;
    std::ifstream file;
    bool file_done = true;
    std::string tail;
    bool tail_given = false;

    void refill() {
        pending.clear();
        offset = 0;
        if (!file_done) {
            std::string chunk(57 * 256, '\0');
            file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            chunk.resize(static_cast<size_t>(file.gcount()));
            if (chunk.empty()) {
                file_done = true;
            } else {
                pending = base64_lines(chunk);
                return;
            }
        }
        if (!tail_given) {
            pending = tail;
            tail_given = true;
        }
    }
};

size_t read_message(char* buf, size_t size, size_t n, void* userdata) {
    auto* s = static_cast<Stream*>(userdata);
    if (s->offset >= s->pending.size()) s->refill();
    const size_t give = std::min(size * n, s->pending.size() - s->offset);
    std::copy_n(s->pending.data() + s->offset, give, buf);
    s->offset += give;
    return give;
}

struct CurlFree {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct ListFree {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

}  // namespace

std::optional<SmtpTarget> smtp_target(const std::string& server) {
    const std::string s = trim(server);
    if (s.empty() || s.find_first_of(" \t\r\n") != std::string::npos) return std::nullopt;
    if (s.rfind("smtps://", 0) == 0) return SmtpTarget{s, true};
    if (s.rfind("smtp://", 0) == 0) return SmtpTarget{s, false};
    if (s.find("://") != std::string::npos) return std::nullopt;
    const size_t colon = s.rfind(':');
    if (colon == std::string::npos) return SmtpTarget{"smtp://" + s + ":587", false};
    const std::string port = s.substr(colon + 1);
    if (port.empty() || port.size() > 5 ||
        port.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    if (port == "465") return SmtpTarget{"smtps://" + s, true};
    return SmtpTarget{"smtp://" + s, false};
}

std::optional<std::string> mail_problem(const MailAccount& account, const Mail& mail) {
    if (!smtp_target(account.server)) return "Servidor SMTP inválido: " + account.server;
    if (!address_ok(trim(account.sender))) return "Email de quem envia inválido: " + account.sender;
    if (!address_ok(trim(mail.to))) return "Email do destinatário inválido: " + mail.to;
    if (mail.subject.find_first_of("\r\n") != std::string::npos)
        return "O assunto não pode ter quebra de linha";
    if (!mail.attachment.empty()) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(mail.attachment, ec))
            return "Arquivo " + mail.attachment + " não encontrado";
    }
    return std::nullopt;
}

std::string base64_lines(std::string_view bytes) {
    const std::string all = base64(bytes);
    std::string out;
    for (size_t at = 0; at < all.size(); at += 76) out += all.substr(at, 76) + "\r\n";
    return out;
}

std::string mail_head(const MailAccount& account, const Mail& mail, const DateTime& now,
                      const std::string& boundary, const std::string& message_id) {
    std::string h = "From: " + trim(account.sender) + "\r\nTo: " + trim(mail.to) +
                    "\r\nSubject: " + header_text(mail.subject) +
                    "\r\nDate: " + rfc5322_date(now, local_zone()) + "\r\nMessage-ID: <" +
                    message_id + ">" + "\r\nMIME-Version: 1.0\r\n";
    const std::string text =
        "Content-Type: text/plain; charset=UTF-8\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n" +
        base64_lines(mail.body);
    if (mail.attachment.empty()) return h + text;
    const std::string name = std::filesystem::path(mail.attachment).filename().string();
    return h + "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n--" + boundary +
           "\r\n" + text + "--" + boundary + "\r\nContent-Type: application/octet-stream; name=\"" +
           MATCAR(name) +
           "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; "
           "filename*=" +
           rfc2231(name) + "\r\n\r\n";
}

Status send_mail(const MailAccount& account, const Mail& mail, const DateTime& now) {
    if (auto problem = mail_problem(account, mail)) return Status::invalid(*problem);
    const SmtpTarget target = *smtp_target(account.server);
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised) return Status::io_error("Error: libcurl não iniciou");
    std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
    if (!curl) return Status::io_error("Error: sem memória para a conexão");
    const std::string domain = trim(account.sender).substr(trim(account.sender).find('@') + 1);
    const std::string boundary = "=_vorn_" + random_token();
    Stream stream;
    stream.pending = mail_head(account, mail, now, boundary, random_token() + "@" + domain);
    if (!mail.attachment.empty()) {
        stream.file.open(mail.attachment, std::ios::binary);
        if (!stream.file) return Status::invalid("Arquivo " + mail.attachment + " não encontrado");
        stream.file_done = false;
        stream.tail = "--" + boundary + "--\r\n";
    } else {
        stream.tail_given = true;
    }
    std::unique_ptr<curl_slist, ListFree> rcpt(
        curl_slist_append(nullptr, ("<" + trim(mail.to) + ">").c_str()));
    const std::string from = "<" + trim(account.sender) + ">";
    char error[CURL_ERROR_SIZE] = {0};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, target.url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    // TLS for the whole session: STARTTLS is required, never skipped, before the login.
    curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!account.ca_file.empty()) {
        // The office's own authority besides the system's.
        curl_easy_setopt(c, CURLOPT_CAINFO, account.ca_file.c_str());
        curl_easy_setopt(c, CURLOPT_CAPATH, "/etc/ssl/certs");
    }
    curl_easy_setopt(c, CURLOPT_USERNAME, account.user.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, account.password.c_str());
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.c_str());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, rcpt.get());
    curl_easy_setopt(c, CURLOPT_READFUNCTION, read_message);
    curl_easy_setopt(c, CURLOPT_READDATA, &stream);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 20L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
    const CURLcode rc = curl_easy_perform(c);
    if (rc != CURLE_OK)
        return Status::io_error("Error: " + std::string(error[0] ? error : curl_easy_strerror(rc)));
    return Status::ok();
}

}  // namespace vorn::office
