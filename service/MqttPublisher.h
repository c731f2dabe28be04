// SPDX-License-Identifier: MIT
#pragma once

// One relay unit's topics on an MQTT broker (libmosquitto): PREFIX/<unit>/status
// ("online", retained, QoS 1; the last will says "offline"), identity (retained),
// measurements (QoS 0) and faults (retained, QoS 1, sent when the list changes).
//
// Publishing never waits for the broker: the calls format the payload and hand it
// to the client, or drop it. Measurements are dropped while there is no connection,
// and while more than maxPendingMessages wait to be sent; the retained topics are
// kept (the latest of each) and sent again on every connect. The publisher's own
// thread connects, reconnects 1 s after a loss and doubles the wait after each
// failed attempt up to 30 s, whatever the failure (refused, name not resolved, TLS).
//
// Each unit has its own connection, since a connection has one last will.
// The publish calls may come from any one thread; start and stop from the owner.

#include "MqttPayloads.h"
#include "ServiceOptions.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

struct mosquitto;

namespace zrq7rec {

struct MqttSettings
{
    MqttEndpoint endpoint;
    std::string topicPrefix; // without a trailing '/'
    std::string user;        // empty: no user name
    std::string password;
    std::string caFile; // TLS only; empty: the system's certificate store
    int keepAliveSeconds = 30;
};

// "zrq7/<host name>".
std::string defaultTopicPrefix();

// Settings from the options: the URL, the prefix (default above, a trailing '/'
// removed), the password (first line of its file). False with error set when the
// URL is bad or the password file cannot be read.
bool mqttSettingsFrom(const MqttOptions& options, MqttSettings& settings, std::string& error);

class MqttPublisher
{
public:
    // One line per event (connected, lost, refused), for the journal.
    using Log = std::function<void(const std::string&)>;

    static constexpr int maxPendingMessages = 64;

    MqttPublisher(MqttSettings settings, int unit, Log log = {});
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Sets the client up (last will, user, TLS files) and starts connecting in the
    // background. False with error set when the client cannot be set up (a CA file
    // that cannot be read, no memory); a broker that cannot be reached is no error.
    bool start(std::string& error);

    // Status "offline" (when connected), a clean disconnect, the thread joined.
    // Takes at most about one second, whatever the broker does.
    void stop();

    void publishIdentity(const UnitIdentity& identity);
    void publishMeasurements(const UnitReading& reading);
    // Sent only when the list differs from the one sent last.
    void publishFaults(const std::vector<ActiveFault>& faults);

    bool isConnected() const { return m_connected.load(); }
    uint64_t droppedMeasurements() const { return m_dropped.load(); }
    // PREFIX/<unit>/<leaf>
    std::string topic(const std::string& leaf) const;

private:
    void run();
    bool connectOnce();
    void setRetained(const std::string& leaf, std::string payload);
    void sendRetained(const std::string& leaf, const std::string& payload);
    void republishRetained();
    void logOnce(const std::string& line);

    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onPublish(mosquitto*, void* self, int mid);

    const MqttSettings m_settings;
    const int m_unit;
    const Log m_log;
    mosquitto* m_client = nullptr;
    std::thread m_thread;

    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_republish{false}; // set by the connect callback, done by the thread
    std::atomic<int> m_pending{0};
    std::atomic<uint64_t> m_dropped{0};

    std::mutex m_stateLock; // the fields below
    std::condition_variable m_wake;
    bool m_stopRequested = false;
    std::chrono::steady_clock::time_point m_stopDeadline;

    std::mutex m_retainedLock; // the latest retained payloads, and sending them in order
    std::map<std::string, std::string> m_retained;

    std::string m_lastLog; // the thread's; repeated failures are logged once
};

} // namespace zrq7rec
