// Ping round trips per second through the whole command server (UDP and TCP transports,
// dispatcher, handler) on loopback, beside a bare UDP echo of 184 bytes measured in the same
// run; prints both and their ratio. Everything runs on one processor, so that a round trip
// measures the work done rather than how soon an idle processor wakes up (on a shared
// machine that alone varies several times over from run to run), and the three take turns
// for several rounds whose medians are compared, so that a change of load does not tilt
// the ratio. Runs in a network namespace of its own (it needs root for that), so the fixed
// ports are free and nothing leaves the machine.
#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/BenchDisk.h"
#include "cmdserver/CommandPacket.h"
#include "cmdserver/CommandServer.h"
#include "config/ConfigManager.h"
#include "kernel/boot/Kernel.h"

namespace {

constexpr std::size_t kPacket = rx_fwk::kCommandPacketSize;

std::vector<std::uint8_t> pingRequest() {
    std::vector<std::uint8_t> p(kPacket, 0);
    p[0] = rx_fwk::kPacketMagic0;
    p[1] = rx_fwk::kPacketMagic1;
    p[2] = rx_fwk::CmdPing;
    p[5] = rx_fwk::kProtocolVersion;
    return p;
}

sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

bool waitReadable(int s, int ms) {
    pollfd p{s, POLLIN, 0};
    return ::poll(&p, 1, ms) == 1;
}

int udpSocket() {
    int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    ::bind(s, reinterpret_cast<sockaddr*>(&any), sizeof any);
    return s;
}

void udpRoundTrips(benchmark::State& state, std::uint16_t port) {
    int s = udpSocket();
    const auto request = pingRequest();
    const sockaddr_in to = loopback(port);
    std::uint8_t reply[1024];
    for (auto _ : state) {
        ::sendto(s, request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                 sizeof to);
        if (!waitReadable(s, 2000) || ::recv(s, reply, sizeof reply, 0) != kPacket) {
            state.SkipWithError("no reply");
            break;
        }
    }
    ::close(s);
    state.counters["round_trips_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_PingOverUdp(benchmark::State& state) {
    udpRoundTrips(state, rx_fwk::kCommandUdpPort);
}

void BM_PingOverTcp(benchmark::State& state) {
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    sockaddr_in to = loopback(rx_fwk::kCommandTcpPort);
    if (::connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        state.SkipWithError("no TCP listener");
        ::close(s);
        return;
    }
    std::vector<std::uint8_t> framed = {0, 0, 0, static_cast<std::uint8_t>(kPacket)};
    const auto request = pingRequest();
    framed.insert(framed.end(), request.begin(), request.end());
    std::uint8_t reply[4 + kPacket];
    for (auto _ : state) {
        ::send(s, framed.data(), framed.size(), MSG_NOSIGNAL);
        std::size_t have = 0;
        while (have < sizeof reply) {
            ssize_t n =
                waitReadable(s, 2000) ? ::recv(s, reply + have, sizeof reply - have, 0) : -1;
            if (n <= 0) {
                break;
            }
            have += static_cast<std::size_t>(n);
        }
        if (have != sizeof reply) {
            state.SkipWithError("no reply");
            break;
        }
    }
    ::close(s);
    state.counters["round_trips_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The floor: a thread that sends every 184-byte datagram straight back.
class Echo {
public:
    Echo() : socket_(udpSocket()) {
        sockaddr_in own{};
        socklen_t length = sizeof own;
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&own), &length);
        port_ = ntohs(own.sin_port);
        thread_ = std::thread([this] {
            std::uint8_t buffer[512];
            while (!stop_) {
                if (!waitReadable(socket_, 100)) {
                    continue;
                }
                sockaddr_in from{};
                socklen_t fromLength = sizeof from;
                ssize_t n = ::recvfrom(socket_, buffer, sizeof buffer, 0,
                                       reinterpret_cast<sockaddr*>(&from), &fromLength);
                if (n > 0) {
                    ::sendto(socket_, buffer, static_cast<size_t>(n), 0,
                             reinterpret_cast<sockaddr*>(&from), fromLength);
                }
            }
        });
    }
    ~Echo() {
        stop_ = true;
        thread_.join();
        ::close(socket_);
    }
    std::uint16_t port() const { return port_; }

private:
    int socket_;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

Echo* gEcho = nullptr;

void BM_BareUdpEcho(benchmark::State& state) {
    udpRoundTrips(state, gEcho->port());
}

constexpr int kRounds = 5;

// Registers the three in turns: echo, UDP, TCP, echo, UDP, TCP, ...
void registerRounds() {
    const std::pair<const char*, void (*)(benchmark::State&)> kinds[] = {
        {"BM_BareUdpEcho", BM_BareUdpEcho},
        {"BM_PingOverUdp", BM_PingOverUdp},
        {"BM_PingOverTcp", BM_PingOverTcp},
    };
    for (int round = 1; round <= kRounds; ++round) {
        for (const auto& [name, function] : kinds) {
            benchmark::RegisterBenchmark(
                (std::string(name) + "/round:" + std::to_string(round)).c_str(), function)
                ->UseRealTime()
                ->MinTime(0.5);
        }
    }
}

// Keeps each benchmark's rates, round by round, for the summary.
class Summary : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            auto it = run.counters.find("round_trips_per_s");
            if (it != run.counters.end() && !run.error_occurred) {
                const std::string name = run.benchmark_name();
                rates[name.substr(0, name.find('/'))].push_back(it->second.value);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double median(const std::string& kind) const {
        auto it = rates.find(kind);
        if (it == rates.end() || it->second.empty()) {
            return 0.0;
        }
        std::vector<double> sorted = it->second;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
    std::map<std::string, std::vector<double>> rates;
};

bool privateNetwork() {
    if (::unshare(CLONE_NEWNET) != 0) {
        return false;
    }
    int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    ::ioctl(s, SIOCGIFFLAGS, &request);
    request.ifr_flags |= IFF_UP;
    bool up = ::ioctl(s, SIOCSIFFLAGS, &request) == 0;
    ::close(s);
    return up;
}

}  // namespace

int main(int argc, char** argv) {
    // On the host's network the server would bind a real interface and answer by broadcast
    // on it: measure only where the traffic stays inside.
    if (!privateNetwork()) {
        std::fprintf(stderr, "needs a network namespace of its own: run as root\n");
        return 1;
    }
    // Threads made from here on inherit the processor.
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    sched_setaffinity(0, sizeof one, &one);
    lbbench::BenchDisk disk(argc, argv);
    if (!disk.started()) {
        return 1;
    }
    // A configured address makes the server listen on TCP as well.
    rx_fwk::ConfigManager::instance().setString("TCP_Stack_Config", "IP_Address", "USE_DHCP");
    if (!rx_fwk::CommandServer::instance().start()) {
        std::fprintf(stderr, "the command server did not start (ports taken?)\n");
        return 1;
    }
    Echo echo;
    gEcho = &echo;

    registerRounds();
    benchmark::Initialize(&argc, argv);
    Summary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);

    const double bare = summary.median("BM_BareUdpEcho");
    const double udp = summary.median("BM_PingOverUdp");
    const double tcp = summary.median("BM_PingOverTcp");
    std::printf(
        "\nround trips per second on one processor, median of %d rounds: bare UDP echo %.0f, "
        "Ping over UDP %.0f, Ping over TCP %.0f\n",
        kRounds, bare, udp, tcp);
    if (bare > 0) {
        std::printf("through the server / bare echo: UDP %.2f, TCP %.2f\n", udp / bare, tcp / bare);
    }
    rx_fwk::CommandServer::instance().stop();
    return 0;
}
