#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the seed inputs of the fuzz targets into corpus/<target>/.

Each seed is a response as the slave puts it on the wire followed by the 12-byte trailer that
names the request (see FuzzCase.h). The frames are the documented examples of our protocol
notes; check sums are computed here, independently of the library.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def crc16(data):
    crc = 0xFFFF
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return bytes([crc & 0xFF, crc >> 8])


def rtu(body):
    return bytes(body) + crc16(bytes(body))


def ascii_frame(body, lower=False):
    lrc = (-sum(body)) & 0xFF
    text = (bytes(body) + bytes([lrc])).hex()
    return b":" + (text if lower else text.upper()).encode() + b"\r\n"


def trailer(write=False, repair=False, unit=1, reg=0, count=2, target=16, chunk=0, counter=0):
    flags = (1 if write else 0) | (2 if repair else 0)
    return struct.pack(">BBHHHBHB", flags, unit, reg, count, target, chunk, counter, 0)


DATA_25 = bytes(range(1, 51))  # 25 registers

SEEDS = {
    "rtu": {
        "read_2_registers": bytes.fromhex("0103 04 000B 000F CBF5") + trailer(),
        "read_byte_by_byte": bytes.fromhex("0103 04 000B 000F CBF5") + trailer(chunk=1),
        "write_echo": bytes.fromhex("0106 00C8 0001 C9F4") + trailer(write=True, reg=200, count=1),
        "write_negative_echo": rtu([1, 6, 0, 200, 0xFF, 0xF6]) + trailer(write=True, reg=200, count=0xFFF6),
        "exception_2": bytes.fromhex("0183 02 C0F1") + trailer(),
        "data_fill_buffer": rtu([1, 3, 50] + list(DATA_25)) + trailer(count=25, target=50),
        "garbage_first": bytes.fromhex("FF 0103 04 000B 000F CBF5") + trailer(),
        "bad_crc_repaired": bytes.fromhex("0103 04 000B 000F 0000") + trailer(repair=True),
    },
    "ascii": {
        "read_2_registers": b":010304000B000FDE\r\n" + trailer(),
        "read_in_chunks": b":010304000B000FDE\r\n" + trailer(chunk=3),
        "exception_2": b":0183027A\r\n" + trailer(),
        "write_echo": ascii_frame([1, 6, 0, 200, 0, 1]) + trailer(write=True, reg=200, count=1),
        "write_negative_echo": ascii_frame([1, 6, 0, 200, 0xFF, 0xF6]) + trailer(write=True, reg=200, count=0xFFF6),
        "noise_then_lower_case": b"xy\r\n:" + b"\n" + ascii_frame([1, 3, 4, 0, 11, 0, 15], lower=True) + trailer(),
        "data_fill_buffer": ascii_frame([1, 3, 50] + list(DATA_25)) + trailer(count=25, target=50),
        "bad_lrc_repaired": b":010304000B000F00\r\n" + trailer(repair=True),
    },
    "tcp": {
        "read_2_registers": bytes.fromhex("0001 0000 0007 01 03 04 000B 000F") + trailer(),
        "stale_frame_first": bytes.fromhex("0000 0000 0007 01 03 04 0001 0002")
        + bytes.fromhex("0001 0000 0007 01 03 04 000B 000F") + trailer(),
        "exception_2": bytes.fromhex("0001 0000 0003 01 83 02") + trailer(),
        "write_echo": bytes.fromhex("0001 0000 0006 01 06 00C8 0001") + trailer(write=True, reg=200, count=1),
        "write_negative_echo": bytes.fromhex("0001 0000 0006 01 06 00C8 FFF6")
        + trailer(write=True, reg=200, count=0xFFF6),
        "data_fill_buffer": bytes.fromhex("0001 0000 0035 01 03 32") + DATA_25 + trailer(count=25, target=50),
        "counter_wraps": bytes.fromhex("0000 0000 0007 01 03 04 000B 000F") + trailer(counter=0xFFFF),
        "split_header": bytes.fromhex("0001 0000 0007 01 03") + trailer(),
    },
}



def letters(record):
    """The profile's letter encoding: 'A' + low nibble, then 'A' + high nibble, per byte."""
    return "".join(chr(65 + (b & 15)) + chr(65 + (b >> 4)) for b in record).encode()


def settings_record():
    """A 1204-byte settings record: colours, unit 1, port 502, 127.0.0.1, "COM3", 9600 8N2 RTU."""
    rec = bytearray(1204)
    struct.pack_into("<IIIiII", rec, 0, 0xA89486, 0, 0xFF0000, 1, 502, 0x7F000001)
    rec[24:24 + 8] = "COM3".encode("utf-16-le")
    struct.pack_into("<iiiiiII", rec, 544, 0, 1, 0, 1, 0, 500, 3)
    struct.pack_into("<i", rec, 580, 1)
    return bytes(rec)


