#include "standins/kestrum/NetworkDatabase.h"

#include <algorithm>

#include "platform/win32/TextConv.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <unordered_map>

namespace kestrum::sim {

namespace {

constexpr const char* kFormat = "kestrum-network-1";

const char* const kSchema = R"(
CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT);
CREATE TABLE interface(name TEXT NOT NULL, channel TEXT, port TEXT);
CREATE TABLE host_domain(idx INTEGER PRIMARY KEY, domain_id TEXT, subnet INTEGER, node INTEGER, in_use INTEGER);
CREATE TABLE node(id INTEGER PRIMARY KEY, neuron_id TEXT NOT NULL, program_id TEXT, name TEXT, location TEXT,
  is_router INTEGER, active INTEGER, online INTEGER, inverts INTEGER, uploaded INTEGER,
  domain0 TEXT, subnet0 INTEGER, node0 INTEGER, domain1 TEXT, subnet1 INTEGER, node1 INTEGER, in_use1 INTEGER,
  error_log TEXT, lost INTEGER, missed INTEGER, model TEXT, rcv_full INTEGER, reset_cause TEXT, node_state TEXT,
  timeouts INTEGER, version INTEGER, xmit_errors INTEGER);
CREATE TABLE nv(id INTEGER PRIMARY KEY, node_id INTEGER NOT NULL, idx INTEGER, name TEXT, is_output INTEGER,
  type_name TEXT, description TEXT, cache_timeout INTEGER, always_cache INTEGER, monitored INTEGER,
  field_types TEXT, value BLOB, behaviour INTEGER, step REAL, low REAL, high REAL);
CREATE TABLE block(id INTEGER PRIMARY KEY, node_id INTEGER NOT NULL, idx INTEGER, name TEXT);
CREATE TABLE cp(id INTEGER PRIMARY KEY, node_id INTEGER NOT NULL, nv_id INTEGER, block_id INTEGER, idx INTEGER,
  name TEXT, type_name TEXT, description TEXT, cache_timeout INTEGER, field_types TEXT, value BLOB);
CREATE INDEX nv_node ON nv(node_id);
CREATE INDEX cp_node ON cp(node_id);
)";

std::string Utf8(const std::wstring& s) { return WideToUtf8(s); }

// A database is used by one thread at a time (the network writes it under its database lock),
// so SQLite's own lock around every step and column would be paid for nothing.
constexpr int kThreading = SQLITE_OPEN_NOMUTEX;

class Stmt {
 public:
  Stmt(sqlite3* db, const char* sql) { ok = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) == SQLITE_OK; }
  ~Stmt() { sqlite3_finalize(m_stmt); }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;

  Stmt& Bind(int i, LONG v) {
    sqlite3_bind_int64(m_stmt, i, v);
    return *this;
  }
  Stmt& Bind(int i, double v) {
    sqlite3_bind_double(m_stmt, i, v);
    return *this;
  }
  Stmt& Bind(int i, const std::wstring& v) {
    std::string s = Utf8(v);
    sqlite3_bind_text(m_stmt, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Stmt& Bind(int i, const std::vector<BYTE>& v) {
    sqlite3_bind_blob(m_stmt, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Stmt& BindNull(int i) {
    sqlite3_bind_null(m_stmt, i);
    return *this;
  }
  int Step() { return sqlite3_step(m_stmt); }
  bool Run() {
    int rc = sqlite3_step(m_stmt);
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    return rc == SQLITE_DONE;
  }
  LONG Int(int col) { return static_cast<LONG>(sqlite3_column_int64(m_stmt, col)); }
  double Real(int col) { return sqlite3_column_double(m_stmt, col); }
  std::wstring Text(int col) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col));
    return p ? Utf8ToWide(std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(m_stmt, col)))) : std::wstring();
  }
  std::vector<BYTE> Blob(int col) {
    const auto* p = static_cast<const BYTE*>(sqlite3_column_blob(m_stmt, col));
    int n = sqlite3_column_bytes(m_stmt, col);
    return p ? std::vector<BYTE>(p, p + n) : std::vector<BYTE>();
  }

  bool ok = false;

 private:
  sqlite3_stmt* m_stmt = nullptr;
};

