-- Wireshark dissector for the Lifeboat controller's protocols:
--   the 184-byte command packet on UDP 44515 and, behind a 4-byte length word, TCP 44516;
--   the host notification after an install reboot on UDP 44517;
--   the firmware side connection on TCP 44515 (a 16-byte header, then the image).
-- Install it in a Wireshark plugin folder or load it with: tshark -X lua_script:lifeboat.lua
--
-- Replies rewrite the request in place and carry ACK, NAK or QueryCapsReply where the
-- request had its command, so a reply is decoded by the request it answers: the latest
-- request from the same host port (UDP) or on the same connection (TCP).

local PACKET_SIZE = 184
local UDP_PORT = 44515
local TCP_PORT = 44516
local NOTIFY_PORT = 44517
local FIRMWARE_PORT = 44515
local MAGIC = 0x4544 -- "ED"
local VERSION = 2
local ACK, NAK, CAPS_REPLY = 0x08, 0x09, 0x21
local FIRST_EXTENSION = 0xF0
local EXTENSION_COUNT = 15

local command_names = {
    [0x01] = "Ping", [0x03] = "IpConfig", [0x04] = "Confirm", [0x05] = "Lock",
    [0x06] = "Unlock", [0x07] = "Preset", [0x08] = "ACK", [0x09] = "NAK", [0x0A] = "Reset",
    [0x0F] = "Firmware", [0x1E] = "MacAddr", [0x1F] = "Serial", [0x20] = "QueryCaps",
    [0x21] = "QueryCapsReply",
}

local extension_names = {
    [1] = "Chmod", [2] = "MainExe", [3] = "SpQuery", [4] = "SpConfig", [5] = "Extension 5",
    [6] = "AdvancedEnet", [7] = "QueryAttrs",
}

-- Extension code -> identifier. The fixed codes, and the allocated ones as this system
-- allocates them; QueryCaps replies in the capture correct the allocated ones.
local default_extensions = {
    [0xF0] = 1, [0xF1] = 2, [0xF2] = 3, [0xF3] = 4, [0xF4] = 7, [0xF5] = 6,
}
local extension_at = {}

local status_names = {
    [0] = "StatusUnsupported", [1] = "StatusAccessDenied", [2] = "StatusBusy",
    [3] = "StatusInstallRefused", [5] = "StatusFailed", [6] = "StatusMismatch",
}

-- Commands that refuse without a status of their own: the NAK carries the request's.
local status_echoed = { Firmware = true, MacAddr = true, Serial = true }

local comment_formats = {
    [512] = "default", [1200] = "UTF-16LE", [1201] = "UTF-16BE", [1252] = "Windows-1252",
    [20127] = "US-ASCII", [28591] = "ISO-8859-1", [65001] = "UTF-8",
}

local enet_subcommands = {
    [0] = "Device count", [1] = "Device MAC address", [2] = "Get primary MAC address",
    [3] = "Set primary MAC address", [4] = "Get device settings", [5] = "Set device settings",
    [6] = "Device capabilities", [7] = "Get media and operation mode",
    [8] = "Set media and operation mode", [9] = "Get stack limits", [10] = "Set stack limits",
}

local device_modes = { [1] = "Disabled", [2] = "TCP/IP", [4] = "Deterministic" }
local operation_modes = { [1] = "Interrupt", [2] = "Polled" }
local media_bits = {
    { 0x01, "auto" }, { 0x02, "10half" }, { 0x04, "10full" }, { 0x08, "100half" },
    { 0x10, "100full" }, { 0x20, "1000half" }, { 0x40, "1000full" },
}

local function command_name(code)
    local identifier = extension_at[code]
    if identifier then
        return extension_names[identifier] or string.format("Extension %d", identifier)
    end
    return command_names[code] or string.format("Unknown 0x%02X", code)
end

---------------------------------------------------------------------------------------------
-- The command packet
---------------------------------------------------------------------------------------------

local lifeboat = Proto("lifeboat", "Lifeboat Configuration Command")

