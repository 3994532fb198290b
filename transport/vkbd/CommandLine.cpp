#include "vkbd/CommandLine.h"

#include <charconv>
#include <cstdio>

#include "common/SimProtocol.h"
#include "vkbd/ControlClient.h"
#include "vkbd/Hex.h"
#include "vkbd/Keyboard.h"
#include "vkbd/Server.h"
#include "vkbd/StateFile.h"

namespace vkbd {

namespace sim = olvask::sim;

const char kUsage[] =
    R"(olvask-vkbd: a virtual keyboard (USB 0C45:6515) for the sim backend of libolvask.so

Usage:
  olvask-vkbd serve [options]                  run a virtual keyboard in the foreground
  olvask-vkbd [--socket PATH] COMMAND [ARGS]   tell a running one what to do
  olvask-vkbd --help                           this text

The library reaches it with OLVASK_BACKEND=sim and OLVASK_VKBD_SOCKET=PATH.

Options of serve:
  --socket PATH         socket to listen on (default: $OLVASK_VKBD_SOCKET, else
                        $XDG_RUNTIME_DIR/olvask-vkbd.sock)
  --state FILE          file that keeps the keyboard's permanent memory across runs
                        (default: $XDG_STATE_HOME/olvask-vkbd/state)
  --latency MS          delay before every answer, in milliseconds (default 1, one
                        full-speed USB interval)
  --macro-space UNITS   size of the macro area in 128-byte units, 0 to 255 (default: as
                        stored, else 128); configuration byte 11 reports it
  --unplugged           start off the bus
  --reset               start with the factory content, replacing what the state file holds
  --verbose             print every report received (->) and sent (<-) on standard error
  --lenient             record breaches of the command set but carry the reports out as
                        far as the keyboard can (default: strict, a breach is refused)

Commands to a running virtual keyboard:
  status                  show what it is doing
  layer-key               press the layer key (consumer code 0x02FF)
  lighting-changed        report a lighting change made on the keyboard (0x0401)
  play-macro [POSITION]   play the macro at POSITION (default 0) of the macro area: 0x1811,
                          then 0x1810 when its pauses have run out
  stop-macro              stop the playing macro (0x1810)
  unplug                  leave the bus; what was not yet permanent is lost
  plug                    come back on the bus (also after the boot loader)
  leave-bootloader        leave the boot loader, as at the end of a firmware update, and come
                          back on the bus with the permanent memory as it was
  dump MEMORY [--working] [--plain]
                          print a memory in hexadecimal. MEMORY is one of config, params,
                          lighting0, lighting1, lighting2, keymaps, keymap0, keymap1, keymap2,
                          default-layout, keycolours, macros (the macro space), led.
                          --working: working memory, with the writes of an open transfer;
                          without it, the permanent memory. --plain: one line, no offsets
  fault drop N            carry out the next N commands but drop their answers
  fault refuse N          answer the next N commands with status 0xFF, not carrying them out
  fault bad-checksum N    answer the next N commands with status 0xFE, not carrying them out
  fault late MS [N]       send the next N answers (default 1) MS milliseconds late
  fault after N           let N more commands pass untouched by drop, refuse, bad-checksum
                          and late, which then begin with the command after them
  fault vanish-after N [--exit]
                          answer N more commands, then leave the bus at the next one, which is
                          lost (--exit: the process ends instead, leaving its socket behind)
  fault corrupt [N]       let N more writes (default 0) be stored whole, then store the next
                          one with its first data byte inverted, answering as if all went well
  fault clear             cancel the faults not yet used up
  violations              list the breaches of the command set recorded so far, one a line
                          (time, rule, the report's first 16 bytes); nothing when none.
                          Exit code 0 when none, 4 when some were recorded
  violations clear        forget them
  quit                    stop the running virtual keyboard

Memories: configuration 48 bytes (byte 10 active profile, 11 macro space, 16-47 effect
list); parameters 256 bytes (lighting record p at p x 42); key maps 3 x 512 bytes; default
layout 512 bytes (read only); key colours 768 bytes (key-light block p at p x 180); macro
area as large as the macro space. Writes between BeginTransfer and EndTransfer become
permanent at EndTransfer, other writes at once.

The keyboard judges every report a host sends and records each breach as a violation:
  outside-bracket         WriteParams, WriteKeyColours, ReadParams, ReadKeyColours,
                          WriteKeyMap or WriteMacroArea without BeginTransfer before it
  inside-bracket          ReadConfig, WriteConfig, ReadKeyMap, ReadMacroArea or
                          ReadDefaultLayout between BeginTransfer and EndTransfer
  begin-inside-bracket, end-without-begin
                          (the same report sent again after its answer was dropped, late
                          or refused is a retry, not a breach). Brackets are the host's: a
                          BeginTransfer the keyboard refused still opens one
  bracket-left-open       the host that began a transfer went away before ending it; its
                          writes are dropped
  status-not-zero         request byte 7 is not 0
  bad-checksum            bytes 1-2 are not the sum of bytes 3-63 (answered 0xFE)
  length-above-56, outside-memory, crosses-key-map-page (a 512-byte page)
  config-not-whole-block  ReadConfig or WriteConfig not of 48 bytes at position 0
  config-keyboard-bytes-changed
                          WriteConfig changes a byte other than 10, the active profile
  active-profile-above-2
  bytes-past-length       a byte the request's builder leaves zero is not: data bytes of a
                          read, bytes past the length of a single report, bytes 4-63 of
                          BeginTransfer and EndTransfer; in a chunked write the bytes past
                          a short chunk must be those of the chunk before it
  unknown-command, command-report-not-64-bytes
  boot-loader-report      not exactly 04 00 00 EE EE and 59 zeros
  led-report              an LED status report (id 05) not of 2 bytes
  unknown-report-id       an output report with another id
A breach is refused: a command is answered with status 0xFF (0xFE for a bad checksum) and
not carried out, other reports are ignored; --lenient only records. The violations are kept
in the state file with the memories, so that they outlive a restart; --reset clears them.

Exit codes: 0 done; 1 the keyboard refused (the message says why); 2 wrong usage; 3 no
virtual keyboard at the socket; 4 violations were recorded (violations command).
)";

namespace {

bool Number(const std::string& text, long low, long high, long* value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, *value);
    return ec == std::errc() && ptr == end && *value >= low && *value <= high;
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "olvask-vkbd: %s (see olvask-vkbd --help)\n", message.c_str());
    return kExitUsage;
}