bool FileExists(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0;
}

std::wstring SqliteError(sqlite3* db) { return Utf8ToWide(db ? sqlite3_errmsg(db) : "out of memory"); }

void PrepareForLoad(SimPoint& p, const std::wstring& typeName, bool* bad) {
  p.type = CLonType::Find(typeName);
  if (!p.type) {
    *bad = true;
    return;
  }
  if (p.device.size() != p.type->Size()) p.device.resize(p.type->Size(), 0);
}

SimDomain DomainOf(const std::wstring& id, LONG subnet, LONG node, bool inUse) {
  SimDomain d;
  HexBytes(id, &d.id);
  d.subnet = static_cast<BYTE>(subnet);
  d.node = static_cast<BYTE>(node);
  d.inUse = inUse;
  return d;
}

}  // namespace

CNetworkDatabase::~CNetworkDatabase() { sqlite3_close(m_db); }

bool CNetworkDatabase::Exec(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  m_lastError = Utf8ToWide(message ? message : "SQLite error");
  sqlite3_free(message);
  return false;
}

bool CNetworkDatabase::Create(const std::wstring& path, std::wstring* error) {
  std::string file = Utf8(path);
  if (path.empty()) {
    *error = L"No database path given.";
    return false;
  }
  if (FileExists(file)) {
    *error = L"The file exists already: " + path;
    return false;
  }
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | kThreading, nullptr) != SQLITE_OK) {
    *error = L"Cannot create the database: " + SqliteError(db);
    sqlite3_close(db);
    return false;
  }
  CNetworkDatabase created(db);
  std::string meta = std::string("INSERT INTO meta VALUES('format','") + kFormat + "');";
  if (!created.Exec("BEGIN") || !created.Exec(kSchema) || !created.Exec(meta.c_str()) || !created.Exec("COMMIT")) {
    *error = L"Cannot create the database: " + created.m_lastError;
    ::remove(file.c_str());
    return false;
  }
  return true;
}

std::unique_ptr<CNetworkDatabase> CNetworkDatabase::Open(const std::wstring& path, std::wstring* error) {
  std::string file = Utf8(path);
  if (!FileExists(file)) {
    *error = L"The database does not exist: " + path;
    return nullptr;
  }
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | kThreading, nullptr) != SQLITE_OK) {
    *error = L"Cannot open the database: " + SqliteError(db);
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, 5000);
  std::unique_ptr<CNetworkDatabase> opened(new CNetworkDatabase(db));
  Stmt q(db, "SELECT value FROM meta WHERE key='format'");
  if (!q.ok || q.Step() != SQLITE_ROW || q.Text(0) != Utf8ToWide(kFormat)) {
    *error = L"Not a network database: " + path;
    return nullptr;
  }
  opened->Exec("PRAGMA synchronous=NORMAL");
  return opened;
}

