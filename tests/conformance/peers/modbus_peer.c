// SPDX-License-Identifier: MIT
// An independent MODBUS slave built on libmodbus, for conformance tests and benchmarks.
//
//   modbus_peer --tcp PORT          listen on 127.0.0.1:PORT (0 = any free port)
//   modbus_peer --rtu DEVICE        RTU slave on a serial device (a pty end)
//   options:    --unit N            unit address of the RTU slave (default 1)
//               --delay-ms N        wait N ms before every reply (late answers)
//
// Holding registers 0..PEER_REGISTER_COUNT-1 are mapped, anything above is
// "illegal data address" (exception 2). Initial values: register 0 = 11,
// register 1 = 12, register k >= 2 = (k << 8) | (255 - k), so byte order and
// offsets show in every read. Prints "modbus_peer ready port=P" (TCP) or
// "modbus_peer ready device=D" (RTU) on stdout once it accepts requests;
// runs until SIGTERM.
#include <arpa/inet.h>
#include <errno.h>
#include <modbus.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

enum { PEER_REGISTER_COUNT = 200 };

static void usage(void)
{
    fprintf(stderr, "usage: modbus_peer (--tcp PORT | --rtu DEVICE) [--unit N] [--delay-ms N]\n");
    exit(2);
}

static void fillRegisters(modbus_mapping_t* map)
{
    map->tab_registers[0] = 11;
    map->tab_registers[1] = 12;
    for (int k = 2; k < PEER_REGISTER_COUNT; ++k)
        map->tab_registers[k] = (uint16_t)((k << 8) | (255 - k));
}

static void pause_ms(int ms)
{
    if (ms <= 0)
        return;
    struct timespec ts = {ms / 1000, (long)(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

// Answers requests; on TCP until the client goes away, on RTU forever (a bad
// frame or a request for another unit only costs that one request).
static void serve(modbus_t* ctx, modbus_mapping_t* map, int delayMs, int untilError)
{
    uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
    for (;;) {
        int rc = modbus_receive(ctx, query);
        if (rc > 0) {
            pause_ms(delayMs);
            modbus_reply(ctx, query, rc, map);
        } else if (rc == -1 && untilError) {
            return;
        }
    }
}

static int runTcp(int port, int delayMs, modbus_mapping_t* map)
{
    modbus_t* ctx = modbus_new_tcp("127.0.0.1", port);
    if (!ctx)
        return 1;
    int listener = modbus_tcp_listen(ctx, 1);
    if (listener < 0) {
        fprintf(stderr, "modbus_peer: listen: %s\n", modbus_strerror(errno));
        return 1;
    }
    struct sockaddr_in bound;
    socklen_t len = sizeof bound;
    getsockname(listener, (struct sockaddr*)&bound, &len);
    printf("modbus_peer ready port=%d\n", ntohs(bound.sin_port));
    fflush(stdout);
    for (;;) {
        if (modbus_tcp_accept(ctx, &listener) < 0)
            continue;
        serve(ctx, map, delayMs, 1);
        close(modbus_get_socket(ctx));
        modbus_set_socket(ctx, -1);
    }
}

static int runRtu(const char* device, int unit, int delayMs, modbus_mapping_t* map)
{
    modbus_t* ctx = modbus_new_rtu(device, 19200, 'N', 8, 1);
    // Having ignored a request for another unit, libmodbus takes the next frame on the line
    // for that unit's answer (as on a shared bus). Flushing on the resulting bad frame lets
    // it find the start of the following request.
    if (!ctx || modbus_set_slave(ctx, unit) != 0 ||
        modbus_set_error_recovery(ctx, MODBUS_ERROR_RECOVERY_PROTOCOL) != 0 || modbus_connect(ctx) != 0) {
        fprintf(stderr, "modbus_peer: %s: %s\n", device, modbus_strerror(errno));
        return 1;
    }
    printf("modbus_peer ready device=%s\n", device);
    fflush(stdout);
    serve(ctx, map, delayMs, 0);
    return 0;
}

int main(int argc, char** argv)
{
    int tcpPort = -1;
    const char* device = NULL;
    int unit = 1;
    int delayMs = 0;
    for (int i = 1; i < argc; ++i) {
        if (i + 1 >= argc)
            usage();
        if (strcmp(argv[i], "--tcp") == 0)
            tcpPort = atoi(argv[++i]);
        else if (strcmp(argv[i], "--rtu") == 0)
            device = argv[++i];
        else if (strcmp(argv[i], "--unit") == 0)
            unit = atoi(argv[++i]);
        else if (strcmp(argv[i], "--delay-ms") == 0)
            delayMs = atoi(argv[++i]);
        else
            usage();
    }
    if ((tcpPort < 0) == (device == NULL))
        usage();

    modbus_mapping_t* map = modbus_mapping_new(0, 0, PEER_REGISTER_COUNT, 0);
    if (!map)
        return 1;
    fillRegisters(map);
    return device ? runRtu(device, unit, delayMs, map) : runTcp(tcpPort, delayMs, map);
}
