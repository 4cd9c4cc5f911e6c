#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

Seeds: every valid command, files of several commands and every truncated prefix of them, the
first-start configuration and its prefixes, parameter files, a registry export, and well-formed
protocol frames with their prefixes. Run it again after changing a format."""
import os
import re
import shutil

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def write(target, name, data):
    folder = os.path.join(root, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def with_prefixes(target, name, data):
    write(target, name, data)
    for n in range(len(data)):
        write(target, "%s-prefix-%04d" % (name, n), data[:n])


if os.path.isdir(root):
    shutil.rmtree(root)

commands = [b"POS_PAGAME,A2,P0", b"POS_PAGEXT,T1,E2,A1250,P1", b"POS_ACCRED,A300",
            b"POS_CHCASS", b"POS_TOTTER", b"POS_STORNO,S000001", b"POS_STORNO,A52",
            b"POS_PREAUT", b"POS_PREINT", b"POS_CHPREA", b"POS_STATUS", b"pos_pagame,a2,p0;",
            b"; comment\r\n:POS_TOTTER", b"POS_PAGAME,A1,P0,X,Y,Z", b"POS_PWD"]
# A keyword of the table (src/iae17/Keywords.h) that no line above opens gets a bare line.
table = os.path.join(os.path.dirname(root), "..", "src", "iae17", "Keywords.h")
with open(table, encoding="latin-1") as f:
    keywords = [k.encode() for k in re.findall(r"\bX\(\s*(POS_\w+)", f.read())]
assert keywords, "no keyword rows in src/iae17/Keywords.h"
commands += [k for k in keywords if not any(c.startswith(k) for c in commands)]
for i, c in enumerate(commands):
    write("dispatcher", "command-%02d" % i, c + b"\r\n")
with_prefixes("dispatcher", "all", b"\r\n".join(commands) + b"\r\n")

config = (b"TIPO:ETH\r\nPCOM:1\r\nBAUD:9600\r\nPARI:N\r\nBITS:7\r\nSTOP:1\r\n"
          b"INPF:/fuzz/SRINPF.TXT\r\nOUTF:SROUTF.TXT\r\nIPAD:192.168.1.101\r\nPORT:1000\r\n")
with_prefixes("config", "first-start", config)
write("config", "variants", b"ipad: 10.0.0.7\r\nPORT:9999\r\nBAUD:abc\r\nPARI:\r\nECRI:s\r\n"
      b";IPAD:1.2.3.4\r\n  INPF:x\r\nINPF:\"/a b/c\"\r\nOUTF:\r\nTIPO:COM IPAD:1.1.1.1\r\n")

for i, p in enumerate([b"1\r\n0\r\n6\r\n0\r\n", b"1 \r\n1\r\n 7 \r\n-1\r\n", b"0\r\n",
                       b"x\r\ny\r\n1e3\r\n&H2\r\n"]):
    write("params", "params-%d" % i, p)

reg = ("Windows Registry Editor Version 5.00\r\n\r\n"
       "[HKEY_CURRENT_USER\\SOFTWARE\\ZANDRIK Engineering\\ZANDRIKOSTRIX]\r\n"
       "\"CustomPathDataDir\"=\"C:\\\\Cassa\\\\Dati\"\r\n\"N\"=dword:0000002a\r\n"
       "\"B\"=hex:01,02,\\\r\n  03\r\n@=\"x\"\r\n").encode()
with_prefixes("registry", "export", reg)
write("registry", "utf16", b"\xff\xfe" + reg.decode().encode("utf-16-le"))


def crc16(data):
    crc = 0xFFFF
    for b in data:
        crc ^= b << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x1021) if crc & 0x8000 else (crc << 1)
            crc &= 0xFFFF
    return crc


def frame(kind, seq, payload):
    body = b"VX1 %s %08X %08X %s\x03" % (kind, seq, len(payload), payload.hex().upper().encode())
    return b"\x02" + body + b"%04X\r\n" % crc16(body)


request_record = b"1250     99999999 0 10001761 " + b"\0" * (219 - 29)
data_record = b"\0" * 4267
for fn in range(1, 11):
    write("request", "request-%02d" % fn, frame(b"Q", fn, bytes([fn]) + request_record + data_record))
with_prefixes("request", "short", frame(b"Q", 1, b"\x05" + b"abc"))
answer = b"\x00\x00" + b"10001761 " + b"\0" * (4267 - 9)
write("answer", "ok", frame(b"A", 7, answer))
write("answer", "password", frame(b"A", 7, b"\x00\x64" + b"\0" * 4267))
with_prefixes("answer", "small", frame(b"A", 1, b"\x00\x03abc"))

with open(os.path.join(os.path.dirname(root), "..", "test-sets", "base.json"), "rb") as f:
    write("testset", "base", f.read())
with_prefixes("testset", "small", b'{"name": "s", "steps": [{"name": "a", "instruction": {"it": "x"}, '
              b'"expect": {"command": "POS_PAGEXT", "amount": {"min": 1, "max": 9}}, '
              b'"terminal": {"delay_ms": 5}, "time_limit_s": 2.5, '
              b'"then": [{"command": "POS_STATUS", "within_s": 1}, {"no_repeat_within_s": 1}]}, '
              b'{"name": "b", "expect": {"command": "POS_STORNO", "stan_of": "a"}, '
              b'"terminal": {"answer": "code", "code": 7}}]}')
