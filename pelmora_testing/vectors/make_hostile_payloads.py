#!/usr/bin/python3
"""Writes hostile_payloads.txt: whole DDS payloads (4-byte encapsulation
header, then the CDR body) that a writer may put on the wire for a Features
topic, good ones interleaved with malformed ones, each with the verdict a
reader must reach and the reason it must give.

Everything is computed here with the struct module, from the wire form alone
and independently of every decoder of the package: the layout is ten 4-byte
items (two scalars, then eight sequences of a length word and its elements),
and a reader follows the decoders' rules for bytes it is given:
  - a scalar or a length word needs 4 bytes;
  - a length word n needs at least n bytes behind it (the plausibility
    check, made before any storage is touched), then 4*n for its elements;
  - bytes behind a complete message are ignored: CDR readers stop at the
    end of the last member, the encapsulation options may announce padding
    there, and Fast-CDR based middlewares never look at it.

File format, one record per payload, in the order a writer sends them:
    payload <name>
    verdict accept|drop
    reason <text>                  (what the reader says; empty for good ones)
    wire_reason <text>             (only where it differs: what a reader says
                                    after RTPS has padded the payload with zero
                                    bytes to a multiple of 4, as DATA
                                    submessages are)
    scalars <keypointnumber> <descriptorsize>   (accepted payloads only)
    hex <bytes>                    (empty for the zero-byte payload)
    end

Good payloads carry descriptorsize 0, 1, 2, ... in the order they are sent,
so that a reader's output shows which of them arrived and in what order.
The zero-byte payload comes last: with a reliable writer it never reaches the
reader's type (Fast DDS holds the writer's later samples behind it).
"""
import struct
import sys
from pathlib import Path

SEQUENCES = ["descriptor", "uniqueid", "isrightimage", "patternzise", "confidence", "x", "y", "angle"]
SCALARS = ["keypointnumber", "descriptorsize"]
CDR_BE, CDR_LE = 0x0000, 0x0001


def f32(value):
    return struct.unpack("<I", struct.pack("<f", value))[0]


# Every sequence differs in length, one is empty, so that a cut or a lying
# length word lands on a different kind of boundary in each.
BASE_SEQUENCES = [[1, 2], [3], [], [4], [5, 6, 7], [f32(1.5)], [f32(-2.0), f32(0.25)], [f32(3.0)]]
KEYPOINTS = 2


def body(index, order):
    words = [KEYPOINTS, index]
    for values in BASE_SEQUENCES:
        words.append(len(values))
        words.extend(values)
    return struct.pack(order + "%dI" % len(words), *words)


def payload(index, big_endian=False):
    if big_endian:
        return struct.pack(">H", CDR_BE) + b"\0\0" + body(index, ">")
    return struct.pack(">H", CDR_LE) + b"\0\0" + body(index, "<")


def layout():
    """(name, offset in the body) of every item's first byte, and the offset
    of every sequence's length word with its element count."""
    items, lengths = [], []
    offset = 0
    for name in SCALARS:
        items.append((name, offset))
        offset += 4
    for name, values in zip(SEQUENCES, BASE_SEQUENCES):
        items.append((name + " length", offset))
        lengths.append((name, offset, len(values)))
        offset += 4
        if values:
            items.append((name + " elements", offset))
            offset += 4 * len(values)
    return items, lengths, offset


def with_length(data, offset, value):
    at = 4 + offset
    return data[:at] + struct.pack("<I", value) + data[at + 4:]


def malformed():
    """(name, bytes, reason) of every malformed payload."""
    base = payload(0)
    items, lengths, size = layout()
    bad = [("three_bytes", base[:3], "payload of 3 bytes has no encapsulation header")]
    for ident in (0x0002, 0x0003, 0x8001, 0xffff):
        bad.append(("encapsulation_%04x" % ident, struct.pack(">H", ident) + base[2:],
                    "unknown encapsulation 0x%04x" % ident))
    # A cut at every field boundary: the payload ends where the item begins.
    for name, offset in items:
        if name.endswith(" elements"):
            sequence = name[:-len(" elements")]
            count = len(BASE_SEQUENCES[SEQUENCES.index(sequence)])
            reason = "%s length %d exceeds the 0 bytes left" % (sequence, count)
        else:
            reason = "payload ends in %s" % name
        bad.append(("cut_before_" + name.replace(" ", "_"), base[:4 + offset], reason))
    for name, offset, count in lengths:
        left = size - offset - 4
        for value in (0xffffffff, left + 1):
            bad.append(("%s_length_%d" % (name, value), with_length(base, offset, value),
                        "%s length %d exceeds the %d bytes left" % (name, value, left)))
        # Passes the plausibility check, but its elements run past the end.
        value = left // 4 + 1
        bad.append(("%s_length_%d_one_too_many" % (name, value), with_length(base, offset, value),
                    "%s length %d needs %d bytes, %d left" % (name, value, 4 * value, left)))
    return bad


# Reasons that RTPS padding changes, by payload name: on the wire the three
# bytes 00 01 00 gain a zero, a little-endian header with no message behind.
WIRE_REASONS = {"three_bytes": "payload ends in keypointnumber"}


def records():
    out = []
    index = 0

    def good(name, data):
        nonlocal index
        out.append((name, "accept", "", index, data))
        index += 1

    good("good_first", payload(index))
    good("good_big_endian", payload(index, big_endian=True))
    for name, data, reason in malformed():
        out.append((name, "drop", reason, None, data))
        good("good_after_" + name, payload(index))
    for tail in (b"\0", b"\0\0\0", b"\xde\xad\xbe\xef\x01"):
        good("trailing_%d_bytes" % len(tail), payload(index) + tail)
    out.append(("zero_bytes", "drop", "payload of 0 bytes has no encapsulation header", None, b""))
    return out


def write(out):
    out.write("# Generated by make_hostile_payloads.py; do not edit.\n")
    for name, verdict, reason, index, data in records():
        out.write("payload %s\nverdict %s\nreason %s\n" % (name, verdict, reason))
        if name in WIRE_REASONS:
            out.write("wire_reason %s\n" % WIRE_REASONS[name])
        if index is not None:
            out.write("scalars %d %d\n" % (KEYPOINTS, index))
        out.write("hex %s\nend\n" % data.hex())


def main():
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("hostile_payloads.txt")
    with open(target, "w") as out:
        write(out)


if __name__ == "__main__":
    main()
