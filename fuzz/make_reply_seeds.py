#!/usr/bin/env python3
"""Writes the reply fuzzer's seed inputs to fuzz/corpus/reply/: for each controller model, a
driver that opens and identifies its controller and runs a few operations, answered with
valid replies (and a few with the faults the simulators script: garbage before STX, replies
in pieces, error digits, NAK). The input format is described in reply_fuzzer.cpp and
reply_script.h; run this again when it changes."""
import os

STX, ETX, ACK, NAK = 0x02, 0x03, 0x06, 0x15
MODELS = {"Y": 0, "h": 1, "f": 2, "g": 3, "L": 4}
IDENTITY = {"Y": "VORTANE XAVEN LAMPCONTROL", "h": "VORTANE LCSD CONTROL",
            "f": "VORTANE LCDL CONTROL", "g": "VORTANE LCDD CONTROL"}
# Operation numbers (reply_operations.cpp): the framed ones every model has, then the
# model's own.
EXPOSE, POLLING, DATA_OP, GET_VERSION, GET_SHUTTER, SET_SHUTTER = 0, 2, 4, 5, 6, 7
GET_INTERVAL, GET_SERIAL, SET_SERIAL = 8, 10, 11
LAMPLED, PANEL = 12, 12  # first of the brightness/channel group, first of the panel group


def record(body, form=0, chunk=0, event=0):
    """One reply: form 0 STX body ETX check, 1 STX body ETX, 2 body ACK, 3 body alone."""
    body = bytes(body, "latin-1") if isinstance(body, str) else bytes(body)
    n = len(body)
    length = bytes([n]) if n < 0xF0 else bytes([0xF0 | n >> 8, n & 0xFF])
    return bytes([form | chunk << 2 | event << 5]) + length + body


def reply(letter, command, data="", errors="00", **kw):
    """A framed controller's reply body: letter, '0', command, '0', error digits, data."""
    return record(letter + "0" + command + "0" + errors + data, **kw)


def op(which, a=0, b=0):
    return bytes([which, a, b])


def create(letter, times=("0150", "0120", "0100"), intervals=("050", "060")):
    out = reply(letter, "\x7f", IDENTITY[letter])
    for t in times:
        out += reply(letter, "B", t)
    for t in intervals:
        out += reply(letter, "H", t)
    return out


def poll(letter, status, **kw):
    return reply(letter, "1", status + "0", **kw)


def seeds():
    Y, h, f, g = "Y", "h", "f", "g"
    yield "lamp2_expose", bytes([MODELS[Y], 0]) + create(Y) + \
        op(EXPOSE, 1) + reply(Y, "3") + poll(Y, "5") + poll(Y, "0") + \
        op(SET_SHUTTER, 1, 150) + reply(Y, "R") + \
        op(GET_SHUTTER, 1) + reply(Y, "B", "0150") + \
        op(LAMPLED + 0, 1) + reply(Y, "A", "45") + \
        op(LAMPLED + 4, 2) + reply(Y, "u", "256")
    yield "lamp2_wheel", bytes([MODELS[Y], 1]) + create(Y) + \
        op(LAMPLED + 7 + 1, 4, 120) + reply(Y, "5") + poll(Y, "3") + poll(Y, "0") + \
        op(LAMPLED + 7 + 4, 2) + reply(Y, "D", "250") + \
        op(LAMPLED + 7 + 6) + reply(Y, "E", "150") + \
        op(LAMPLED + 7 + 7) + reply(Y, "G", "087") + \
        op(GET_SERIAL, 1) + reply(Y, "F", "SN-0001234567890" + "ABC") + \
        op(DATA_OP, 2, 0x1A) + reply(Y, "s", "7F00")
    # Garbage before STX, replies byte by byte, error digits 1 1 with a final status 0.
    yield "lamp2_faults", bytes([MODELS[Y], 0]) + \
        record(b"\x55\xAA" + record_body(Y, "\x7f", IDENTITY[Y]), form=3) + \
        reply(Y, "B", "0150", chunk=1) + reply(Y, "B", "0120", chunk=3) + \
        reply(Y, "B", "0100") + reply(Y, "H", "050") + reply(Y, "H", "060") + \
        op(EXPOSE, 2) + reply(Y, "3") + poll(Y, "5", errors="11") + poll(Y, "0", errors="11") + \
        op(GET_VERSION) + reply(Y, "\x7f", "VORTANE", form=1)
    yield "led_expose", bytes([MODELS[h], 0]) + create(h, times=("0015", "0012", "0010")) + \
        op(EXPOSE, 1) + reply(h, "3") + poll(h, "5") + poll(h, "0") + \
        op(LAMPLED + 7, 1, 40) + reply(h, "6") + \
        op(LAMPLED + 2, 1) + reply(h, "C", "2") + \
        op(GET_INTERVAL, 1) + reply(h, "H", "050") + \
        op(SET_SERIAL, 1, 12) + reply(h, "q")
    gamma = "".join("%03X" % (i * 16) for i in range(256))
    uniform = "".join("%02X" % (i & 0xFF) for i in range(825))
    yield "lcd_tables", bytes([MODELS[f], 0]) + create(f) + \
        op(PANEL + 4, 0) + reply(f, "a", gamma) + \
        op(PANEL + 6, 1) + reply(f, "c", uniform) + \
        op(PANEL + 8, 3, 5) + reply(f, "e", "00005" + "7F") + \
        op(PANEL + 2, 2) + reply(f, "G", "180") + \
        op(PANEL + 0, 1) + reply(f, "4") + poll(f, "0") + \
        op(24, 2) + reply(f, "5") + poll(f, "0")
    yield "ldd_motion", bytes([MODELS[g], 0]) + create(g, times=("0012", "0011", "0010")) + \
        op(PANEL + 12 + 1, 1) + reply(g, "7") + poll(g, "6") + poll(g, "6") + poll(g, "0") + \
        op(PANEL + 12 + 3, 2) + reply(g, "v", "1234") + \
        op(PANEL + 12 + 5) + reply(g, "x") + poll(g, "0") + \
        op(PANEL + 12 + 2, 0, 100) + reply(g, "8") + poll(g, "?") + \
        op(PANEL + 9, 3) + reply(g, "u", "018")
    # The first-generation lamp controller: readings STX, two characters, data, ETX;
    # settings ACK or NAK.
    yield "lamp", bytes([MODELS["L"], 0]) + record("B1150", form=1) + \
        op(0, 1, 50) + record("", form=2) + \
        op(7, 2) + record("D2123", form=1) + \
        op(8, 1) + record("", form=2) + \
        op(4, 3, 2) + record([NAK], form=3) + record("", form=2) + \
        op(1, 3) + record("A345", form=1, chunk=2)
    # Identity skipped (bit 2), one attempt per command, a reply after which the line hangs up.
    yield "lamp2_hangup", bytes([MODELS[Y], 0x05]) + \
        op(GET_SHUTTER, 1) + reply(Y, "B", "0150") + \
        op(POLLING, 20) + poll(Y, "5") + poll(Y, "0", event=6) + \
        op(GET_SHUTTER, 2)


def record_body(letter, command, data, errors="00"):
    body = bytes(letter + "0" + command + "0" + errors + data, "latin-1")
    framed = bytes([STX]) + body + bytes([ETX])
    check = 0
    for b in framed[1:]:
        check ^= b
    return framed + bytes([check])


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "reply")
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
