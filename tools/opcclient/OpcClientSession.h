// One opcclient session: a server, the current group and its items, and the commands that work
// on them. Every command prints tab-separated lines and returns whether it succeeded.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "interfaces/opc/OpcDa.h"
#include "platform/com/ComPtr.h"

class COpcClientSession {
 public:
  explicit COpcClientSession(FILE* out) : m_out(out) {}
  ~COpcClientSession();

  // The machine that connect asks (empty: this one).
  void SetHost(const std::string& host) { m_host = host; }
  // The usage with every command and its arguments; what one command does (false: no such command).
  static void PrintUsage(FILE* out);
  static bool PrintHelp(FILE* out, const std::string& command);
  // Runs one command line; false when it failed (the message is printed).
  bool Run(const std::vector<std::string>& words);

 private:
  struct Item {
    OPCHANDLE server = 0;
    OPCHANDLE client = 0;
    VARTYPE canonical = VT_EMPTY;
  };

  bool Servers();
  bool Connect(const std::string& server);
  bool Status();
  bool Browse(const std::vector<std::string>& args);
  bool Props(const std::vector<std::string>& args);
  bool Group(const std::vector<std::string>& args);
  bool AddOrValidate(const std::vector<std::string>& args, bool validate);
  bool Read(const std::vector<std::string>& args);
  bool Write(const std::vector<std::string>& args);
  bool Refresh(const std::vector<std::string>& args);
  bool Watch(const std::vector<std::string>& args);

  bool Fail(const std::string& what, HRESULT hr);
  bool Fail(const std::string& what);
  // An interface the command needs could not be had: missing when the object has none.
  bool Missing(const std::string& what, const std::string& missing, HRESULT hr);
  bool NeedServer();
  bool NeedGroup();
  std::vector<OPCHANDLE> Handles(const std::vector<std::string>& ids, size_t from, bool* ok);
  std::string NameOf(OPCHANDLE client);

  FILE* m_out;
  std::string m_host;
  CComPtr<IOPCServer> m_server;
  CComPtr<IOPCItemMgt> m_group;
  std::string m_groupName;
  std::map<std::string, Item> m_items;  // by item ID
  OPCHANDLE m_nextClient = 1;
  DWORD m_transaction = 0;
};

// Text helpers shared by the session and its sinks.
std::string HresultText(HRESULT hr);
std::string VariantText(const VARIANT& v);
std::string QualityText(WORD quality);
std::string TimeText(const FILETIME& ft);
