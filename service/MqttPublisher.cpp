// SPDX-License-Identifier: MIT
#include "MqttPublisher.h"

#include <cstring>
#include <fstream>
#include <limits.h>
#include <mosquitto.h>
#include <unistd.h>

namespace zrq7rec {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto firstRetry = std::chrono::seconds(1);
constexpr auto longestRetry = std::chrono::seconds(30);
constexpr auto stopGrace = std::chrono::milliseconds(1000);
constexpr int qosAtLeastOnce = 1;

void initialiseLibraryOnce()
{
    // Once per process; the library stays initialised until the process ends.
    static const int initialised = mosquitto_lib_init();
    (void)initialised;
}

std::string errorText(int rc)
{
    return rc == MOSQ_ERR_ERRNO ? std::string(std::strerror(errno)) : std::string(mosquitto_strerror(rc));
}

} // namespace

std::string defaultTopicPrefix()
{
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || host[0] == 0)
        return "zrq7/localhost";
    return std::string("zrq7/") + host;
}

bool mqttSettingsFrom(const MqttOptions& options, MqttSettings& settings, std::string& error)
{
    const auto endpoint = parseMqttUrl(options.url);
    if (!endpoint) {
        error = "nieprawidłowy adres brokera MQTT: " + options.url;
        return false;
    }
    settings.endpoint = *endpoint;
    settings.topicPrefix = options.topicPrefix.empty() ? defaultTopicPrefix() : options.topicPrefix;
    while (!settings.topicPrefix.empty() && settings.topicPrefix.back() == '/')
        settings.topicPrefix.pop_back();
    settings.user = options.user;
    settings.caFile = options.caFile;
    settings.password.clear();
    if (!options.passwordFile.empty()) {
        std::ifstream file(options.passwordFile);
        if (!file || !std::getline(file, settings.password)) {
            error = "nie można odczytać pliku hasła MQTT " + options.passwordFile;
            return false;
        }
        if (!settings.password.empty() && settings.password.back() == '\r')
            settings.password.pop_back();
    }
    return true;
}

MqttPublisher::MqttPublisher(MqttSettings settings, int unit, Log log)
    : m_settings(std::move(settings)), m_unit(unit), m_log(std::move(log))
{
    m_retained["status"] = "online";
}

MqttPublisher::~MqttPublisher()
{
    stop();
    if (m_client)
        mosquitto_destroy(m_client);
}

std::string MqttPublisher::topic(const std::string& leaf) const
{
    return m_settings.topicPrefix + "/" + std::to_string(m_unit) + "/" + leaf;
}

bool MqttPublisher::start(std::string& error)
{
    initialiseLibraryOnce();
    m_client = mosquitto_new(nullptr, true, this);
    if (!m_client) {
        error = "MQTT: nie można utworzyć klienta";
        return false;
    }
    // The publish calls come from another thread than the one running the loop.
    mosquitto_threaded_set(m_client, true);
    const std::string statusTopic = topic("status");
    static const char offline[] = "offline";
    int rc = mosquitto_will_set(m_client, statusTopic.c_str(), int(sizeof offline - 1), offline,
                                qosAtLeastOnce, true);
    if (rc == MOSQ_ERR_SUCCESS && !m_settings.user.empty())
        rc = mosquitto_username_pw_set(m_client, m_settings.user.c_str(),
                                       m_settings.password.empty() ? nullptr : m_settings.password.c_str());
    if (rc == MOSQ_ERR_SUCCESS && m_settings.endpoint.tls) {
        if (m_settings.caFile.empty())
            rc = mosquitto_int_option(m_client, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        else
            rc = mosquitto_tls_set(m_client, m_settings.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        error = "MQTT: " + errorText(rc) +
                (m_settings.endpoint.tls && !m_settings.caFile.empty() ? " (" + m_settings.caFile + ")" : "");
        mosquitto_destroy(m_client);
        m_client = nullptr;
        return false;
    }
    mosquitto_connect_callback_set(m_client, &MqttPublisher::onConnect);
    mosquitto_disconnect_callback_set(m_client, &MqttPublisher::onDisconnect);
    mosquitto_publish_callback_set(m_client, &MqttPublisher::onPublish);
    m_thread = std::thread([this] { run(); });
    return true;
}

void MqttPublisher::stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_stateLock);
        m_stopRequested = true;
        m_stopDeadline = Clock::now() + stopGrace;
    }
    // "offline" goes out before the DISCONNECT, which the broker takes as a clean
    // end: it then keeps the last will to itself.
    setRetained("status", "offline");
    if (m_connected.load())
        mosquitto_disconnect(m_client);
    m_wake.notify_all();
    m_thread.join();
    m_connected.store(false);
}

