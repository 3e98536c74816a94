// firmware: the request, the image over the side connection, then the reply.
#include <cstdio>
#include <iostream>
#include <memory>

#include "tools/tesselcfg/FirmwareUpload.h"
#include "tools/tesselcfg/NumberText.h"
#include "tools/tesselcfg/Requests.h"
#include "tools/tesselcfg/commands/Report.h"

namespace tesselcfg {
namespace {

// The controller waits this long for the side connection, and for each piece of the image.
constexpr auto kConnectWindow = std::chrono::seconds(20);
constexpr auto kStall = std::chrono::seconds(35);
// A firmware target may take long to finish (writing flash) before the reply comes.
constexpr auto kFinishWait = std::chrono::seconds(60);

struct FirmwareArguments {
    std::string file;
    std::string key;
    std::string begin = "0";
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

int runFirmware(Session& session, const MacAddress& mac, const FirmwareArguments& args) {
    const auto key = parseUnsigned(args.key, 0xFFFFFFFFu);
    const auto begin = parseUnsigned(args.begin, 0xFFFF);
    if (!key || !begin) {
        return usageError(!key ? "not a 32-bit target key: " + args.key
                               : "not a 16-bit begin argument: " + args.begin);
    }
    std::unique_ptr<std::FILE, FileCloser> image(std::fopen(args.file.c_str(), "rb"));
    if (!image) {
        return usageError("cannot read " + args.file);
    }
    std::fseek(image.get(), 0, SEEK_END);
    const long size = std::ftell(image.get());
    std::fseek(image.get(), 0, SEEK_SET);
    if (size < 0 || static_cast<unsigned long>(size) > 0xFFFFFFFFul) {
        return usageError(args.file + " is not an image of at most 4 GiB");
    }
    // The header names the controller's target code; the side connection needs its address.
    auto ping = session.ask(makeRequest(rx_fwk::CmdPing, mac));
    if (!ping) {
        return noAnswer("the ping");
    }
    if (ping->packet.command != rx_fwk::ACK) {
        return refused(session.options(), rx_fwk::CmdPing, ping->packet);
    }
    const Controller controller = decodePing(ping->packet);
    const std::string address =
        session.options().tcpAddress.empty() ? controller.ip : session.options().tcpAddress;
    rx_fwk::FirmwareHeader header{};
    header.targetCode = controller.targetCode;
    header.beginArgument = static_cast<std::uint16_t>(*begin);
    header.targetKey = static_cast<std::uint32_t>(*key);
    header.imageLength = static_cast<std::uint32_t>(size);

    // Sent once: a second request would hold the controller for another side connection.
    session.send(makeFirmwareRequest(mac), Transport::Repeat::Never);
    const UploadResult sent =
        uploadFirmware(address, header, image.get(), Clock::now() + kConnectWindow, kStall);
    if (sent == UploadResult::NotConnected) {
        std::cerr << "tesselcfg: could not connect to " << address << " port "
                  << rx_fwk::kFirmwareTcpPort << " for the transfer\n";
    }
    const auto wait = sent == UploadResult::Sent
                          ? std::max(session.deadline(), Clock::now() + kFinishWait)
                          : session.deadline();
    return outcome(session.options(), rx_fwk::CmdFirmware, session.awaitReply(mac, wait),
                   "the firmware transfer", "Firmware accepted: " + std::to_string(size) + " bytes",
                   {{"bytes", size}, {"key", *key}, {"begin", *begin}});
}

void setUp(CommandTable& table) {
    auto args = std::make_shared<FirmwareArguments>();
    CLI::App* firmware =
        table.add("firmware", "Send a firmware image to one of the controller's firmware targets",
                  CommandTable::Addressed::ByMac,
                  [args](Session& s, const MacAddress& mac) { return runFirmware(s, mac, *args); });
    firmware->add_option("file", args->file, "Image file")->required();
    firmware->add_option("--key", args->key, "Firmware target key")->required();
    firmware->add_option("--begin", args->begin, "Argument for the target's begin")
        ->capture_default_str();
}

const CommandGroup kGroup(50, setUp);

}  // namespace
}  // namespace tesselcfg