local f = {
    magic = ProtoField.uint16("lifeboat.magic", "Magic", base.HEX),
    command = ProtoField.uint8("lifeboat.command", "Command", base.HEX),
    command_name = ProtoField.string("lifeboat.command_name", "Command name"),
    response = ProtoField.bool("lifeboat.response", "Response"),
    request_code = ProtoField.uint8("lifeboat.request_code", "Request command", base.HEX),
    request_name = ProtoField.string("lifeboat.request_name", "Request command name"),
    request_in = ProtoField.framenum("lifeboat.request_in", "Request in frame", base.NONE,
        frametype.REQUEST),
    response_in = ProtoField.framenum("lifeboat.response_in", "Response in frame", base.NONE,
        frametype.RESPONSE),
    flags = ProtoField.uint16("lifeboat.flags", "Flags", base.HEX),
    version = ProtoField.uint8("lifeboat.version", "Version"),
    target_code = ProtoField.uint16("lifeboat.target_code", "Target code", base.HEX),
    secondary_code = ProtoField.uint16("lifeboat.secondary_code", "Secondary target code",
        base.HEX),
    serial = ProtoField.uint32("lifeboat.serial", "Serial number"),
    mac = ProtoField.ether("lifeboat.mac", "MAC address"),
    reserved = ProtoField.bytes("lifeboat.reserved", "Reserved"),
    text1 = ProtoField.bytes("lifeboat.text1", "Text 1"),
    text2 = ProtoField.bytes("lifeboat.text2", "Text 2"),
    data = ProtoField.bytes("lifeboat.data", "Data"),
    comment_format = ProtoField.uint16("lifeboat.comment_format", "Comment format", base.DEC,
        comment_formats),
    ip = ProtoField.ipv4("lifeboat.ip", "IP address"),
    mask = ProtoField.ipv4("lifeboat.mask", "Subnet mask"),
    dns = ProtoField.ipv4("lifeboat.dns", "DNS server"),
    gateway = ProtoField.ipv4("lifeboat.gateway", "Gateway"),
    status = ProtoField.uint32("lifeboat.status", "Status"),
    status_name = ProtoField.string("lifeboat.status_name", "NAK status"),
    extra = ProtoField.uint32("lifeboat.extra", "Extra"),
    tail = ProtoField.bytes("lifeboat.tail", "Tail"),

    -- Ping reply
    ping_locked = ProtoField.bool("lifeboat.ping.locked", "Root password set", 16, nil, 0x0001),
    ping_ip_configured = ProtoField.bool("lifeboat.ping.ip_configured", "IP settings stored",
        16, nil, 0x0002),
    ping_dhcp = ProtoField.bool("lifeboat.ping.dhcp", "DHCP", 16, nil, 0x0008),
    ping_static = ProtoField.bool("lifeboat.ping.static", "Static address", 16, nil, 0x0010),
    target_type = ProtoField.string("lifeboat.ping.target_type", "Target type"),
    host_name = ProtoField.string("lifeboat.host_name", "Host name"),
    comment = ProtoField.string("lifeboat.comment", "Comment"),
    pair_first = ProtoField.uint32("lifeboat.pair.first", "Platform pair, first", base.HEX),
    pair_second = ProtoField.uint32("lifeboat.pair.second", "Platform pair, second", base.HEX),

    -- IpConfig request
    ipconfig_static = ProtoField.bool("lifeboat.ipconfig.static", "Static address (else DHCP)",
        16, nil, 0x0010),
    ipconfig_keep = ProtoField.bool("lifeboat.ipconfig.keep_ip", "Leave IP settings alone", 16,
        nil, 0x0080),

    -- SpQuery reply, SpConfig request
    sp_halt = ProtoField.bool("lifeboat.sp.halt_on_error", "Halt on error", 16, nil, 0x0001),
    sp_protect = ProtoField.bool("lifeboat.sp.protect_reboot", "Reboot protected", 16, nil,
        0x0002),
    state = ProtoField.string("lifeboat.state", "System state"),

    -- Password words (Lock, Unlock, protected Reset)
    hash1 = ProtoField.uint64("lifeboat.password.hash", "Password hash", base.HEX),
    hash2 = ProtoField.uint64("lifeboat.password.hash_copy", "Password hash copy", base.HEX),
    install = ProtoField.bool("lifeboat.reset.install", "Install reboot"),

    -- QueryCaps reply
    caps_entry = ProtoField.uint32("lifeboat.caps.identifier", "Extension identifier",
        base.DEC, extension_names),
    caps_code = ProtoField.uint8("lifeboat.caps.code", "Extension code", base.HEX),

    -- QueryAttrs
    attr_name = ProtoField.string("lifeboat.attr.name", "Attribute name"),
    attr_value = ProtoField.string("lifeboat.attr.value", "Attribute value"),

    -- Chmod, MainExe
    path = ProtoField.string("lifeboat.path", "Path"),
    read_only = ProtoField.bool("lifeboat.chmod.read_only", "Read-only"),

    -- MacAddr, Serial
    access_code = ProtoField.string("lifeboat.access_code", "Access code"),
    new_mac = ProtoField.ether("lifeboat.macaddr.new", "New MAC address"),

    -- AdvancedEnet
    enet_sub = ProtoField.uint32("lifeboat.enet.subcommand", "Sub-command", base.DEC,
        enet_subcommands),
    enet_count = ProtoField.uint32("lifeboat.enet.device_count", "Device count"),
    enet_index = ProtoField.uint32("lifeboat.enet.device_index", "Device index"),
    enet_mac = ProtoField.ether("lifeboat.enet.mac", "Device MAC address"),
    enet_mode = ProtoField.uint32("lifeboat.enet.device_mode", "Device mode", base.DEC,
        device_modes),
    enet_ip = ProtoField.ipv4("lifeboat.enet.ip", "IP address"),
    enet_mask = ProtoField.ipv4("lifeboat.enet.mask", "Subnet mask"),
    enet_modes = ProtoField.uint32("lifeboat.enet.device_modes", "Supported device modes",
        base.HEX),
    enet_media_modes = ProtoField.uint32("lifeboat.enet.media_modes", "Supported media modes",
        base.HEX),
    enet_default_media = ProtoField.uint32("lifeboat.enet.default_media", "Default media mode",
        base.HEX),
    enet_media = ProtoField.uint32("lifeboat.enet.media_mode", "Media mode", base.HEX),
    enet_operation = ProtoField.uint32("lifeboat.enet.operation_mode", "Operation mode",
        base.DEC, operation_modes),
    enet_polling = ProtoField.uint32("lifeboat.enet.polling_interval", "Polling interval"),
    enet_sockets = ProtoField.uint32("lifeboat.enet.max_sockets", "Maximum sockets"),
    enet_ttl = ProtoField.uint32("lifeboat.enet.ttl", "TTL"),
}
local field_list = {}
for _, field in pairs(f) do
    table.insert(field_list, field)
