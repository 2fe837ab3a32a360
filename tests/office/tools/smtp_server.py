#!/usr/bin/python3
"""A local SMTP server for the e-mail tests: mode "starttls" (STARTTLS required before AUTH),
"implicit" (TLS from the connection's start) or "plain" (no TLS offered). It accepts user "escritorio"
with password "segredo", saves each message to OUT/messages-N.eml and logs the commands it saw to
OUT/commands.log. Writes its port to OUT/port. Recipients whose address starts with "recusa" are
refused."""
import asyncio
import os
import ssl
import sys

from aiosmtpd.smtp import AuthResult, SMTP

mode, cert, key, out = sys.argv[1:5]
count = [0]


def log(line):
    with open(os.path.join(out, "commands.log"), "a") as f:
        f.write(line + "\n")


class Handler:
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        # A recipient the server refuses, for the tests of a failed message among others.
        if address.startswith("recusa"):
            log("RCPT refused %s" % address)
            return "550 mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        count[0] += 1
        with open(os.path.join(out, "messages-%d.eml" % count[0]), "wb") as f:
            f.write(envelope.original_content)
        log("DATA from=%s to=%s tls=%s" % (envelope.mail_from, ",".join(envelope.rcpt_tos),
                                          session.ssl is not None or mode == "implicit"))
        return "250 OK"


def authenticator(server, session, envelope, mechanism, auth_data):
    log("LOGIN tls=%s" % (session.ssl is not None or mode == "implicit"))
    ok = auth_data.login == b"escritorio" and auth_data.password == b"segredo"
    return AuthResult(success=ok, handled=False)


ctx = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
ctx.load_cert_chain(cert, key)
# TLS from the start is below the SMTP layer, which would otherwise not offer AUTH.
kwargs = dict(authenticator=authenticator, auth_require_tls=mode == "starttls",
              auth_exclude_mechanism=["LOGIN"])
if mode == "starttls":
    kwargs.update(tls_context=ctx, require_starttls=True)


async def main():
    loop = asyncio.get_running_loop()
    server = await loop.create_server(lambda: SMTP(Handler(), **kwargs), "127.0.0.1", 0,
                                      ssl=ctx if mode == "implicit" else None)
    with open(os.path.join(out, "port"), "w") as f:
        f.write(str(server.sockets[0].getsockname()[1]))
    await asyncio.Event().wait()


asyncio.run(main())
