#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""A MODBUS master built on pymodbus, used to prove the simulator against a
client we did not write. One line of output per operation:
  read FIRST COUNT: v1 v2 ...   |   exception N   |   no answer
  write REG VALUE: ok           |   exception N   |   no answer
"""
import argparse
import logging
import sys

from pymodbus.client import ModbusSerialClient, ModbusTcpClient
from pymodbus.framer.ascii_framer import ModbusAsciiFramer
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.pdu import ExceptionResponse


def main():
    parser = argparse.ArgumentParser()
    link = parser.add_mutually_exclusive_group(required=True)
    link.add_argument("--tcp", metavar="HOST:PORT")
    link.add_argument("--rtu", metavar="DEVICE")
    link.add_argument("--ascii", metavar="DEVICE")
    parser.add_argument("--baud", type=int, default=9600)
    parser.add_argument("operations", nargs="+",
                        help="read:FIRST:COUNT[:UNIT] or write:REG:VALUE[:UNIT]")
    args = parser.parse_args()
    logging.disable(logging.CRITICAL)

    # pymodbus 3.0 misbehaves with time-outs below 1 s (no connection, answers missed).
    if args.tcp:
        host, port = args.tcp.rsplit(":", 1)
        client = ModbusTcpClient(host, port=int(port), timeout=1, retries=0)
    else:
        # A pseudo-terminal only carries 8N1; the simulator emulates the line timing.
        framer = ModbusAsciiFramer if args.ascii else ModbusRtuFramer
        client = ModbusSerialClient(port=args.ascii or args.rtu, framer=framer, baudrate=args.baud,
                                    bytesize=8, parity="N", stopbits=1, timeout=1, retries=0)
    if not client.connect():
        print("cannot connect", file=sys.stderr)
        return 2

    for operation in args.operations:
        kind, first, second, *unit = operation.split(":")
        slave = int(unit[0]) if unit else 1
        if kind == "read":
            response = client.read_holding_registers(int(first), int(second), slave=slave)
        else:
            response = client.write_register(int(first), int(second), slave=slave)
        label = f"{kind} {first} {second}"
        if isinstance(response, ExceptionResponse):
            print(f"{label}: exception {response.exception_code}")
        elif response is None or response.isError():
            print(f"{label}: no answer")
        elif kind == "read":
            print(f"{label}: " + " ".join(str(v) for v in response.registers))
        else:
            print(f"{label}: ok")
        sys.stdout.flush()
    client.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