void MqttPublisher::run()
{
    Clock::duration retryDelay = firstRetry;
    Clock::time_point nextAttempt = Clock::now();
    bool socketOpen = false;
    bool sessionUp = false; // the broker accepted the current connection
    for (;;) {
        bool stopping = false;
        {
            std::unique_lock lock(m_stateLock);
            // Without a socket, wait for the next attempt; a stop ends the wait.
            if (!socketOpen && m_wake.wait_until(lock, nextAttempt, [this] { return m_stopRequested; }))
                return;
            if (m_stopRequested && Clock::now() >= m_stopDeadline)
                return;
            stopping = m_stopRequested;
        }
        if (!socketOpen) {
            socketOpen = connectOnce();
            if (!socketOpen) {
                nextAttempt = Clock::now() + retryDelay;
                retryDelay = std::min<Clock::duration>(retryDelay * 2, longestRetry);
            }
            continue;
        }
        const int rc = mosquitto_loop(m_client, stopping ? 100 : 1000, 1);
        if (m_republish.exchange(false)) {
            retryDelay = firstRetry; // connected: a later loss retries after the shortest wait
            sessionUp = true;
            republishRetained();
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            socketOpen = false;
            if (stopping)
                return;
            // A loss after the broker had accepted us was logged by onDisconnect.
            if (!sessionUp)
                logOnce("MQTT: brak połączenia z brokerem (" + errorText(rc) + ")");
            sessionUp = false;
            nextAttempt = Clock::now() + retryDelay;
            retryDelay = std::min<Clock::duration>(retryDelay * 2, longestRetry);
        }
    }
}

bool MqttPublisher::connectOnce()
{
    // Non-blocking: the TCP connection and the CONNECT finish inside the loop.
    const int rc = mosquitto_connect_async(m_client, m_settings.endpoint.host.c_str(),
                                           m_settings.endpoint.port, m_settings.keepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        logOnce("MQTT: nie można połączyć z " + m_settings.endpoint.host + ":" +
                std::to_string(m_settings.endpoint.port) + " (" + errorText(rc) + ")");
        return false;
    }
    return true;
}

void MqttPublisher::onConnect(mosquitto*, void* self, int rc)
{
    auto* publisher = static_cast<MqttPublisher*>(self);
    if (rc != 0) {
        publisher->logOnce(std::string("MQTT: broker odrzucił połączenie (") + mosquitto_connack_string(rc) +
                           ")");
        return;
    }
    publisher->m_pending.store(0);
    publisher->m_connected.store(true);
    publisher->m_republish.store(true);
    publisher->logOnce("MQTT: połączono z " + publisher->m_settings.endpoint.host + ":" +
                       std::to_string(publisher->m_settings.endpoint.port) + ", tematy " +
                       publisher->topic("..."));
}

void MqttPublisher::onDisconnect(mosquitto*, void* self, int rc)
{
    // Runs on the publisher's thread, inside mosquitto_loop (as all callbacks).
    auto* publisher = static_cast<MqttPublisher*>(self);
    if (publisher->m_connected.exchange(false) && rc != 0)
        publisher->logOnce("MQTT: utracono połączenie z brokerem (" + errorText(rc) + ")");
}

void MqttPublisher::onPublish(mosquitto*, void* self, int)
{
    auto& pending = static_cast<MqttPublisher*>(self)->m_pending;
    if (pending.load() > 0)
        pending.fetch_sub(1);
}

void MqttPublisher::logOnce(const std::string& line)
{
    if (line == m_lastLog)
        return;
    m_lastLog = line;
    if (m_log)
        m_log(line);
}

void MqttPublisher::sendRetained(const std::string& leaf, const std::string& payload)
{
    const std::string name = topic(leaf);
    mosquitto_publish(m_client, nullptr, name.c_str(), int(payload.size()), payload.data(), qosAtLeastOnce,
                      true);
}

void MqttPublisher::setRetained(const std::string& leaf, std::string payload)
{
    std::lock_guard lock(m_retainedLock);
    std::string& kept = m_retained[leaf];
    if (kept == payload)
        return;
    kept = std::move(payload);
    if (m_client && m_connected.load())
        sendRetained(leaf, kept);
}

void MqttPublisher::republishRetained()
{
    std::lock_guard lock(m_retainedLock);
    for (const auto& [leaf, payload] : m_retained)
        sendRetained(leaf, payload);
}

void MqttPublisher::publishIdentity(const UnitIdentity& identity)
{
    setRetained("identity", identityJson(identity));
}

void MqttPublisher::publishFaults(const std::vector<ActiveFault>& faults)
{
    setRetained("faults", faultsJson(faults));
}

void MqttPublisher::publishMeasurements(const UnitReading& reading)
{
    if (!m_client || !m_connected.load() || m_pending.load() >= maxPendingMessages) {
        m_dropped.fetch_add(1);
        return;
    }
    const std::string payload = measurementsJson(reading);
    const std::string name = topic("measurements");
    m_pending.fetch_add(1);
    if (mosquitto_publish(m_client, nullptr, name.c_str(), int(payload.size()), payload.data(), 0, false) !=
        MOSQ_ERR_SUCCESS) {
        m_pending.fetch_sub(1);
        m_dropped.fetch_add(1);
    }
}

} // namespace zrq7rec