bool CNetworkDatabase::Load(NetworkContents* out, std::wstring* error) {
  NetworkContents c;
  bool bad = false;
  {
    Stmt q(m_db, "SELECT name, channel, port FROM interface ORDER BY rowid");
    if (!q.ok) bad = true;
    while (!bad && q.Step() == SQLITE_ROW) c.interfaces.push_back({q.Text(0), q.Text(1), q.Text(2)});
  }
  {
    Stmt q(m_db, "SELECT idx, domain_id, subnet, node, in_use FROM host_domain");
    if (!q.ok) bad = true;
    while (!bad && q.Step() == SQLITE_ROW) {
      LONG i = q.Int(0);
      if (i == 0 || i == 1) c.hostDomains[static_cast<size_t>(i)] = DomainOf(q.Text(1), q.Int(2), q.Int(3), q.Int(4) != 0);
    }
  }
  std::unordered_map<LONG, SimNode*> nodes;
  std::unordered_map<LONG, SimNv*> nvs;
  std::unordered_map<LONG, SimBlock*> blocks;
  {
    Stmt q(m_db, "SELECT (SELECT COUNT(*) FROM node), (SELECT COUNT(*) FROM nv), (SELECT COUNT(*) FROM block)");
    if (q.ok && q.Step() == SQLITE_ROW) {
      nodes.reserve(static_cast<size_t>(q.Int(0)));
      nvs.reserve(static_cast<size_t>(q.Int(1)));
      blocks.reserve(static_cast<size_t>(q.Int(2)));
    }
  }
  {
    Stmt q(m_db,
           "SELECT id, neuron_id, program_id, name, location, is_router, active, online, inverts, uploaded, domain0, "
           "subnet0, node0, domain1, subnet1, node1, in_use1, error_log, lost, missed, model, rcv_full, reset_cause, "
           "node_state, timeouts, version, xmit_errors FROM node ORDER BY id");
    if (!q.ok) bad = true;
    while (!bad && q.Step() == SQLITE_ROW) {
      auto n = std::make_shared<SimNode>();
      n->rowId = q.Int(0);
      n->neuronId = q.Text(1);
      n->programId = q.Text(2);
      n->name = q.Text(3);
      n->location = q.Text(4);
      n->isRouter = q.Int(5) != 0;
      n->active = q.Int(6) != 0;
      n->online = q.Int(7) != 0;
      n->inverts = q.Int(8) != 0;
      n->uploaded = q.Int(9) != 0;
      n->domains[0] = DomainOf(q.Text(10), q.Int(11), q.Int(12), true);
      n->domains[1] = DomainOf(q.Text(13), q.Int(14), q.Int(15), q.Int(16) != 0);
      StatusCounters& s = n->status;
      s.errorLog = q.Text(17);
      s.numbers[status::kLostMessages] = static_cast<ULONG>(q.Int(18));
      s.numbers[status::kMissedMessages] = static_cast<ULONG>(q.Int(19));
      s.modelNumber = q.Text(20);
      s.numbers[status::kRcvTransactionFull] = static_cast<ULONG>(q.Int(21));
      s.resetCause = q.Text(22);
      s.nodeState = q.Text(23);
      s.numbers[status::kTransactionTimeouts] = static_cast<ULONG>(q.Int(24));
      s.numbers[status::kVersionNumber] = static_cast<ULONG>(q.Int(25));
      s.numbers[status::kTransmitErrors] = static_cast<ULONG>(q.Int(26));
      nodes[n->rowId] = n.get();
      c.nodes.push_back(std::move(n));
    }
  }
  {
    Stmt q(m_db,
           "SELECT id, node_id, idx, name, is_output, type_name, description, cache_timeout, always_cache, monitored, "
           "field_types, value, behaviour, step, low, high FROM nv");
    if (!q.ok) bad = true;
    while (!bad && q.Step() == SQLITE_ROW) {
      auto it = nodes.find(q.Int(1));
      if (it == nodes.end()) continue;
      auto v = std::make_unique<SimNv>();
      v->rowId = q.Int(0);
      v->node = it->second;
      v->index = static_cast<short>(q.Int(2));
      v->name = q.Text(3);
      v->isOutput = q.Int(4) != 0;
      v->description = q.Text(6);
      v->cacheTimeout = q.Int(7);
      v->alwaysUseCache = q.Int(8) != 0;
      v->monitored = q.Int(9) != 0;
      v->fieldTypes = FieldTypesFromText(q.Text(10));
      v->device = q.Blob(11);
      v->behaviour = q.Int(12);
      v->step = q.Real(13);
      v->low = q.Real(14);
      v->high = q.Real(15);
      PrepareForLoad(*v, q.Text(5), &bad);
      nvs[v->rowId] = v.get();
      it->second->nvs.push_back(std::move(v));
    }
  }
  {
    Stmt q(m_db, "SELECT id, node_id, idx, name FROM block ORDER BY node_id, id");
    if (!q.ok) bad = true;
    while (!bad && q.Step() == SQLITE_ROW) {
      auto it = nodes.find(q.Int(1));
      if (it == nodes.end()) continue;
      auto b = std::make_unique<SimBlock>();
      b->rowId = q.Int(0);
      b->index = static_cast<short>(q.Int(2));
      b->name = q.Text(3);
      blocks[b->rowId] = b.get();
      it->second->blocks.push_back(std::move(b));
    }
  }
  {
    Stmt q(m_db,
           "SELECT id, node_id, nv_id, block_id, idx, name, type_name, description, cache_timeout, field_types, value "
           "FROM cp");
    if (!q.ok) bad = true;
    while (!bad && q.Step() == SQLITE_ROW) {
      auto it = nodes.find(q.Int(1));
      if (it == nodes.end()) continue;
      auto p = std::make_unique<SimCp>();
      p->rowId = q.Int(0);
      p->node = it->second;
      p->index = static_cast<short>(q.Int(4));
      p->name = q.Text(5);
      p->description = q.Text(7);
      p->cacheTimeout = q.Int(8);
      p->fieldTypes = FieldTypesFromText(q.Text(9));
      p->device = q.Blob(10);
      PrepareForLoad(*p, q.Text(6), &bad);
      LONG nvRow = q.Int(2), blockRow = q.Int(3);
      if (nvRow > 0) {
        auto nv = nvs.find(nvRow);
        if (nv != nvs.end()) nv->second->cps.push_back(std::move(p));
      } else if (blockRow > 0) {
        auto b = blocks.find(blockRow);
        if (b != blocks.end()) b->second->cps.push_back(std::move(p));
      } else {
        it->second->cps.push_back(std::move(p));
      }
    }
  }
  if (bad) {
    *error = L"The database cannot be read (damaged, or a value type it does not know).";
    return false;
  }
  // Points in index order (then row order) within each list; sorting these short lists costs
  // far less than having SQLite sort every row of a large network.
  auto byIndex = [](auto& points) {
    std::sort(points.begin(), points.end(), [](const auto& a, const auto& b) {
      return a->index != b->index ? a->index < b->index : a->rowId < b->rowId;
    });
  };
  for (auto& n : c.nodes) {
    byIndex(n->nvs);
    byIndex(n->cps);
    for (auto& nv : n->nvs) byIndex(nv->cps);
    for (auto& b : n->blocks) byIndex(b->cps);
  }
  *out = std::move(c);
  return true;
}

