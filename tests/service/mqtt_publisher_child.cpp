// SPDX-License-Identifier: MIT
// A publisher in a process of its own, for the last-will test: connects to the
// broker at argv[1] with topic prefix argv[2] for unit argv[3], prints
// "connected" once the broker accepted it, then waits to be killed.
#include "MqttPublisher.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    zrq7rec::MqttOptions options;
    options.url = argv[1];
    options.topicPrefix = argv[2];
    zrq7rec::MqttSettings settings;
    std::string error;
    if (!zrq7rec::mqttSettingsFrom(options, settings, error))
        return 2;
    zrq7rec::MqttPublisher publisher(settings, std::atoi(argv[3]));
    if (!publisher.start(error))
        return 1;
    while (!publisher.isConnected())
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::puts("connected");
    std::fflush(stdout);
    for (;;)
        ::pause();
}