end
lifeboat.fields = field_list

local e = {
    short = ProtoExpert.new("lifeboat.short", "Packet is not 184 bytes", expert.group.MALFORMED,
        expert.severity.ERROR),
    magic = ProtoExpert.new("lifeboat.bad_magic", "Wrong magic", expert.group.PROTOCOL,
        expert.severity.WARN),
    version = ProtoExpert.new("lifeboat.bad_version", "Unsupported version",
        expert.group.PROTOCOL, expert.severity.WARN),
    zero_mac = ProtoExpert.new("lifeboat.zero_mac", "All-zero MAC address outside a Ping",
        expert.group.PROTOCOL, expert.severity.WARN),
    unknown = ProtoExpert.new("lifeboat.unknown_command", "Command without a handler",
        expert.group.PROTOCOL, expert.severity.NOTE),
    nak = ProtoExpert.new("lifeboat.nak", "Request refused", expert.group.RESPONSE_CODE,
        expert.severity.NOTE),
    hash_mismatch = ProtoExpert.new("lifeboat.password.mismatch",
        "The two copies of the password hash differ", expert.group.PROTOCOL,
        expert.severity.WARN),
    enet_range = ProtoExpert.new("lifeboat.enet.out_of_range", "Sub-command out of range",
        expert.group.PROTOCOL, expert.severity.WARN),
    comment_long = ProtoExpert.new("lifeboat.comment.unterminated",
        "Text fills its area without a terminating zero", expert.group.PROTOCOL,
        expert.severity.CHAT),
}
lifeboat.experts = { e.short, e.magic, e.version, e.zero_mac, e.unknown, e.nak,
    e.hash_mismatch, e.enet_range, e.comment_long }

-- Request tracking: the pending request per conversation while reading in order, and what
-- was found, per frame, for later passes.
local pending = {}
local answered_by = {} -- reply -> { code, frame, here, extra } of its request
local answers = {} -- request -> frame of its first reply
local announced = {} -- firmware side connection (tcp stream) -> image length

-- A new capture (or a new reading of this one) starts from nothing learnt.
local function forget()
    pending, answered_by, answers, announced = {}, {}, {}, {}
    extension_at = {}
    for code, identifier in pairs(default_extensions) do
        extension_at[code] = identifier
    end
end
forget()
lifeboat.init = forget

local f_tcp_stream = Field.new("tcp.stream")

local function conversation_key(pinfo, is_response, over_tcp)
    if over_tcp then
        local stream = f_tcp_stream()
        return "tcp:" .. tostring(stream and stream.value or "?")
    end
    local host_port = is_response and pinfo.dst_port or pinfo.src_port
    return "udp:" .. tostring(host_port)
