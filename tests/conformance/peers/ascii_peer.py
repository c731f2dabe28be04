#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""An independent MODBUS ASCII slave built on pymodbus, for conformance tests.

    ascii_peer.py --device PATH [--unit N]

Serves holding registers 0..199 of unit N (default 1) with the same values as
modbus_peer: register 0 = 11, register 1 = 12, register k >= 2 =
(k << 8) | (255 - k); anything above 199 is exception 2. Requests for other
units go unanswered. The port is opened 8N1: a pseudo-terminal carries 8 bits
whatever the master set, and pyserial refuses 7 bits on it. Prints
"ascii_peer ready device=PATH" once the port is open; runs until SIGTERM.
"""
import argparse
import asyncio
import logging
import signal
import sys

from pymodbus.datastore import (
    ModbusSequentialDataBlock,
    ModbusServerContext,
    ModbusSlaveContext,
)
from pymodbus.server import StartAsyncSerialServer
from pymodbus.transaction import ModbusAsciiFramer

REGISTER_COUNT = 200


def initial_registers():
    values = [(k << 8) | (255 - k) for k in range(REGISTER_COUNT)]
    values[0] = 11
    values[1] = 12
    return values


async def serve(device, unit):
    block = ModbusSequentialDataBlock(0, initial_registers())
    slave = ModbusSlaveContext(hr=block, zero_mode=True)
    context = ModbusServerContext(slaves={unit: slave}, single=False)
    server = await StartAsyncSerialServer(
        context=context,
        framer=ModbusAsciiFramer,
        port=device,
        baudrate=19200,
        bytesize=8,
        parity="N",
        stopbits=1,
        ignore_missing_slaves=True,
        defer_start=True,
    )
    await server.start()
    if server.transport is None:
        print(f"ascii_peer: cannot open {device}", file=sys.stderr)
        return 1
    print(f"ascii_peer ready device={device}", flush=True)
    stop = asyncio.Event()
    asyncio.get_running_loop().add_signal_handler(signal.SIGTERM, stop.set)
    await stop.wait()
    await server.shutdown()
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--device", required=True)
    parser.add_argument("--unit", type=int, default=1)
    args = parser.parse_args()
    logging.basicConfig(level=logging.CRITICAL)
    return asyncio.run(serve(args.device, args.unit))


if __name__ == "__main__":
    sys.exit(main())
