// opcclient: a command-line OPC client in its own process.
//   opcclient [--host name[:port]] servers
//   opcclient [--host name[:port]] <progid|clsid> <command> [args...]
//   opcclient [--host name[:port]] [<progid|clsid>] -        commands from standard input, one a line
// The server is a ProgID or a CLSID ("{...}"); connecting starts it through LocalServer32 when it
// is not running. Commands: status, browse [tree|flat] [filter], props <id>, group <name> [rate=ms] [deadband=%]
// [active=0|1], add|validate <id> [type], read [cache|device] [id...], write <id> <value> [sync|async],
// refresh [cache|device], watch [seconds], connect <server>, servers, help [command]. Output is tab-separated;
// the exit status is 0 when the last command succeeded, 1 when it failed, 2 for a usage error.
//   opcclient --help | -h | help [command]                    the usage, or what one command does
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "interfaces/opc/rpc/OpcMarshalers.h"
#include "platform/rpc/LocalServer.h"
#include "platform/rpc/RpcRuntime.h"
#include "tools/opcclient/OpcClientSession.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
    if (args.size() == 1) {
      COpcClientSession::PrintUsage(stdout);
      return 0;
    }
    if (COpcClientSession::PrintHelp(stdout, args[1])) return 0;
    std::fprintf(stderr, "opcclient: no such command: %s\n", args[1].c_str());
    COpcClientSession::PrintUsage(stderr);
    return 2;
  }
  std::string host;
  if (!args.empty() && args[0] == "--host") {
    if (args.size() < 2) {
      args.clear();  // a usage error below
    } else {
      host = args[1];
      args.erase(args.begin(), args.begin() + 2);
      if (args.empty()) args.push_back("-");  // commands, and connect among them, from the script
    }
  }
  if (args.empty()) {
    COpcClientSession::PrintUsage(stderr);
    return 2;
  }
  tessaly::rpc::CRpcRuntime rpc;
  tessaly::rpc::RegisterOpcMarshalers();
  bool ok = true;
  {
    COpcClientSession session(stdout);
    session.SetHost(host);
    if (args[0] == "servers") {
      ok = session.Run({"servers"});
    } else {
      bool script = args.back() == "-";
      if (script) args.pop_back();
      if (!args.empty()) ok = session.Run({"connect", args[0]});
      if (ok && !script && args.size() >= 2) ok = session.Run(std::vector<std::string>(args.begin() + 1, args.end()));
      if (script) {
        std::string line;
        while (std::getline(std::cin, line)) {
          if (line.empty() || line[0] == '#') continue;
          ok = session.Run(tessaly::rpc::SplitCommandLine(line));
          std::fflush(stdout);  // whoever reads the pipe sees each answer as it comes
        }
      }
    }
  }
  return ok ? 0 : 1;
}