std::wstring CNetworkDatabase::FieldTypesText(const std::vector<VARTYPE>& types) {
  std::wstring s;
  for (size_t i = 0; i < types.size(); ++i) {
    if (types[i] == VT_EMPTY) continue;
    if (!s.empty()) s += L',';
    s += std::to_wstring(static_cast<long>(i) - 1) + L":" + std::to_wstring(types[i]);
  }
  return s;
}

std::vector<VARTYPE> CNetworkDatabase::FieldTypesFromText(const std::wstring& text) {
  std::vector<VARTYPE> types;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(L',', pos);
    if (end == std::wstring::npos) end = text.size();
    std::wstring part = text.substr(pos, end - pos);
    size_t colon = part.find(L':');
    if (colon != std::wstring::npos) {
      long field = std::wcstol(part.c_str(), nullptr, 10);
      long vt = std::wcstol(part.c_str() + colon + 1, nullptr, 10);
      if (field >= -1 && field < 1000 && vt > 0 && vt < 0x10000) {
        size_t i = static_cast<size_t>(field + 1);
        if (types.size() <= i) types.resize(i + 1, VT_EMPTY);
        types[i] = static_cast<VARTYPE>(vt);
      }
    }
    pos = end + 1;
  }
  return types;
}

bool CNetworkDatabase::Apply(const DbWrite& w) {
  const char* sql = nullptr;
  switch (w.kind) {
    case DbWrite::NvDescription: sql = "UPDATE nv SET description=?1 WHERE id=?2"; break;
    case DbWrite::NvCacheTimeout: sql = "UPDATE nv SET cache_timeout=?1 WHERE id=?2"; break;
    case DbWrite::NvAlwaysUseCache: sql = "UPDATE nv SET always_cache=?1 WHERE id=?2"; break;
    case DbWrite::NvMonitored: sql = "UPDATE nv SET monitored=?1 WHERE id=?2"; break;
    case DbWrite::NvFieldTypes: sql = "UPDATE nv SET field_types=?1 WHERE id=?2"; break;
    case DbWrite::CpDescription: sql = "UPDATE cp SET description=?1 WHERE id=?2"; break;
    case DbWrite::CpCacheTimeout: sql = "UPDATE cp SET cache_timeout=?1 WHERE id=?2"; break;
    case DbWrite::CpFieldTypes: sql = "UPDATE cp SET field_types=?1 WHERE id=?2"; break;
    case DbWrite::NodeActive: sql = "UPDATE node SET active=?1 WHERE id=?2"; break;
    case DbWrite::NodeNeuronId: sql = "UPDATE node SET neuron_id=?1 WHERE id=?2"; break;
    case DbWrite::NodeUploaded: sql = "UPDATE node SET uploaded=?1 WHERE id=?2"; break;
    case DbWrite::NodeDelete: {
      if (!Exec("BEGIN")) return false;
      bool ok = true;
      for (const char* del : {"DELETE FROM cp WHERE node_id=?1", "DELETE FROM nv WHERE node_id=?1",
                              "DELETE FROM block WHERE node_id=?1", "DELETE FROM node WHERE id=?1"}) {
        Stmt s(m_db, del);
        ok = ok && s.ok && s.Bind(1, w.rowId).Run();
      }
      if (!ok) {
        m_lastError = SqliteError(m_db);
        Exec("ROLLBACK");
        return false;
      }
      return Exec("COMMIT");
    }
    case DbWrite::HostDomain: return InsertHostDomain(static_cast<int>(w.rowId), w.domain);
  }
  Stmt s(m_db, sql);
  if (!s.ok) {
    m_lastError = SqliteError(m_db);
    return false;
  }
  bool textual = w.kind == DbWrite::NvDescription || w.kind == DbWrite::NvFieldTypes ||
                 w.kind == DbWrite::CpDescription || w.kind == DbWrite::CpFieldTypes ||
                 w.kind == DbWrite::NodeNeuronId;
  if (textual) s.Bind(1, w.text);
  else s.Bind(1, w.number);
  s.Bind(2, w.rowId);
  if (!s.Run()) {
    m_lastError = SqliteError(m_db);
    return false;
  }
  return true;
}

