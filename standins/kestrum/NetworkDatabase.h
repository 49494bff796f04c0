// The simulated network's database: one SQLite file holding the network interfaces, the
// host's domains and the devices with their NVs, CPs and blocks. The control loads it whole
// on open and writes back the changes the program makes, one row at a time.
#pragma once

#include "standins/kestrum/SimModel.h"

#include <array>
#include <memory>
#include <string>

struct sqlite3;

namespace kestrum::sim {

// One change to keep in the database.
struct DbWrite {
  enum Kind {
    NvDescription,
    NvCacheTimeout,
    NvAlwaysUseCache,
    NvMonitored,
    NvFieldTypes,
    CpDescription,
    CpCacheTimeout,
    CpFieldTypes,
    NodeActive,
    NodeNeuronId,
    NodeUploaded,
    NodeDelete,
    HostDomain,
  };
  DbWrite(Kind k, LONG row, LONG value = 0, std::wstring t = {}, SimDomain d = {})
      : kind(k), rowId(row), number(value), text(std::move(t)), domain(std::move(d)) {}

  Kind kind;
  LONG rowId = 0;  // the NV, CP or node row; the domain index for HostDomain
  LONG number = 0;
  std::wstring text;
  SimDomain domain;
};

struct NetworkContents {
  std::vector<SimInterface> interfaces;
  std::array<SimDomain, 2> hostDomains;
  std::vector<std::shared_ptr<SimNode>> nodes;  // in database order, uploaded or not
};

class CNetworkDatabase {
 public:
  ~CNetworkDatabase();
  CNetworkDatabase(const CNetworkDatabase&) = delete;
  CNetworkDatabase& operator=(const CNetworkDatabase&) = delete;

  // A new, empty database file; false (with the reason) when the file exists already or
  // cannot be written.
  static bool Create(const std::wstring& path, std::wstring* error);
  // An existing database; null (with the reason) when the file is missing or not one.
  static std::unique_ptr<CNetworkDatabase> Open(const std::wstring& path, std::wstring* error);

  bool Load(NetworkContents* out, std::wstring* error);
  // false when the row could not be written (the reason is kept in LastError).
  bool Apply(const DbWrite& write);
  const std::wstring& LastError() const { return m_lastError; }

  // For the generator: whole records, best inside one transaction.
  bool Begin();
  bool Commit();
  bool InsertInterface(const SimInterface& item);
  bool InsertHostDomain(int index, const SimDomain& domain);
  // Writes the node with everything below it and sets the row ids of all its records.
  bool InsertNode(SimNode& node);

  static std::wstring FieldTypesText(const std::vector<VARTYPE>& types);
  static std::vector<VARTYPE> FieldTypesFromText(const std::wstring& text);

 private:
  explicit CNetworkDatabase(sqlite3* db) : m_db(db) {}
  bool Exec(const char* sql);
  bool InsertPoint(const SimPoint& point, LONG nodeRow, LONG nvRow, LONG blockRow, LONG* row);

  sqlite3* m_db;
  std::wstring m_lastError;
};

}  // namespace kestrum::sim
