"""An SMTP server on a free loopback port that keeps every message it receives in a folder.

Usage: smtp_sink.py FOLDER. Prints the port on the first line of standard output, then serves
until SIGTERM. Each message N is written as N.eml (the bytes received), and as N.json: the
envelope and the message as Python's own mail parser reads it (decoded headers, each leaf part
with its content type and decoded text), so that tests check what is sent with another reader
than the one that wrote it. N.json is written last, and before the server answers 250.
"""
import asyncio
import email
import email.policy
import json
import os
import signal
import sys

from aiosmtpd.smtp import SMTP


class Keeper:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    def write(self, name, data):
        path = os.path.join(self.folder, name)
        with open(path + ".tmp", "wb") as out:
            out.write(data)
        os.replace(path + ".tmp", path)

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        stem = "%04d" % self.count
        self.write(stem + ".eml", envelope.original_content)
        message = email.message_from_bytes(envelope.original_content, policy=email.policy.default)
        parts = []
        for part in message.walk():
            if part.is_multipart():
                continue
            parts.append({"contentType": part.get("content-type", ""),
                          "text": part.get_content() if part.get_content_maintype() == "text"
                          else ""})
        record = {
            "mailFrom": envelope.mail_from,
            "rcptTos": envelope.rcpt_tos,
            "headers": {name.lower(): str(message[name]) for name in
                        ("From", "To", "Reply-To", "Subject", "Date", "Message-ID")
                        if message[name] is not None},
            "rawHeaderLines": [line for line in envelope.original_content.split(b"\r\n\r\n")[0]
                               .decode("ascii", "replace").split("\r\n")],
            "parts": parts,
        }
        self.write(stem + ".json", json.dumps(record, ensure_ascii=False).encode("utf-8"))
        return "250 OK"


async def main(folder):
    loop = asyncio.get_running_loop()
    keeper = Keeper(folder)
    server = await loop.create_server(lambda: SMTP(keeper, hostname="sink.test"), "127.0.0.1", 0)
    print(server.sockets[0].getsockname()[1], flush=True)
    stop = loop.create_future()
    loop.add_signal_handler(signal.SIGTERM, stop.set_result, None)
    await stop
    server.close()


if __name__ == "__main__":
    asyncio.run(main(sys.argv[1]))