VALUE = letters(settings_record())
SEEDS["profile"] = {
    "one_section": b"[settings]\nsystem=" + VALUE + b"\n",
    "windows_line_ends": b"[Settings]\r\nSystem = " + VALUE + b"\r\n\r\n[other]\r\nkey=1\r\n",
    "other_sections_first": b"; comment\n[other]\nkey=value\nsystem=x\n\n[SETTINGS]\nfoo=bar\nsystem=" + VALUE,
    "damaged_letter": b"[settings]\nsystem=" + VALUE[:100] + b"Q" + VALUE[101:] + b"\n",
    "one_letter_short": b"[settings]\nsystem=" + VALUE[:-1] + b"\n",
    "section_without_key": b"[settings]\n\n[settings]\nsystem=" + VALUE + b"\n",
    "empty": b"",
    "last_line_ends_in_cr": b"[settings]\nz=2\r",  # a save once chose another line end the next time
}

# Day recording files: the 48-byte header of 8 December 2025, records of 225 bytes.
def day_header(version=40, flag_bytes=5, value_bytes=212):
    return (b"DB" + bytes(4) + struct.pack(">H", version) + bytes(2) + struct.pack(">HHH", 8, 12, 2025)
            + struct.pack("<II", flag_bytes, value_bytes) + bytes(24))


def day_record(hour, minute, second, link=1, flags=bytes(5), values=range(53)):
    return bytes([0, link]) + struct.pack(">HHH", hour, minute, second) + flags + struct.pack("<53i", *values)


# A day file's seed is the file followed by an 8-byte trailer (fuzz_dayfile.cpp):
# records per slice - 1, most bytes per read call, every n-th call interrupted,
# the measured size's difference (32 bits) and its flags.
def reading(slice_records=1, most_per_call=0, interrupt_every=0, difference=0, in_pages=False, smaller=False,
            failing=False):
    flags = (1 if in_pages else 0) | (2 if smaller else 0) | (4 if failing else 0)
    return struct.pack(">BBBIB", slice_records - 1, most_per_call, interrupt_every, difference, flags)


THREE_RECORDS = (day_header() + day_record(12, 5, 9, flags=bytes([0x80, 0, 0, 0, 1]))
                 + day_record(12, 5, 10, link=0, values=[-k for k in range(53)]) + day_record(12, 5, 11))
SEEDS["dayfile"] = {
    "empty_day": day_header() + reading(),
    "two_records_and_partial": day_header() + day_record(12, 5, 9, flags=bytes([0x80, 0, 0, 0, 1]))
    + day_record(12, 5, 10, link=0, values=[-k for k in range(53)]) + bytes(100) + reading(),
    "too_short": day_header()[:47] + reading(),
    "old_version": day_header(version=39) + day_record(0, 0, 0) + reading(),
    "six_flag_bytes": day_header(flag_bytes=6) + day_record(1, 2, 3) + reading(),
    "slices_of_two_short_reads": THREE_RECORDS + reading(slice_records=2, most_per_call=100, interrupt_every=3),
    "shrunk_since_measured": THREE_RECORDS + reading(difference=225 * 5),
    "grown_since_measured": THREE_RECORDS + reading(difference=300, smaller=True),
    "past_the_cap": THREE_RECORDS + reading(difference=2 * 86400 * 225 // 256 + 1, in_pages=True),
    "read_error": THREE_RECORDS + reading(slice_records=1, failing=True),
}

# Parameter files (".zrq7"): section "ZRQ7config", one "register=value" line per setting.
def parameter_file(values, line_end=b"\r\n", section=b"[ZRQ7config]"):
    lines = [section] + [b"%d=%d" % (reg, value) for reg, value in values]
    return line_end.join(lines) + line_end


SETTINGS_150_244 = [(reg, (reg * 7) % 300 - 20) for reg in range(150, 245)]
SEEDS["params"] = {
    "all_settings": parameter_file(SETTINGS_150_244),
    "lf_and_bom": b"\xef\xbb\xbf" + parameter_file(SETTINGS_150_244[:10], line_end=b"\n"),
    "case_blanks_quotes": b"; saved by hand\r\n[ zrq7CONFIG ]\r\n 150 = \"12\" \r\n151='-3'\r\n152=\t+7 \r\n",
    "out_of_range": parameter_file([(150, 32767), (151, -32768), (152, 32768), (153, 70000), (154, -99999)]),
    "other_sections": b"[other]\r\n150=1\r\n\r\n[ZRQ7config]\r\n151=2\r\n\r\n[more]\r\n152=3\r\n",
    "no_section": b"150=1\r\n151=2\r\n",
    "twice_and_long": b"[ZRQ7config]\n150=1\n150=2\n151=123456789012345678901234\n152=\n153\n",
    "empty": b"",
}

# Fault report templates: the program's own, and the names at the edges of the language.
def source_file(*parts):
    with open(os.path.join(HERE, "..", *parts), "rb") as f:
        return f.read()


SEEDS["template"] = {
    "fault_report": source_file("resources", "report", "fault_report.html"),
    "expansion_edges": source_file("tests", "fault_report", "data", "expansion.tmpl"),
    "names": b"%%current_date%% %%DEVICE_NAME_X%% %%EVENT_TABLE_DEVICE%%%%EVENT_TABLE_DATA%%",
    "lone_and_triple": b"a%b%%%DEVICE_LAN%%c%%%%d%",
    "long_name": b"%%" + b"N" * 50 + b"%%" + b"%%" + b"M" * 51 + b"%%tail",
    "open_at_end": b"<p>%%CURRENT_TIME",
}

for framing, seeds in SEEDS.items():
    folder = os.path.join(HERE, "corpus", framing)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
