#!/usr/bin/env python3
"""SMTP receiver for tests: listens on a free loopback port, writes each message it
accepts to DIR/NNN.eml (the data as received) and DIR/NNN.json (envelope, login and the
message as Python's mail parser decodes it: subject, headers, parts),
and prints "PORT <n>" once it is listening.

  --user U --password P   advertise AUTH (LOGIN, PLAIN) without TLS and require it;
                          only that pair is accepted
  --refuse-login          advertise AUTH and refuse every login
"""
import argparse
import asyncio
import email
import email.policy
import json
import os
import signal
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, "%03d" % self.count)
        with open(base + ".eml.part", "wb") as f:
            f.write(envelope.original_content or envelope.content)
        login = session.auth_data.login if isinstance(session.auth_data, LoginPassword) else None
        # Read back by Python's own mail parser, so the tests check what a reader decodes.
        msg = email.message_from_bytes(envelope.original_content or envelope.content,
                                       policy=email.policy.default)
        parts = [{"type": p.get_content_type(), "charset": p.get_content_charset(),
                  "encoding": p.get("Content-Transfer-Encoding", ""),
                  # An attachment's bytes are not text: its name and size stand for it.
                  "text": p.get_content() if p.get_content_maintype() == "text" else "",
                  "filename": p.get_filename() or "",
                  "size": len(p.get_payload(decode=True) or b"")}
                 for p in msg.walk() if not p.is_multipart()]
        with open(base + ".json", "w", encoding="utf-8") as f:
            json.dump({"mail_from": envelope.mail_from,
                       "rcpt_tos": envelope.rcpt_tos,
                       "login": login.decode("utf-8") if isinstance(login, bytes) else login,
                       "subject": str(msg.get("Subject", "")),
                       "from": str(msg.get("From", "")),
                       "to": str(msg.get("To", "")),
                       "content_type": msg.get_content_type(),
                       "parts": parts}, f, ensure_ascii=False)
        # The .eml appears whole: readers never see a message half written.
        os.replace(base + ".eml.part", base + ".eml")
        return "250 OK"


class Accounts:
    def __init__(self, user, password, refuse):
        self.user, self.password, self.refuse = user, password, refuse

    def __call__(self, server, session, envelope, mechanism, auth_data):
        ok = (not self.refuse and isinstance(auth_data, LoginPassword)
              and auth_data.login.decode() == self.user
              and auth_data.password.decode() == self.password)
        return AuthResult(success=ok, handled=False, auth_data=auth_data if ok else None)


def main():
    warnings.simplefilter("ignore")
    ap = argparse.ArgumentParser()
    ap.add_argument("--dir", required=True)
    ap.add_argument("--user")
    ap.add_argument("--password", default="")
    ap.add_argument("--refuse-login", action="store_true")
    args = ap.parse_args()

    store = Store(args.dir)
    auth = args.user is not None or args.refuse_login
    kwargs = {"decode_data": False, "hostname": "receiver.test"}
    if auth:
        kwargs.update(authenticator=Accounts(args.user or "", args.password, args.refuse_login),
                      auth_require_tls=False, auth_required=True)
    else:
        # Without an account nothing is advertised, like a relay that trusts its network.
        kwargs.update(auth_exclude_mechanism=["LOGIN", "PLAIN"])

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    server = loop.run_until_complete(
        loop.create_server(lambda: SMTP(store, loop=loop, **kwargs), host="127.0.0.1", port=0))
    print("PORT %d" % server.sockets[0].getsockname()[1], flush=True)
    loop.add_signal_handler(signal.SIGTERM, loop.stop)
    loop.add_signal_handler(signal.SIGINT, loop.stop)
    try:
        loop.run_forever()
    finally:
        server.close()
        loop.run_until_complete(server.wait_closed())
        loop.close()


if __name__ == "__main__":
    sys.exit(main())