end

-- Length of the text at the start of `range`, up to its first zero byte.
local function text_length(range)
    local bytes = range:bytes()
    for i = 0, bytes:len() - 1 do
        if bytes:get_index(i) == 0 then
            return i
        end
    end
    return bytes:len()
end

-- Adds a zero-terminated text of a fixed area; answers the text.
local function add_text(tree, field, tvb, offset, size, encoding)
    local range = tvb(offset, size)
    local n = text_length(range)
    local text = n > 0 and tvb(offset, n):string(encoding or ENC_ISO_8859_1) or ""
    local item = tree:add(field, range, text)
    if n == size then
        item:add_proto_expert_info(e.comment_long)
    end
    return text
end

local function add_comment(tree, tvb, format)
    local offset, size = 92, 64
    if format == 1200 or format == 1201 then
        local n = 0
        while n + 1 < size and (tvb(offset + n, 1):uint() ~= 0 or tvb(offset + n + 1, 1):uint() ~= 0) do
            n = n + 2
        end
        local text = ""
        if n > 0 then
            text = format == 1200 and tvb(offset, n):le_ustring() or tvb(offset, n):ustring()
        end
        tree:add(f.comment, tvb(offset, size), text)
        return text
    end
    local encoding = format == 65001 and ENC_UTF_8 or ENC_ISO_8859_1
    return add_text(tree, f.comment, tvb, offset, size, encoding)
end

local function add_flag_bits(item, tvb, fields)
    for _, field in ipairs(fields) do
        item:add(field, tvb(3, 2))
    end
end

local function add_password_words(tree, tvb)
    tree:add(f.hash1, tvb(158, 8))
    tree:add(f.hash2, tvb(166, 8))
    if tvb(158, 8):uint64() ~= tvb(166, 8):uint64() then
        tree:add_proto_expert_info(e.hash_mismatch)
    end
end

local function media_text(value)
    local names = {}
    for _, bit in ipairs(media_bits) do
        if value % (bit[1] * 2) >= bit[1] then
            table.insert(names, bit[2])
        end
    end
    return #names > 0 and table.concat(names, ", ") or "none"
end

local function add_media(tree, field, tvb, offset)
    local value = tvb(offset, 4):uint()
    tree:add(field, tvb(offset, 4)):append_text(" (" .. media_text(value) .. ")")
end

-- AdvancedEnet payload from packet offset 32, network order: inputs of the request, and on
-- a reply the outputs too.
local function add_enet(tree, tvb, sub, is_response)
    local t = tree:add(tvb(32, 20), "AdvancedEnet payload")
    local function out(fn)
        if is_response then
            fn()
        end
    end
    if sub == 0 then
        out(function() t:add(f.enet_count, tvb(32, 4)) end)
    elseif sub == 1 then
        t:add(f.enet_index, tvb(32, 4))
        out(function() t:add(f.enet_mac, tvb(36, 6)) end)
    elseif sub == 2 then
        out(function() t:add(f.enet_mac, tvb(32, 6)) end)
    elseif sub == 3 then
        t:add(f.enet_mac, tvb(32, 6))
    elseif sub == 4 or sub == 5 then
        t:add(f.enet_mac, tvb(32, 6))
        if sub == 5 or is_response then
            t:add(f.enet_mode, tvb(40, 4))
            t:add(f.enet_ip, tvb(44, 4))
            t:add(f.enet_mask, tvb(48, 4))
        end
    elseif sub == 6 then
        t:add(f.enet_mac, tvb(32, 6))
        out(function()
            local modes = tvb(40, 4):uint()
            local names = {}
            for bit, name in pairs(device_modes) do
                if modes % (bit * 2) >= bit then
                    table.insert(names, name)
                end
            end
            table.sort(names)
            t:add(f.enet_modes, tvb(40, 4)):append_text(" (" .. table.concat(names, ", ") .. ")")
            add_media(t, f.enet_media_modes, tvb, 44)
            add_media(t, f.enet_default_media, tvb, 48)
        end)
    elseif sub == 7 or sub == 8 then
        t:add(f.enet_mac, tvb(32, 6))
        if sub == 8 or is_response then
            add_media(t, f.enet_media, tvb, 40)
            t:add(f.enet_operation, tvb(44, 4))
            t:add(f.enet_polling, tvb(48, 4))
        end
    elseif sub == 9 or sub == 10 then
        if sub == 10 or is_response then
            t:add(f.enet_sockets, tvb(32, 4))
            t:add(f.enet_ttl, tvb(36, 4))
        end
    end
