"""The demo branch mails through 127.0.0.1:2525: a receiver there takes every message."""


def start(port=2525):
    """The running receiver (stop() ends it), or None when aiosmtpd is missing."""
    try:
        from aiosmtpd.controller import Controller
    except ImportError:
        return None

    class Handler:
        async def handle_DATA(self, server, session, envelope):
            return "250 OK"

    controller = Controller(Handler(), hostname="127.0.0.1", port=port)
    controller.start()
    return controller


if __name__ == "__main__":
    import signal
    sink = start()
    if sink is None:
        raise SystemExit("aiosmtpd is missing (apt-get install python3-aiosmtpd)")
    print("PORT 2525", flush=True)
    signal.sigwait({signal.SIGTERM, signal.SIGINT})
    sink.stop()
