// E-mail to a client through the office's own SMTP account: the message (UTF-8 text body, at most
// one attached file, MIME) and its sending over TLS only. The account's password never crosses the
// network in clear: a server reached without TLS, or one that does not offer STARTTLS, is an
// error, never a fallback.
#pragma once

#include <optional>
#include <string>

#include "base/date.h"
#include "base/status.h"

namespace vorn::office {

// The office's account (DEFINE: SER_SMTP, NOM_USUA, EMA_USUA; the password as typed or stored).
struct MailAccount {
    std::string server;    // "host" (587, STARTTLS), "host:465" or "smtps://host[:port]" (TLS
                           // from the start), "smtp://host:port" (STARTTLS)
    std::string user;      // NOM_USUA
    std::string sender;    // EMA_USUA
    std::string password;  // kept in memory for one sending when not memorised
    std::string ca_file;   // certificates trusted besides the system's (VORN_CA_FILE)
};

// The server's address as the client library takes it, and whether TLS starts at once; nullopt
// for a server text it cannot be.
struct SmtpTarget {
    std::string url;
    bool implicit_tls = false;
};
std::optional<SmtpTarget> smtp_target(const std::string& server);

struct Mail {
    std::string to;
    std::string subject;
    std::string body;        // UTF-8
    std::string attachment;  // path of the file attached, or empty
};

// The first problem that makes the message unsendable: an address that is not one (blank, no
// "@", blanks or line breaks in it), a line break in the subject, an attachment that is not a
// readable file. nullopt when there is none.
std::optional<std::string> mail_problem(const MailAccount& account, const Mail& mail);

// The message's header and body up to the attachment's content (which is streamed when sent):
// From, To, Subject (RFC 2047 when not ASCII), Date, Message-ID, MIME-Version, the text part
// base64 in UTF-8, and the attachment's part header with its name (RFC 2231). `boundary` and
// `message_id` are given so that tests can compare.
std::string mail_head(const MailAccount& account, const Mail& mail, const DateTime& now,
                      const std::string& boundary, const std::string& message_id);
// Base64 in lines of 76 characters, each ended by CR LF.
std::string base64_lines(std::string_view bytes);

// Sends the message, the attachment streamed from its file. kIoError with "Error: " + the client
// library's text when the server cannot be reached, refuses TLS, the login or the message.
[[nodiscard]] Status send_mail(const MailAccount& account, const Mail& mail, const DateTime& now);

}  // namespace vorn::office