end

-- What the command's fields mean; answers a short text for the Info column.
local function add_meaning(tree, flags, tvb, kind, reply_code, is_response, extra)
    local t = tree:add(tvb(0, PACKET_SIZE), kind .. (is_response and " reply" or " request"))
    local ok = reply_code == ACK or reply_code == CAPS_REPLY
    local info = ""
    if kind == "Ping" and is_response and ok then
        add_flag_bits(flags, tvb, { f.ping_locked, f.ping_ip_configured, f.ping_dhcp,
            f.ping_static })
        local target_type = add_text(t, f.target_type, tvb, 28, 32)
        local host = add_text(t, f.host_name, tvb, 60, 32)
        add_comment(t, tvb, tvb(156, 2):uint())
        t:add(f.pair_first, tvb(174, 4))
        t:add(f.pair_second, tvb(178, 4))
        info = string.format(" %s %s \"%s\"", tostring(tvb(14, 6):ether()),
            tostring(tvb(158, 4):ipv4()), host ~= "" and host or target_type)
    elseif kind == "IpConfig" and not is_response then
        add_flag_bits(flags, tvb, { f.ipconfig_static, f.ipconfig_keep })
        info = " \"" .. add_text(t, f.host_name, tvb, 60, 32) .. "\""
        add_comment(t, tvb, tvb(156, 2):uint())
        t:add(f.pair_first, tvb(174, 4))
        t:add(f.pair_second, tvb(178, 4))
    elseif (kind == "Lock" or kind == "Unlock" or kind == "Reset") and not is_response then
        add_password_words(t, tvb)
        if kind == "Reset" then
            t:add(f.install, tvb(174, 4), tvb(174, 4):uint() == 2)
        end
    elseif kind == "SpQuery" and is_response and ok then
        add_flag_bits(flags, tvb, { f.sp_halt, f.sp_protect })
        info = " \"" .. add_text(t, f.state, tvb, 28, 96) .. "\""
    elseif kind == "SpConfig" and not is_response then
        add_flag_bits(flags, tvb, { f.sp_halt, f.sp_protect })
    elseif kind == "QueryCaps" and is_response and reply_code == CAPS_REPLY then
        local list = t:add(tvb(92, 60), "Extension identifiers")
        for i = 0, EXTENSION_COUNT - 1 do
            local range = tvb(92 + 4 * i, 4)
            local identifier = range:uint()
            local code = FIRST_EXTENSION + i
            local item = list:add(f.caps_entry, range)
            item:prepend_text(string.format("0x%02X: ", code))
            if identifier ~= 0 then
                item:add(f.caps_code, range, code)
                extension_at[code] = identifier
            end
        end
    elseif kind == "QueryAttrs" then
        info = " " .. add_text(t, f.attr_name, tvb, 28, 64)
        if is_response and ok then
            info = info .. " = " .. add_text(t, f.attr_value, tvb, 92, 64)
        end
    elseif kind == "Chmod" and not is_response then
        info = " " .. add_text(t, f.path, tvb, 28, 128)
        t:add(f.read_only, tvb(174, 4), tvb(174, 4):uint() == 1)
    elseif kind == "MainExe" and not is_response then
        info = " " .. add_text(t, f.path, tvb, 28, 128)
    elseif kind == "MacAddr" and not is_response then
        t:add(f.access_code, tvb(92, 24), tvb(92, 24):string())
        t:add(f.new_mac, tvb(60, 6))
    elseif kind == "Serial" and not is_response then
        t:add(f.access_code, tvb(92, 26), tvb(92, 26):string())
    elseif kind == "AdvancedEnet" then
        local item = t:add(f.enet_sub, tvb(178, 4))
        if extra > 10 then
            item:add_proto_expert_info(e.enet_range)
        else
            add_enet(t, tvb, extra, is_response and ok)
            info = " " .. enet_subcommands[extra]
        end
    end
    return info
end

