// How commands tell their outcome: text for people, JSON for scripts, and the exit status.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "tools/tesselcfg/ControllerChanges.h"
#include "tools/tesselcfg/Refusal.h"
#include "tools/tesselcfg/Session.h"
#include "tools/tesselcfg/commands/CommandTable.h"

namespace tesselcfg {

void print(const Options& options, const nlohmann::json& json, const std::string& text);

// Exit statuses with their message on standard error.
int noAnswer(const std::string& what);
int usageError(const std::string& message);
int failure(const std::string& message);  // the tool itself refuses (exit 1)

// A NAK: the status named (where the handler set one) and in words.
int refused(const Options& options, std::uint8_t request, const CommandPacket& reply,
            Refusal refusal);
int refused(const Options& options, std::uint8_t request, const CommandPacket& reply);

// The reply to a request that changes something: ACK prints `done` (and `json` with the MAC
// added), NAK and silence their exit statuses.
int outcome(const Options& options, std::uint8_t request, const std::optional<Reply>& reply,
            const std::string& what, const std::string& done, nlohmann::json json = {});
// The same for a step; a step the tool did not send is its refusal (exit 1).
int outcome(const Options& options, const Step& step, const std::string& done,
            nlohmann::json json = {});
// The exit status of a step that did not end in an ACK, with its message.
int stepFailure(const Options& options, const Step& step);

}  // namespace tesselcfg
