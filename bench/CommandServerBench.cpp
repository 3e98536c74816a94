// Ping round trips per second through the whole command server (UDP and TCP transports,
// dispatcher, handler) on the real network path: the IP stack service loads the host
// network driver from B:, brings its device up by DHCP on a veth of its own, and the
// transports listen on that device. The requests come from a second network namespace at
// the veth's far end, as do those of a bare UDP echo of 184 bytes measured in the same run;
// prints both and their ratio. Everything runs on one processor, so that a round trip
// measures the work done rather than how soon an idle processor wakes up (on a shared
// machine that alone varies several times over from run to run), and the three take turns
// for several rounds whose medians are compared, so that a change of load does not tilt
// the ratio. Runs in network namespaces of its own (it needs root for that), so the fixed
// ports are free and nothing leaves the machine.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
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
#include "net/tIPStack.h"

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

// The controller's end of the veth (this process's namespace) and the client's end.
constexpr const char kControllerAddress[] = "10.79.0.2";
constexpr const char kClientAddress[] = "10.79.0.1";

sockaddr_in controller(std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = inet_addr(kControllerAddress);
    return a;
}

// The namespaces: the controller's (the process's own) and the client's.
int gOwnNetwork = -1;
int gClientNetwork = -1;

// A socket of the client's namespace.
int clientSocket(int type) {
    ::setns(gClientNetwork, CLONE_NEWNET);
    int s = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    ::setns(gOwnNetwork, CLONE_NEWNET);
    return s;
}

bool waitReadable(int s, int ms) {
    pollfd p{s, POLLIN, 0};
    return ::poll(&p, 1, ms) == 1;
}

int bound(int s) {
    sockaddr_in any{};
    any.sin_family = AF_INET;
    ::bind(s, reinterpret_cast<sockaddr*>(&any), sizeof any);
    return s;
}

void udpRoundTrips(benchmark::State& state, std::uint16_t port) {
    int s = bound(clientSocket(SOCK_DGRAM));
    const auto request = pingRequest();
    const sockaddr_in to = controller(port);
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
    int s = clientSocket(SOCK_STREAM);
    int on = 1;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    sockaddr_in to = controller(rx_fwk::kCommandTcpPort);
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

// The floor: a thread at the controller's end that sends every 184-byte datagram straight
// back.
class Echo {
public:
    Echo() : socket_(bound(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0))) {
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

bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

// The controller's namespace (the process's) and the client's, joined by a veth pair whose
// controller end has an address from "the host" (as DHCP would give it) and no default route.
bool privateNetworks() {
    if (::unshare(CLONE_NEWNET) != 0) {
        return false;
    }
    gOwnNetwork = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    // The client's namespace is made on a thread of its own and outlives it through the
    // descriptor.
    std::thread([] {
        if (::unshare(CLONE_NEWNET) == 0) {
            gClientNetwork = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        }
    }).join();
    if (gOwnNetwork < 0 || gClientNetwork < 0) {
        return false;
    }
    const std::string client =
        "/proc/" + std::to_string(::getpid()) + "/fd/" + std::to_string(gClientNetwork);
    if (!run("ip link set lo up && ip link add lbbench0 type veth peer name lbbench1 netns " +
             client + " && ip addr add " + kControllerAddress +
             "/24 dev lbbench0 && ip link set lbbench0 up")) {
        return false;
    }
    ::setns(gClientNetwork, CLONE_NEWNET);
    const bool ok = run(std::string("ip link set lo up && ip addr add ") + kClientAddress +
                        "/24 dev lbbench1 && ip link set lbbench1 up");
    ::setns(gOwnNetwork, CLONE_NEWNET);
    return ok;
}

// The device list of a normal image: the host network driver from B:, serving the veth.
void writeDriverList(const std::string& root) {
    std::filesystem::create_directories(root + "/zu-rt/system/ethernet");
    std::FILE* f = std::fopen((root + "/zu-rt/system/ethernet/ethernet.ini").c_str(), "wb");
    if (f != nullptr) {
        std::fputs(
            "[DRIVERS]\r\nIPEthernetDrivers=Host Network Ethernet\r\n"
            "StandardDrivers=Host Network Ethernet\r\n"
            "[HOST NETWORK ETHERNET]\r\nPath=B:\\hostnet.dll\r\nInterfaces=lbbench0\r\n",
            f);
        std::fclose(f);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // On the host's network the server would bind a real interface and answer by broadcast
    // on it: measure only where the traffic stays inside.
    if (!privateNetworks()) {
        std::fprintf(stderr, "needs network namespaces of its own and ip(8): run as root\n");
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
    writeDriverList(disk.root());
    nIPStack::tIPStack& stack = nIPStack::tIPStack::instance();
    std::string primary;
    if (!stack.start() || !stack.getPrimaryInterface(primary)) {
        std::fprintf(stderr, "the IP stack service did not bring up the veth\n");
        return 1;
    }
    std::printf("IP stack: primary device on %s, address %s\n", primary.c_str(),
                stack.getIPAddress().c_str());
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
    stack.stop();
    return 0;
}
