// Creates the platform's service objects.
#pragma once

namespace rx_fwk {

class CfgCommand;

class PlatformExpertBase {
public:
    virtual void createServices() = 0;
    // Adds the platform's firmware targets to the firmware command handler.
    virtual void registerFirmwareTargets(CfgCommand* firmwareHandler) = 0;

protected:
    ~PlatformExpertBase() = default;
};

class PlatformExpert final : public PlatformExpertBase {
public:
    static PlatformExpert& instance();

    // Makes sure the command server and the file-system service exist.
    void createServices() override;
    // The desktop PC has no firmware targets.
    void registerFirmwareTargets(CfgCommand*) override {}

private:
    PlatformExpert() = default;
};

}  // namespace rx_fwk
