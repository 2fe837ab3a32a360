// E-mail through a local SMTP server (Debian's aiosmtpd) with a certificate of its own: STARTTLS
// and TLS from the start, the login only after TLS, the message read back by Python's e-mail
// parser (accented subject, UTF-8 body, the attachment byte for byte), a wrong password, and a
// server without STARTTLS refused before any login.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "office/mail.h"
#include "smtp_server.h"
#include "store_test_util.h"

namespace vorn::office {
namespace {

namespace fs = std::filesystem;

using mail_testing::run;
using mail_testing::SmtpServer;

const DateTime kNow{Date(2026, 4, 10), 9 * 3600 + 30 * 60};

TEST(Mail, ServerTextsAndRefusalsBeforeAnythingIsSent) {
    EXPECT_EQ(smtp_target("smtp.exemplo.com.br")->url, "smtp://smtp.exemplo.com.br:587");
    EXPECT_FALSE(smtp_target("smtp.exemplo.com.br")->implicit_tls);
    EXPECT_TRUE(smtp_target("smtp.exemplo.com.br:465")->implicit_tls);
    EXPECT_EQ(smtp_target("smtp.exemplo.com.br:465")->url, "smtps://smtp.exemplo.com.br:465");
    EXPECT_TRUE(smtp_target("smtps://smtp.exemplo.com.br")->implicit_tls);
    EXPECT_EQ(smtp_target("smtp://h:2525")->url, "smtp://h:2525");
    EXPECT_FALSE(smtp_target("h:abc"));
    EXPECT_FALSE(smtp_target("http://h"));
    EXPECT_FALSE(smtp_target(""));

    const MailAccount a{"smtp.exemplo.com.br", "u", "escritorio@exemplo.com.br", "s", ""};
    EXPECT_TRUE(mail_problem(a, {"cliente@exemplo.com", "Assunto\r\nBcc: x@y", "", ""}));
    EXPECT_TRUE(mail_problem(a, {"cliente@exemplo.com\r\nRCPT TO:<x@y>", "A", "", ""}));
    EXPECT_TRUE(mail_problem(a, {"sem arroba", "A", "", ""}));
    EXPECT_TRUE(mail_problem(a, {"cliente@exemplo.com", "A", "", "/nao/existe.pdf"}));
    EXPECT_FALSE(mail_problem(a, {"cliente@exemplo.com", "Declaração", "texto", ""}));
    // The message's head: an accented subject in encoded words, a plain one as it is.
    const std::string head =
        mail_head(a, {"cliente@exemplo.com", "Declaração 2026", "Olá", ""}, kNow, "b", "id@x");
    EXPECT_NE(head.find("Subject: =?UTF-8?B?"), std::string::npos) << head;
    EXPECT_NE(head.find("Date: Fri, 10 Apr 2026 09:30:00 "), std::string::npos) << head;
    EXPECT_NE(head.find("Message-ID: <id@x>"), std::string::npos);
}

TEST(Mail, SentOverStartTlsAndOverTlsFromTheStartReadBackWhole) {
    store::testing::TempDir dir;
    const fs::path attachment = fs::path(dir.path()) / "Declaração de Ana.pdf";
    std::string bytes;
    for (int k = 0; k < 70000; ++k) bytes += static_cast<char>(k * 7 % 256);
    std::ofstream(attachment, std::ios::binary) << bytes;
    for (const std::string mode : {"starttls", "implicit"}) {
        SmtpServer server(fs::path(dir.path()) / mode, mode);
        const std::string host = mode == "implicit" ? "smtps://127.0.0.1:" + server.port
                                                    : "smtp://127.0.0.1:" + server.port;
        const Mail mail{"ana@cliente.com.br", "Declaração de Ana – 2026",
                        "Olá, Ana.\r\nSegue a declaração com ação e pendências.\r\n",
                        attachment.string()};
        const Status s = send_mail(server.account(host), mail, kNow);
        ASSERT_TRUE(s.is_ok()) << mode << ": " << s.message();
        const std::string log = server.commands();
        EXPECT_NE(log.find("LOGIN tls=True"), std::string::npos) << log;
        EXPECT_EQ(log.find("tls=False"), std::string::npos) << log;
        // Python's parser: subject, body and the attachment's name and bytes.
        const std::string parsed =
            run("/usr/bin/python3 -c 'import email,email.policy,sys,hashlib;"
                "m=email.message_from_binary_file(open(sys.argv[1],\"rb\"),policy=email.policy."
                "default);"
                "print(m[\"subject\"]);print(m.get_body().get_content().rstrip());"
                "a=next(m.iter_attachments());print(a.get_filename());"
                "print(hashlib.sha256(a.get_content()).hexdigest())' '" +
                (server.dir / "messages-1.eml").string() + "'");
        const std::string sha = run("printf %s | sha256sum | cut -c1-64 >/dev/null; sha256sum '" +
                                    attachment.string() + "' | cut -c1-64");
        EXPECT_EQ(parsed,
                  "Declaração de Ana – 2026\nOlá, Ana.\r\nSegue a declaração com ação e "
                  "pendências.\nDeclaração de Ana.pdf\n" +
                      sha)
            << mode;
    }
}

TEST(Mail, AWrongPasswordAndAServerWithoutTlsAreErrorsAndNoPasswordCrossesInClear) {
    store::testing::TempDir dir;
    const Mail mail{"ana@cliente.com.br", "Aviso", "Veja arquivo anexado", ""};
    {
        SmtpServer server(fs::path(dir.path()) / "tls", "starttls");
        MailAccount a = server.account("smtp://127.0.0.1:" + server.port);
        a.password = "errada";
        const Status s = send_mail(a, mail, kNow);
        EXPECT_EQ(s.code(), Status::Code::kIoError);
        EXPECT_EQ(s.message().rfind("Error: ", 0), 0u) << s.message();
        EXPECT_EQ(server.commands().find("DATA"), std::string::npos);
    }
    SmtpServer plain(fs::path(dir.path()) / "plain", "plain");
    const Status s = send_mail(plain.account("smtp://127.0.0.1:" + plain.port), mail, kNow);
    EXPECT_EQ(s.code(), Status::Code::kIoError);
    EXPECT_EQ(s.message().rfind("Error: ", 0), 0u) << s.message();
    EXPECT_EQ(plain.commands().find("LOGIN"), std::string::npos) << plain.commands();
}

}  // namespace
}  // namespace vorn::office