local function dissect_packet(tvb, pinfo, tree, over_tcp)
    local length = tvb:len()
    pinfo.cols.protocol = "LIFEBOAT"
    local root = tree:add(lifeboat, tvb(), "Lifeboat Configuration Command")
    if length ~= PACKET_SIZE then
        root:add_proto_expert_info(e.short, string.format(
            "Packet is %d bytes, not %d: the controller drops it", length, PACKET_SIZE))
        pinfo.cols.info = string.format("Malformed command packet (%d bytes)", length)
        if length >= 3 then
            root:add(f.magic, tvb(0, 2))
            root:add(f.command, tvb(2, 1))
        end
        return
    end

    local local_port = over_tcp and TCP_PORT or UDP_PORT
    local is_response = pinfo.src_port == local_port and pinfo.dst_port ~= local_port
    local code = tvb(2, 1):uint()
    local extra = tvb(178, 4):uint()

    local magic_item = root:add(f.magic, tvb(0, 2))
    local magic_ok = tvb(0, 2):uint() == MAGIC
    if not magic_ok then
        magic_item:add_proto_expert_info(e.magic, string.format(
            "Wrong magic 0x%04X (0x4544 \"ED\" expected): the controller drops it",
            tvb(0, 2):uint()))
    end
    root:add(f.command, tvb(2, 1)):append_text(" (" .. command_name(code) .. ")")
    root:add(f.command_name, tvb(2, 1), command_name(code))
    root:add(f.response, is_response):set_generated()

    -- Which request this answers (a reply) or which reply answered it (a request).
    local request_code = code
    local request_frame
    local key = conversation_key(pinfo, is_response, over_tcp)
    -- A TCP segment may carry several packets: each one is known by frame and offset.
    local here = pinfo.number .. ":" .. tvb:offset()
    if not pinfo.visited then
        if is_response then
            local request = pending[key]
            if request then
                answered_by[here] = request
                answers[request.here] = answers[request.here] or pinfo.number
            end
        elseif code ~= ACK and code ~= NAK then
            pending[key] = { code = code, frame = pinfo.number, here = here, extra = extra }
        end
    end
    local request = is_response and answered_by[here] or nil
    if is_response then
        if request then
            request_code = request.code
            request_frame = request.frame
            root:add(f.request_in, request.frame):set_generated()
        else
            request_code = nil
        end
    elseif answers[here] then
        root:add(f.response_in, answers[here]):set_generated()
    end
    if request_code then
        root:add(f.request_code, request_code):set_generated()
        root:add(f.request_name, command_name(request_code)):set_generated()
    end

    local flags_item = root:add(f.flags, tvb(3, 2))
    local version_item = root:add(f.version, tvb(5, 1))
    if tvb(5, 1):uint() ~= VERSION then
        version_item:add_proto_expert_info(e.version, string.format(
            "Version %d: only %d is accepted, the controller drops it", tvb(5, 1):uint(),
            VERSION))
    end
    root:add(f.target_code, tvb(6, 2))
    root:add(f.secondary_code, tvb(8, 2))
    root:add(f.serial, tvb(10, 4))
    local mac_item = root:add(f.mac, tvb(14, 6))
    if not is_response and code ~= 0x01 and tvb(14, 6):bytes():tohex() == "000000000000" then
        mac_item:add_proto_expert_info(e.zero_mac,
            "All-zero MAC address outside a Ping: the controller drops it")
    end
    root:add(f.reserved, tvb(20, 8))
    root:add(f.text1, tvb(28, 32))
    root:add(f.text2, tvb(60, 32))
    root:add(f.data, tvb(92, 64))
    root:add(f.comment_format, tvb(156, 2))
    root:add(f.ip, tvb(158, 4))
    root:add(f.mask, tvb(162, 4))
    root:add(f.dns, tvb(166, 4))
    root:add(f.gateway, tvb(170, 4))
    local status_item = root:add(f.status, tvb(174, 4))
    root:add(f.extra, tvb(178, 4))
    root:add(f.tail, tvb(182, 2))

    local summary
    if is_response then
        local what = request_code and command_name(request_code) or "unknown request"
        if code == NAK then
            local status = tvb(174, 4):uint()
            local name = status_names[status] or string.format("status %d", status)
            if request_code and status_echoed[command_name(request_code)] then
                name = "Refused"
                status_item:append_text(" (the request's, unchanged)")
            end
            status_item:append_text(" (" .. name .. ")")
            root:add(f.status_name, tvb(174, 4), name)
            status_item:add_proto_expert_info(e.nak, "NAK: " .. name)
            summary = string.format("NAK to %s: %s", what, name)
        else
            summary = string.format("%s to %s", command_name(code), what)
        end
    else
        if not command_names[code] and not extension_at[code] then
            root:add_proto_expert_info(e.unknown, string.format(
                "Command 0x%02X has no handler: answered with NAK StatusUnsupported", code))
        end
        summary = command_name(code) .. " request"
    end
    if request_code and magic_ok then
        local extra_for = request and request.extra or extra
        summary = summary .. add_meaning(root, flags_item, tvb, command_name(request_code), code,
            is_response, extra_for)
    end
    if request_frame then
        summary = summary .. string.format(" (request in %d)", request_frame)
    end
    if not magic_ok then
        summary = summary .. " [wrong magic]"
    elseif tvb(5, 1):uint() ~= VERSION then
        summary = summary .. string.format(" [version %d]", tvb(5, 1):uint())
    end
    pinfo.cols.info = summary