int ServeCommand(const std::vector<std::string>& args, const std::string& socket) {
    ServeOptions options;
    options.socketPath = socket;
    options.statePath = DefaultStatePath();
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        long value = 0;
        if (a == "--state" && hasValue) {
            options.statePath = args[++i];
        } else if (a == "--latency" && hasValue) {
            if (!Number(args[++i], 0, 60000, &value))
                return Usage("--latency takes milliseconds from 0 to 60000");
            options.latency = std::chrono::milliseconds(value);
        } else if (a == "--macro-space" && hasValue) {
            if (!Number(args[++i], 0, 255, &value))
                return Usage("--macro-space takes 128-byte units from 0 to 255");
            options.macroUnits = static_cast<uint8_t>(value);
        } else if (a == "--unplugged") {
            options.startUnplugged = true;
        } else if (a == "--reset") {
            options.reset = true;
        } else if (a == "--verbose") {
            options.verbose = true;
        } else if (a == "--lenient") {
            options.lenient = true;
        } else {
            return Usage("serve: unknown option or missing value: " + a);
        }
    }
    return Serve(options);
}

} // namespace

int RunCommandLine(const std::vector<std::string>& all) {
    std::string socket = sim::DefaultSocketPath();
    std::vector<std::string> args;
    bool plain = false;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i] == "--help" || all[i] == "-h") {
            std::fputs(kUsage, stdout);
            return kExitDone;
        }
        if (all[i] == "--socket") {
            if (i + 1 >= all.size())
                return Usage("--socket needs a path");
            socket = all[++i];
        } else if (all[i] == "--plain") {
            plain = true;
        } else {
            args.push_back(all[i]);
        }
    }
    if (args.empty())
        return Usage("no command");
    if (args[0] == "serve")
        return ServeCommand(args, socket);

    const sim::ControlReply reply = SendControl(socket, args);
    if (reply.kind == sim::ReplyKind::Bytes) {
        const std::string text = plain ? ToHex(reply.payload) + "\n" : HexDump(reply.payload);
        std::fputs(text.c_str(), stdout);
    } else {
        const std::string text(reply.payload.begin(), reply.payload.end());
        const bool listing = reply.exitCode == kExitDone || reply.exitCode == kExitViolations;
        std::fputs(text.c_str(), listing ? stdout : stderr);
    }
    return reply.exitCode;
}

} // namespace vkbd