bool CNetworkDatabase::Begin() { return Exec("BEGIN"); }
bool CNetworkDatabase::Commit() { return Exec("COMMIT"); }

bool CNetworkDatabase::InsertInterface(const SimInterface& item) {
  Stmt s(m_db, "INSERT INTO interface(name, channel, port) VALUES(?1, ?2, ?3)");
  return s.ok && s.Bind(1, item.name).Bind(2, item.channel).Bind(3, item.port).Run();
}

bool CNetworkDatabase::InsertHostDomain(int index, const SimDomain& d) {
  Stmt s(m_db, "INSERT OR REPLACE INTO host_domain(idx, domain_id, subnet, node, in_use) VALUES(?1, ?2, ?3, ?4, ?5)");
  bool ok = s.ok && s.Bind(1, LONG{index})
                        .Bind(2, HexText(d.id))
                        .Bind(3, LONG{d.subnet})
                        .Bind(4, LONG{d.node})
                        .Bind(5, LONG{d.inUse ? 1 : 0})
                        .Run();
  if (!ok) m_lastError = SqliteError(m_db);
  return ok;
}

bool CNetworkDatabase::InsertPoint(const SimPoint& p, LONG nodeRow, LONG nvRow, LONG blockRow, LONG* row) {
  Stmt s(m_db,
         "INSERT INTO cp(node_id, nv_id, block_id, idx, name, type_name, description, cache_timeout, field_types, value) "
         "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
  if (!s.ok) return false;
  s.Bind(1, nodeRow).Bind(2, nvRow).Bind(3, blockRow).Bind(4, LONG{p.index}).Bind(5, p.name).Bind(6, p.type->Name());
  s.Bind(7, p.description).Bind(8, p.cacheTimeout).Bind(9, FieldTypesText(p.fieldTypes)).Bind(10, p.device);
  if (!s.Run()) return false;
  *row = static_cast<LONG>(sqlite3_last_insert_rowid(m_db));
  return true;
}

bool CNetworkDatabase::InsertNode(SimNode& n) {
  Stmt s(m_db,
         "INSERT INTO node(neuron_id, program_id, name, location, is_router, active, online, inverts, uploaded, "
         "domain0, subnet0, node0, domain1, subnet1, node1, in_use1, error_log, lost, missed, model, rcv_full, "
         "reset_cause, node_state, timeouts, version, xmit_errors) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, "
         "?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21, ?22, ?23, ?24, ?25, ?26)");
  if (!s.ok) return false;
  const StatusCounters& st = n.status;
  s.Bind(1, n.neuronId).Bind(2, n.programId).Bind(3, n.name).Bind(4, n.location);
  s.Bind(5, LONG{n.isRouter}).Bind(6, LONG{n.active}).Bind(7, LONG{n.online}).Bind(8, LONG{n.inverts});
  s.Bind(9, LONG{n.uploaded}).Bind(10, HexText(n.domains[0].id)).Bind(11, LONG{n.domains[0].subnet});
  s.Bind(12, LONG{n.domains[0].node}).Bind(13, HexText(n.domains[1].id)).Bind(14, LONG{n.domains[1].subnet});
  s.Bind(15, LONG{n.domains[1].node}).Bind(16, LONG{n.domains[1].inUse}).Bind(17, st.errorLog);
  s.Bind(18, static_cast<LONG>(st.numbers[status::kLostMessages]));
  s.Bind(19, static_cast<LONG>(st.numbers[status::kMissedMessages])).Bind(20, st.modelNumber);
  s.Bind(21, static_cast<LONG>(st.numbers[status::kRcvTransactionFull])).Bind(22, st.resetCause).Bind(23, st.nodeState);
  s.Bind(24, static_cast<LONG>(st.numbers[status::kTransactionTimeouts]));
  s.Bind(25, static_cast<LONG>(st.numbers[status::kVersionNumber]));
  s.Bind(26, static_cast<LONG>(st.numbers[status::kTransmitErrors]));
  if (!s.Run()) return false;
  n.rowId = static_cast<LONG>(sqlite3_last_insert_rowid(m_db));

  Stmt nvStmt(m_db,
              "INSERT INTO nv(node_id, idx, name, is_output, type_name, description, cache_timeout, always_cache, "
              "monitored, field_types, value, behaviour, step, low, high) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, "
              "?10, ?11, ?12, ?13, ?14, ?15)");
  if (!nvStmt.ok) return false;
  for (auto& v : n.nvs) {
    nvStmt.Bind(1, n.rowId).Bind(2, LONG{v->index}).Bind(3, v->name).Bind(4, LONG{v->isOutput});
    nvStmt.Bind(5, v->type->Name()).Bind(6, v->description).Bind(7, v->cacheTimeout).Bind(8, LONG{v->alwaysUseCache});
    nvStmt.Bind(9, LONG{v->monitored}).Bind(10, FieldTypesText(v->fieldTypes)).Bind(11, v->device);
    nvStmt.Bind(12, v->behaviour).Bind(13, v->step).Bind(14, v->low).Bind(15, v->high);
    if (!nvStmt.Run()) return false;
    v->rowId = static_cast<LONG>(sqlite3_last_insert_rowid(m_db));
    for (auto& p : v->cps)
      if (!InsertPoint(*p, n.rowId, v->rowId, 0, &p->rowId)) return false;
  }
  for (auto& p : n.cps)
    if (!InsertPoint(*p, n.rowId, 0, 0, &p->rowId)) return false;
  for (auto& b : n.blocks) {
    Stmt bs(m_db, "INSERT INTO block(node_id, idx, name) VALUES(?1, ?2, ?3)");
    if (!bs.ok || !bs.Bind(1, n.rowId).Bind(2, LONG{b->index}).Bind(3, b->name).Run()) return false;
    b->rowId = static_cast<LONG>(sqlite3_last_insert_rowid(m_db));
    for (auto& p : b->cps)
      if (!InsertPoint(*p, n.rowId, 0, b->rowId, &p->rowId)) return false;
  }
  return true;
}

}  // namespace kestrum::sim