end

lifeboat.dissector = function(tvb, pinfo, tree)
    dissect_packet(tvb, pinfo, tree, false)
    return tvb:len()
end

---------------------------------------------------------------------------------------------
-- TCP framing: a 4-byte length word in network order before each packet
---------------------------------------------------------------------------------------------

local framing = Proto("lifeboat_tcp", "Lifeboat Command over TCP")
local f_length = ProtoField.uint32("lifeboat_tcp.length", "Packet length")
framing.fields = { f_length }
local e_length = ProtoExpert.new("lifeboat_tcp.bad_length", "Bad packet length",
    expert.group.MALFORMED, expert.severity.ERROR)
framing.experts = { e_length }

framing.dissector = function(tvb, pinfo, tree)
    local offset = 0
    local total = tvb:len()
    while offset < total do
        local remaining = total - offset
        if remaining < 4 then
            pinfo.desegment_offset = offset
            pinfo.desegment_len = DESEGMENT_ONE_MORE_SEGMENT
            return total
        end
        local length = tvb(offset, 4):uint()
        if length == 0 or length > PACKET_SIZE then
            -- The controller ends the connection here; what follows is not framed.
            local t = tree:add(framing, tvb(offset), "Lifeboat Command over TCP")
            t:add(f_length, tvb(offset, 4)):add_proto_expert_info(e_length, string.format(
                "Length word %d: the controller accepts 1 to %d and closes the connection",
                length, PACKET_SIZE))
            pinfo.cols.protocol = "LIFEBOAT"
            pinfo.cols.info = string.format("Bad length word %d", length)
            return total
        end
        if remaining < 4 + length then
            pinfo.desegment_offset = offset
            pinfo.desegment_len = 4 + length - remaining
            return total
        end
        local t = tree:add(framing, tvb(offset, 4 + length), "Lifeboat Command over TCP")
        t:add(f_length, tvb(offset, 4))
        dissect_packet(tvb(offset + 4, length):tvb(), pinfo, tree, true)
        offset = offset + 4 + length
    end
    return offset
end

---------------------------------------------------------------------------------------------
-- Host notification after an install reboot: the controller sends its address as dotted
-- text; the host's answer (any content, at most 31 bytes read) ends the retries.
---------------------------------------------------------------------------------------------

local notify = Proto("lifeboat_notify", "Lifeboat Host Notification")
local f_notify_address = ProtoField.string("lifeboat_notify.address", "Controller address")
local f_notify_answer = ProtoField.bytes("lifeboat_notify.answer", "Host answer")
notify.fields = { f_notify_address, f_notify_answer }
local e_notify_long = ProtoExpert.new("lifeboat_notify.long_answer",
    "Answer longer than the 31 bytes the controller reads", expert.group.PROTOCOL,
    expert.severity.NOTE)
notify.experts = { e_notify_long }

local function dotted_address(text)
    local a, b, c, d = text:match("^(%d+)%.(%d+)%.(%d+)%.(%d+)$")
    if not a then
        return false
    end
    for _, part in ipairs({ a, b, c, d }) do
        if #part > 3 or tonumber(part) > 255 then
            return false
        end
    end
    return true
end

notify.dissector = function(tvb, pinfo, tree)
    pinfo.cols.protocol = "LIFEBOAT"
    local t = tree:add(notify, tvb(), "Lifeboat Host Notification")
    local length = tvb:len()
    local text = length > 0 and tvb():raw() or ""
    if dotted_address(text) then
        t:add(f_notify_address, tvb(), text)
        pinfo.cols.info = "Install reboot done, controller at " .. text
    else
        local item = t:add(f_notify_answer, tvb())
        if length > 31 then
            item:add_proto_expert_info(e_notify_long)
        end
        pinfo.cols.info = string.format("Host answer (%d bytes)", length)
    end
    return length
end

---------------------------------------------------------------------------------------------
-- Firmware side connection: from the host, a 16-byte header (network order), then the image
---------------------------------------------------------------------------------------------

