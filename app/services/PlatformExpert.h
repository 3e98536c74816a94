// Creates the platform's service objects.
#pragma once

namespace rx_fwk {

class cmd_Firmware;

class PlatformExpertBase {
public:
    virtual void createServices() = 0;
    // Adds the platform's firmware targets to the firmware command's map.
    virtual void registerFirmwareTargets(cmd_Firmware& firmware) = 0;

protected:
    ~PlatformExpertBase() = default;
};

class PlatformExpert final : public PlatformExpertBase {
public:
    static PlatformExpert& instance();

    // Makes sure the command server and the file-system service exist.
    void createServices() override;
    // The desktop PC has no firmware targets.
    void registerFirmwareTargets(cmd_Firmware&) override {}

private:
    PlatformExpert() = default;
};

}  // namespace rx_fwk