local firmware = Proto("lifeboat_fw", "Lifeboat Firmware Transfer")
local fw = {
    target_code = ProtoField.uint16("lifeboat_fw.target_code", "Target code", base.HEX),
    begin_arg = ProtoField.uint16("lifeboat_fw.begin_argument", "Begin argument", base.HEX),
    target_key = ProtoField.uint32("lifeboat_fw.target_key", "Target key", base.HEX),
    unused = ProtoField.uint32("lifeboat_fw.unused", "Unused", base.HEX),
    image_length = ProtoField.uint32("lifeboat_fw.image_length", "Image length"),
    image = ProtoField.bytes("lifeboat_fw.image", "Image data"),
    image_offset = ProtoField.uint32("lifeboat_fw.image_offset", "Image offset"),
    partial = ProtoField.bytes("lifeboat_fw.partial_header", "Part of a header field"),
}
firmware.fields = { fw.target_code, fw.begin_arg, fw.target_key, fw.unused, fw.image_length,
    fw.image, fw.image_offset, fw.partial }
local e_fw_overrun = ProtoExpert.new("lifeboat_fw.overrun", "More image bytes than announced",
    expert.group.PROTOCOL, expert.severity.WARN)
local e_fw_split = ProtoExpert.new("lifeboat_fw.split_header",
    "Header field split across segments", expert.group.SEQUENCE, expert.severity.NOTE)
local e_fw_reverse = ProtoExpert.new("lifeboat_fw.from_controller",
    "Data from the controller on the side connection", expert.group.PROTOCOL,
    expert.severity.WARN)
local e_fw_position = ProtoExpert.new("lifeboat_fw.no_position",
    "Stream position unknown (relative sequence numbers are off)", expert.group.UNDECODED,
    expert.severity.NOTE)
firmware.experts = { e_fw_overrun, e_fw_split, e_fw_reverse, e_fw_position }

local f_tcp_seq = Field.new("tcp.seq")
local header_fields = {
    { 0, 2, fw.target_code }, { 2, 2, fw.begin_arg }, { 4, 4, fw.target_key },
    { 8, 4, fw.unused }, { 12, 4, fw.image_length },
}

firmware.dissector = function(tvb, pinfo, tree)
    pinfo.cols.protocol = "LIFEBOAT"
    local length = tvb:len()
    local t = tree:add(firmware, tvb(), "Lifeboat Firmware Transfer")
    if pinfo.src_port == FIRMWARE_PORT then
        t:add_proto_expert_info(e_fw_reverse)
        pinfo.cols.info = "Firmware side connection: data from the controller"
        return length
    end
    local seq = f_tcp_seq()
    local stream = f_tcp_stream()
    if not seq or not stream or seq.value < 1 then
        t:add_proto_expert_info(e_fw_position)
        t:add(fw.image, tvb())
        return length
    end
    local start = seq.value - 1 -- stream position of this segment's first byte
    local stop = start + length
    local info = {}
    -- Header fields inside this segment, whole or in part.
    for _, h in ipairs(header_fields) do
        local first, size, field = h[1], h[2], h[3]
        local from = math.max(first, start)
        local to = math.min(first + size, stop)
        if from < to then
            if from == first and to == first + size then
                t:add(field, tvb(first - start, size))
                if field == fw.image_length and not pinfo.visited then
                    announced[stream.value] = tvb(first - start, size):uint()
                end
            else
                t:add(fw.partial, tvb(from - start, to - from))
                    :add_proto_expert_info(e_fw_split)
            end
        end
    end
    if start < 16 then
        table.insert(info, "header")
    end
    if stop > 16 then
        local from = math.max(start, 16)
        local item = t:add(fw.image, tvb(from - start, stop - from))
        t:add(fw.image_offset, from - 16):set_generated()
        local total = announced[stream.value]
        if total and stop - 16 > total then
            item:add_proto_expert_info(e_fw_overrun, string.format(
                "Image bytes up to %d, %d announced", stop - 16, total))
        end
        table.insert(info, string.format("image bytes %d-%d%s", from - 16, stop - 17,
            total and (" of " .. total) or ""))
    end
    pinfo.cols.info = "Firmware transfer: " .. table.concat(info, ", ")
    return length
end

DissectorTable.get("udp.port"):add(UDP_PORT, lifeboat)
DissectorTable.get("tcp.port"):add(TCP_PORT, framing)
DissectorTable.get("udp.port"):add(NOTIFY_PORT, notify)
DissectorTable.get("tcp.port"):add(FIRMWARE_PORT, firmware)
