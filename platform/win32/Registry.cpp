#include "platform/win32/Registry.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <functional>
#include <locale.h>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/win32/MachineRoot.h"
#include "platform/win32/TextConv.h"

extern char** environ;

namespace {

constexpr LONG kErrorInvalidData = 13;
constexpr size_t kMaxKeyNameLength = 255;
constexpr int64_t kHiveIds[] = {1, 2, 3};  // HKCR, HKCU, HKLM rows of the keys table
constexpr int kBusyTimeoutMs = 60000;      // another process's write waits this long, never fails fast

// A failed SQLite call inside a transaction; the transaction is rolled back.
struct DbError {
  LONG code;
};

// ---- names ----

locale_t FoldLocale() {
  static const locale_t loc = [] {
    locale_t l = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (l == static_cast<locale_t>(nullptr)) l = ::newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(nullptr));
    return l;
  }();
  return loc;
}

// Names compare by their upper-case form, as Windows does.
std::wstring Fold(const std::wstring& name) {
  std::wstring out = name;
  locale_t loc = FoldLocale();
  for (wchar_t& ch : out) {
    if (loc != static_cast<locale_t>(nullptr))
      ch = static_cast<wchar_t>(::towupper_l(static_cast<wint_t>(ch), loc));
    else if (ch >= L'a' && ch <= L'z')
      ch = static_cast<wchar_t>(ch - L'a' + L'A');
  }
  return out;
}

std::wstring Text(LPCWSTR s) { return s == nullptr ? std::wstring() : std::wstring(s); }

std::vector<std::wstring> SplitKeyPath(LPCWSTR path) {
  std::vector<std::wstring> parts;
  std::wstring part;
  for (const wchar_t* p = path; p != nullptr && *p != L'\0'; ++p) {
    if (*p == L'\\') {
      if (!part.empty()) parts.push_back(std::move(part));
      part.clear();
    } else {
      part.push_back(*p);
    }
  }
  if (!part.empty()) parts.push_back(std::move(part));
  return parts;
}

int64_t NowFileTime() {
  using namespace std::chrono;
  constexpr int64_t kEpochDifference = 116444736000000000LL;  // 1601 to 1970 in 100 ns
  return duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count() / 100 + kEpochDifference;
}

void SetFileTime(LPFILETIME out, int64_t value) {
  if (out == nullptr) return;
  out->dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(value) & 0xFFFFFFFFu);
  out->dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(value) >> 32);
}

// ---- statements ----

class Stmt {
 public:
  Stmt(sqlite3* db, const char* sql) : m_db(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK) throw DbError{ERROR_BADDB};
  }
  ~Stmt() { sqlite3_finalize(m_stmt); }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;

  Stmt& Bind(int i, int64_t v) {
    Check(sqlite3_bind_int64(m_stmt, i, v));
    return *this;
  }
  Stmt& Bind(int i, const std::wstring& text) {
    std::string utf8 = WideToUtf8(text);
    Check(sqlite3_bind_text(m_stmt, i, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT));
    return *this;
  }
  Stmt& BindBlob(int i, const std::vector<BYTE>& bytes) {
    if (bytes.empty())
      Check(sqlite3_bind_zeroblob(m_stmt, i, 0));
    else
      Check(sqlite3_bind_blob(m_stmt, i, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT));
    return *this;
  }
  // True while a row is there.
  bool Step() {
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw DbError{rc == SQLITE_FULL ? ERROR_DISK_FULL : ERROR_CANTWRITE};
  }
  void Run() {
    while (Step()) {
    }
  }
  int64_t Int(int col) const { return sqlite3_column_int64(m_stmt, col); }
  std::wstring String(int col) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col));
    return text == nullptr ? std::wstring() : Utf8ToWide(std::string_view(text, sqlite3_column_bytes(m_stmt, col)));
  }
  std::vector<BYTE> Blob(int col) const {
    const auto* data = static_cast<const BYTE*>(sqlite3_column_blob(m_stmt, col));
    int size = sqlite3_column_bytes(m_stmt, col);
    return data == nullptr ? std::vector<BYTE>() : std::vector<BYTE>(data, data + size);
  }
  int Changes() const { return sqlite3_changes(m_db); }

 private:
  void Check(int rc) {
    if (rc != SQLITE_OK) throw DbError{ERROR_BADDB};
  }
  sqlite3* m_db;
  sqlite3_stmt* m_stmt = nullptr;
};

void Exec(sqlite3* db, const char* sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) throw DbError{ERROR_CANTWRITE};
}

// ---- the connection and the handle table ----

struct OpenKey {
  int64_t id;
  std::string root;  // the machine root the key was opened under
};

struct State {
  std::mutex lock;
  sqlite3* db = nullptr;
  std::string root;
  pid_t pid = 0;
  std::unordered_map<uintptr_t, OpenKey> handles;
  uintptr_t nextHandle = 0x10000;
};

State& TheState() {
  static State* state = new State;  // never destroyed: keys may be closed from static destructors
  return *state;
}

void CloseLocked(State& s) {
  // A forked child must not touch its parent's connection (closing it could checkpoint or
  // unlink the parent's WAL); it just forgets it.
  if (s.db != nullptr && s.pid == ::getpid()) sqlite3_close_v2(s.db);
  s.db = nullptr;
  s.root.clear();
}

LONG OpenLocked(State& s) {
  std::string root = tessaly::win32::GetMachineRoot();
  if (s.db != nullptr && s.root == root && s.pid == ::getpid()) return ERROR_SUCCESS;
  CloseLocked(s);
  if (root.empty()) return ERROR_CANTOPEN;
  std::string path = root + "/registry.db";
  // Machine state is its owner's alone (it holds what admits TCP clients). SQLite gives the -wal
  // and -shm files it makes later the database's own mode, so 0600 here covers them too; files of
  // an older install are narrowed as well.
  ::chmod(root.c_str(), 0700);
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd >= 0) {
    ::fchmod(fd, 0600);
    ::close(fd);
  }
  for (const char* journal : {"-wal", "-shm", "-journal"}) ::chmod((path + journal).c_str(), 0600);
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db);
    return ERROR_CANTOPEN;
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  try {
    Exec(db, "PRAGMA journal_mode=WAL");
    Exec(db, "PRAGMA synchronous=FULL");
    // What is deleted or overwritten (an access key replaced by its hash) leaves no trace in the file.
    Exec(db, "PRAGMA secure_delete=ON");
    // A large transaction's log is cut back once it has been checkpointed.
    Exec(db, "PRAGMA journal_size_limit=1048576");
    Exec(db, "BEGIN IMMEDIATE");
    try {
      Exec(db,
           "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL,"
           " name TEXT NOT NULL, folded TEXT NOT NULL, written INTEGER NOT NULL DEFAULT 0);"
           "CREATE UNIQUE INDEX IF NOT EXISTS keys_by_name ON keys(parent, folded);"
           "CREATE TABLE IF NOT EXISTS vals(key INTEGER NOT NULL, name TEXT NOT NULL, folded TEXT NOT NULL,"
           " type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(key, folded)) WITHOUT ROWID;"
           "INSERT OR IGNORE INTO keys(id, parent, name, folded) VALUES"
           " (1, 0, 'HKEY_CLASSES_ROOT', 'HKEY_CLASSES_ROOT'),"
           " (2, 0, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),"
           " (3, 0, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE');");
      Exec(db, "COMMIT");
    } catch (const DbError&) {
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
  } catch (const DbError&) {
    sqlite3_close_v2(db);
    return ERROR_CANTOPEN;
  }
  s.db = db;
  s.root = root;
  s.pid = ::getpid();
  return ERROR_SUCCESS;
}

int64_t PredefinedId(HKEY key) {
  if (key == HKEY_CLASSES_ROOT) return kHiveIds[0];
  if (key == HKEY_CURRENT_USER) return kHiveIds[1];
  if (key == HKEY_LOCAL_MACHINE) return kHiveIds[2];
  return 0;
}

bool IsHive(int64_t id) { return id >= kHiveIds[0] && id <= kHiveIds[2]; }

// One call = one transaction under the process lock. body works on ids resolved from HKEYs.
using Body = std::function<LONG(sqlite3*)>;

LONG Run(bool write, const Body& body) {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  LONG error = OpenLocked(s);
  if (error != ERROR_SUCCESS) return error;
  if (sqlite3_exec(s.db, write ? "BEGIN IMMEDIATE" : "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
    return write ? ERROR_CANTWRITE : ERROR_CANTREAD;
  try {
    error = body(s.db);
  } catch (const DbError& e) {
    error = e.code;
  }
  if (write && error == ERROR_SUCCESS) {
    if (sqlite3_exec(s.db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) return ERROR_SUCCESS;
    error = ERROR_CANTWRITE;
  }
  sqlite3_exec(s.db, "ROLLBACK", nullptr, nullptr, nullptr);
  // A write the disk refused may have grown the log with frames that never count; giving that
  // space back keeps the disk from staying full. Without waiting: when another process is
  // reading, the log is cut back by a later checkpoint instead.
  if (write && (error == ERROR_DISK_FULL || error == ERROR_CANTWRITE)) {
    sqlite3_busy_timeout(s.db, 0);
    sqlite3_wal_checkpoint_v2(s.db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    sqlite3_busy_timeout(s.db, kBusyTimeoutMs);
  }
  return error;
}

bool KeyExists(sqlite3* db, int64_t id) {
  Stmt q(db, "SELECT 1 FROM keys WHERE id = ?");
  return q.Bind(1, id).Step();
}

// Called inside Run, so the state lock is held and the database is the current root's.
LONG Resolve(sqlite3* db, HKEY key, int64_t& id) {
  id = PredefinedId(key);
  if (id != 0) return ERROR_SUCCESS;
  State& s = TheState();
  auto it = s.handles.find(reinterpret_cast<uintptr_t>(key));
  if (it == s.handles.end() || it->second.root != s.root) return ERROR_INVALID_HANDLE;
  id = it->second.id;
  return KeyExists(db, id) ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

HKEY NewHandle(int64_t id) {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  uintptr_t value = s.nextHandle;
  s.nextHandle += 4;
  s.handles[value] = OpenKey{id, s.root};
  return reinterpret_cast<HKEY>(value);
}

int64_t FindChild(sqlite3* db, int64_t parent, const std::wstring& name) {
  Stmt q(db, "SELECT id FROM keys WHERE parent = ? AND folded = ?");
  q.Bind(1, parent).Bind(2, Fold(name));
  return q.Step() ? q.Int(0) : 0;
}

LONG WalkPath(sqlite3* db, int64_t start, LPCWSTR subKey, int64_t& id) {
  id = start;
  for (const std::wstring& part : SplitKeyPath(subKey)) {
    id = FindChild(db, id, part);
    if (id == 0) return ERROR_FILE_NOT_FOUND;
  }
  return ERROR_SUCCESS;
}

void Touch(sqlite3* db, int64_t id) {
  Stmt(db, "UPDATE keys SET written = ? WHERE id = ?").Bind(1, NowFileTime()).Bind(2, id).Run();
}

LONG CreatePath(sqlite3* db, int64_t start, LPCWSTR subKey, int64_t& id, bool& created) {
  std::vector<std::wstring> parts = SplitKeyPath(subKey);
  for (const std::wstring& part : parts)
    if (part.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
  id = start;
  created = false;
  for (const std::wstring& part : parts) {
    int64_t child = FindChild(db, id, part);
    created = child == 0;
    if (created) {
      Stmt insert(db, "INSERT INTO keys(parent, name, folded, written) VALUES(?, ?, ?, ?)");
      insert.Bind(1, id).Bind(2, part).Bind(3, Fold(part)).Bind(4, NowFileTime()).Run();
      child = sqlite3_last_insert_rowid(db);
    }
    id = child;
  }
  return ERROR_SUCCESS;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// String data is kept terminated (REG_MULTI_SZ with its closing empty string), whatever size the
// caller counted, so no reader ever gets an unterminated string.
LONG NormalizeData(DWORD type, const BYTE* data, DWORD size, std::vector<BYTE>& out) {
  if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
  if (type == REG_DWORD && size != sizeof(DWORD)) return ERROR_INVALID_PARAMETER;
  if (type == REG_QWORD && size != sizeof(ULONGLONG)) return ERROR_INVALID_PARAMETER;
  if (!IsStringType(type)) {
    out.assign(data, data + size);
    return ERROR_SUCCESS;
  }
  std::vector<WCHAR> units(size / sizeof(WCHAR));
  if (!units.empty()) std::memcpy(units.data(), data, units.size() * sizeof(WCHAR));
  if (units.empty() || units.back() != L'\0') units.push_back(L'\0');
  if (type == REG_MULTI_SZ && units.size() >= 2 && units[units.size() - 2] != L'\0') units.push_back(L'\0');
  out.resize(units.size() * sizeof(WCHAR));
  std::memcpy(out.data(), units.data(), out.size());
  return ERROR_SUCCESS;
}

LONG WriteValue(sqlite3* db, int64_t key, LPCWSTR name, DWORD type, const std::vector<BYTE>& data) {
  std::wstring n = Text(name);
  // An existing value keeps the case of its name, as Windows keeps it.
  Stmt upsert(db,
              "INSERT INTO vals(key, name, folded, type, data) VALUES(?, ?, ?, ?, ?)"
              " ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data");
  upsert.Bind(1, key).Bind(2, n).Bind(3, Fold(n)).Bind(4, static_cast<int64_t>(type)).BindBlob(5, data).Run();
  Touch(db, key);
  return ERROR_SUCCESS;
}

// Fills the caller's type/data/size the way RegQueryValueEx does.
LONG FillData(DWORD type, const std::vector<BYTE>& data, LPDWORD outType, LPBYTE outData, LPDWORD outSize) {
  if (outData != nullptr && outSize == nullptr) return ERROR_INVALID_PARAMETER;
  if (outType != nullptr) *outType = type;
  if (outSize == nullptr) return ERROR_SUCCESS;
  DWORD available = *outSize;
  *outSize = static_cast<DWORD>(data.size());
  if (outData == nullptr) return ERROR_SUCCESS;
  if (available < data.size()) return ERROR_MORE_DATA;
  if (!data.empty()) std::memcpy(outData, data.data(), data.size());
  return ERROR_SUCCESS;
}

// Copies name into a buffer of *size characters; on success *size is the length without the NUL.
LONG FillName(const std::wstring& name, LPWSTR buffer, LPDWORD size) {
  if (buffer == nullptr || size == nullptr) return ERROR_INVALID_PARAMETER;
  if (name.size() + 1 > *size) return ERROR_MORE_DATA;
  name.copy(buffer, name.size());
  buffer[name.size()] = L'\0';
  *size = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

// Every value at and below id and every key below it; with includingSelf the key itself too.
void DeleteBelow(sqlite3* db, int64_t id, bool includingSelf) {
  const char* subtree =
      "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN sub ON k.parent = sub.id)"
      " SELECT id FROM sub";
  std::string vals = std::string("DELETE FROM vals WHERE key IN (") + subtree + ")";
  std::string keys = std::string("DELETE FROM keys WHERE id IN (") + subtree + ") AND id <> ?1";
  Stmt(db, vals.c_str()).Bind(1, id).Run();
  Stmt(db, keys.c_str()).Bind(1, id).Run();
  if (includingSelf) {
    if (IsHive(id)) throw DbError{ERROR_ACCESS_DENIED};
    Stmt(db, "DELETE FROM keys WHERE id = ?").Bind(1, id).Run();
  } else {
    Touch(db, id);
  }
}

bool HasSubKeys(sqlite3* db, int64_t id) {
  Stmt q(db, "SELECT 1 FROM keys WHERE parent = ? LIMIT 1");
  return q.Bind(1, id).Step();
}

std::wstring LookupEnvironment(const std::wstring& name) {
  std::string utf8 = WideToUtf8(name);
  if (const char* value = std::getenv(utf8.c_str())) return Utf8ToWide(value);
  // Windows' variable names ignore case.
  std::wstring folded = Fold(name);
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq == nullptr) continue;
    if (Fold(Utf8ToWide(std::string_view(*e, static_cast<size_t>(eq - *e)))) == folded) return Utf8ToWide(eq + 1);
  }
  return std::wstring(1, L'\0');  // a marker no variable holds: not found
}

}  // namespace

// ---- keys ---------------------------------------------------------------------------

LONG RegCreateKeyEx(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM, LPVOID, PHKEY result,
                    LPDWORD disposition) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  int64_t id = 0;
  bool created = false;
  LONG error = Run(true, [&](sqlite3* db) {
    int64_t start = 0;
    LONG e = Resolve(db, key, start);
    return e != ERROR_SUCCESS ? e : CreatePath(db, start, subKey, id, created);
  });
  if (error != ERROR_SUCCESS) return error;
  *result = NewHandle(id);
  if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG RegCreateKey(HKEY key, LPCWSTR subKey, PHKEY result) {
  return RegCreateKeyEx(key, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, result, nullptr);
}

LONG RegOpenKeyEx(HKEY key, LPCWSTR subKey, DWORD, REGSAM, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  int64_t id = 0;
  LONG error = Run(false, [&](sqlite3* db) {
    int64_t start = 0;
    LONG e = Resolve(db, key, start);
    return e != ERROR_SUCCESS ? e : WalkPath(db, start, subKey, id);
  });
  if (error != ERROR_SUCCESS) return error;
  *result = NewHandle(id);
  return ERROR_SUCCESS;
}

LONG RegOpenKey(HKEY key, LPCWSTR subKey, PHKEY result) { return RegOpenKeyEx(key, subKey, 0, KEY_ALL_ACCESS, result); }

LONG RegCloseKey(HKEY key) {
  if (PredefinedId(key) != 0) return ERROR_SUCCESS;
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.handles.erase(reinterpret_cast<uintptr_t>(key)) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// ---- values -------------------------------------------------------------------------

LONG RegSetValueEx(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize) {
  std::vector<BYTE> bytes;
  LONG error = NormalizeData(type, data, dataSize, bytes);
  if (error != ERROR_SUCCESS) return error;
  return Run(true, [&](sqlite3* db) {
    int64_t id = 0;
    LONG e = Resolve(db, key, id);
    return e != ERROR_SUCCESS ? e : WriteValue(db, id, valueName, type, bytes);
  });
}

LONG RegQueryValueEx(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
  return Run(false, [&](sqlite3* db) {
    int64_t id = 0;
    LONG e = Resolve(db, key, id);
    if (e != ERROR_SUCCESS) return e;
    Stmt q(db, "SELECT type, data FROM vals WHERE key = ? AND folded = ?");
    q.Bind(1, id).Bind(2, Fold(Text(valueName)));
    if (!q.Step()) return ERROR_FILE_NOT_FOUND;
    return FillData(static_cast<DWORD>(q.Int(0)), q.Blob(1), type, data, dataSize);
  });
}

LONG RegSetValue(HKEY key, LPCWSTR subKey, DWORD type, LPCWSTR data, DWORD) {
  if (type != REG_SZ || data == nullptr) return ERROR_INVALID_PARAMETER;
  std::vector<BYTE> bytes;
  NormalizeData(REG_SZ, reinterpret_cast<const BYTE*>(data), static_cast<DWORD>((wcslen(data) + 1) * sizeof(WCHAR)),
                bytes);
  return Run(true, [&](sqlite3* db) {
    int64_t start = 0, id = 0;
    bool created = false;
    LONG e = Resolve(db, key, start);
    if (e == ERROR_SUCCESS) e = CreatePath(db, start, subKey, id, created);
    return e != ERROR_SUCCESS ? e : WriteValue(db, id, nullptr, REG_SZ, bytes);
  });
}

LONG RegQueryValue(HKEY key, LPCWSTR subKey, LPWSTR value, PLONG valueSize) {
  if (value != nullptr && valueSize == nullptr) return ERROR_INVALID_PARAMETER;
  return Run(false, [&](sqlite3* db) {
    int64_t start = 0, id = 0;
    LONG e = Resolve(db, key, start);
    if (e == ERROR_SUCCESS) e = WalkPath(db, start, subKey, id);
    if (e != ERROR_SUCCESS) return e;
    Stmt q(db, "SELECT type, data FROM vals WHERE key = ? AND folded = ''");
    q.Bind(1, id);
    DWORD type = REG_SZ;
    std::vector<BYTE> bytes(sizeof(WCHAR), 0);  // no default value reads as ""
    if (q.Step()) {
      type = static_cast<DWORD>(q.Int(0));
      bytes = q.Blob(1);
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) return kErrorInvalidData;
    if (valueSize == nullptr) return ERROR_SUCCESS;
    DWORD size = *valueSize < 0 ? 0 : static_cast<DWORD>(*valueSize);
    e = FillData(type, bytes, nullptr, reinterpret_cast<LPBYTE>(value), &size);
    *valueSize = static_cast<LONG>(size);
    return e;
  });
}

LONG RegDeleteValue(HKEY key, LPCWSTR valueName) {
  return Run(true, [&](sqlite3* db) {
    int64_t id = 0;
    LONG e = Resolve(db, key, id);
    if (e != ERROR_SUCCESS) return e;
    Stmt del(db, "DELETE FROM vals WHERE key = ? AND folded = ?");
    del.Bind(1, id).Bind(2, Fold(Text(valueName))).Run();
    if (del.Changes() == 0) return ERROR_FILE_NOT_FOUND;
    Touch(db, id);
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteKey(HKEY key, LPCWSTR subKey) {
  if (subKey == nullptr) return ERROR_INVALID_PARAMETER;
  return Run(true, [&](sqlite3* db) {
    int64_t start = 0, id = 0;
    LONG e = Resolve(db, key, start);
    if (e == ERROR_SUCCESS) e = WalkPath(db, start, subKey, id);
    if (e != ERROR_SUCCESS) return e;
    if (IsHive(id) || HasSubKeys(db, id)) return ERROR_ACCESS_DENIED;
    DeleteBelow(db, id, true);
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteTree(HKEY key, LPCWSTR subKey) {
  return Run(true, [&](sqlite3* db) {
    int64_t start = 0, id = 0;
    LONG e = Resolve(db, key, start);
    if (e == ERROR_SUCCESS) e = WalkPath(db, start, subKey, id);
    if (e != ERROR_SUCCESS) return e;
    // An empty path names key itself, which is emptied rather than removed.
    DeleteBelow(db, id, !SplitKeyPath(subKey).empty());
    return ERROR_SUCCESS;
  });
}

// ---- enumeration ----------------------------------------------------------------------

LONG RegEnumKeyEx(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD, LPWSTR keyClass,
                  LPDWORD classSize, LPFILETIME lastWriteTime) {
  if (name == nullptr || nameSize == nullptr) return ERROR_INVALID_PARAMETER;
  return Run(false, [&](sqlite3* db) {
    int64_t id = 0;
    LONG e = Resolve(db, key, id);
    if (e != ERROR_SUCCESS) return e;
    Stmt q(db, "SELECT name, written FROM keys WHERE parent = ? ORDER BY folded LIMIT 1 OFFSET ?");
    q.Bind(1, id).Bind(2, static_cast<int64_t>(index));
    if (!q.Step()) return ERROR_NO_MORE_ITEMS;
    e = FillName(q.String(0), name, nameSize);
    if (e != ERROR_SUCCESS) return e;
    if (keyClass != nullptr && classSize != nullptr && *classSize > 0) keyClass[0] = L'\0';
    if (classSize != nullptr) *classSize = 0;
    SetFileTime(lastWriteTime, q.Int(1));
    return ERROR_SUCCESS;
  });
}

LONG RegEnumKey(HKEY key, DWORD index, LPWSTR name, DWORD nameSize) {
  return RegEnumKeyEx(key, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
}

LONG RegEnumValue(HKEY key, DWORD index, LPWSTR valueName, LPDWORD valueNameSize, LPDWORD, LPDWORD type,
                  LPBYTE data, LPDWORD dataSize) {
  if (valueName == nullptr || valueNameSize == nullptr) return ERROR_INVALID_PARAMETER;
  if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
  return Run(false, [&](sqlite3* db) {
    int64_t id = 0;
    LONG e = Resolve(db, key, id);
    if (e != ERROR_SUCCESS) return e;
    Stmt q(db, "SELECT name, type, data FROM vals WHERE key = ? ORDER BY folded LIMIT 1 OFFSET ?");
    q.Bind(1, id).Bind(2, static_cast<int64_t>(index));
    if (!q.Step()) return ERROR_NO_MORE_ITEMS;
    DWORD nameChars = *valueNameSize;
    e = FillName(q.String(0), valueName, &nameChars);
    if (e != ERROR_SUCCESS) return e;
    e = FillData(static_cast<DWORD>(q.Int(1)), q.Blob(2), type, data, dataSize);
    if (e == ERROR_SUCCESS) *valueNameSize = nameChars;
    return e;
  });
}

LONG RegQueryInfoKey(HKEY key, LPWSTR keyClass, LPDWORD classSize, LPDWORD, LPDWORD subKeys, LPDWORD maxSubKeyLen,
                     LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen, LPDWORD maxValueLen,
                     LPDWORD securityDescriptorSize, LPFILETIME lastWriteTime) {
  return Run(false, [&](sqlite3* db) {
    int64_t id = 0;
    LONG e = Resolve(db, key, id);
    if (e != ERROR_SUCCESS) return e;
    Stmt k(db, "SELECT COUNT(*), COALESCE(MAX(length(name)), 0) FROM keys WHERE parent = ?");
    k.Bind(1, id).Step();
    Stmt v(db, "SELECT COUNT(*), COALESCE(MAX(length(name)), 0), COALESCE(MAX(length(data)), 0) FROM vals WHERE key = ?");
    v.Bind(1, id).Step();
    Stmt w(db, "SELECT written FROM keys WHERE id = ?");
    w.Bind(1, id).Step();
    if (keyClass != nullptr && classSize != nullptr && *classSize > 0) keyClass[0] = L'\0';
    if (classSize != nullptr) *classSize = 0;
    if (subKeys != nullptr) *subKeys = static_cast<DWORD>(k.Int(0));
    if (maxSubKeyLen != nullptr) *maxSubKeyLen = static_cast<DWORD>(k.Int(1));
    if (maxClassLen != nullptr) *maxClassLen = 0;
    if (values != nullptr) *values = static_cast<DWORD>(v.Int(0));
    if (maxValueNameLen != nullptr) *maxValueNameLen = static_cast<DWORD>(v.Int(1));
    if (maxValueLen != nullptr) *maxValueLen = static_cast<DWORD>(v.Int(2));
    if (securityDescriptorSize != nullptr) *securityDescriptorSize = 0;
    SetFileTime(lastWriteTime, w.Int(0));
    return ERROR_SUCCESS;
  });
}

// ---- environment ------------------------------------------------------------------------

DWORD ExpandEnvironmentStrings(LPCWSTR src, LPWSTR dst, DWORD size) {
  if (src == nullptr) return 0;
  std::wstring in = src, out;
  for (size_t i = 0; i < in.size();) {
    size_t close = in[i] == L'%' ? in.find(L'%', i + 1) : std::wstring::npos;
    if (close != std::wstring::npos && close > i + 1) {
      std::wstring value = LookupEnvironment(in.substr(i + 1, close - i - 1));
      if (value != std::wstring(1, L'\0')) {
        out += value;
        i = close + 1;
        continue;
      }
    }
    out += in[i++];
  }
  DWORD needed = static_cast<DWORD>(out.size() + 1);
  if (dst != nullptr && size >= needed) {
    out.copy(dst, out.size());
    dst[out.size()] = L'\0';
  }
  return needed;
}

namespace tessaly::win32 {

void CloseRegistryDatabase() {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  CloseLocked(s);
}

bool RegQueryString(HKEY key, LPCWSTR valueName, std::wstring& value) {
  for (int attempt = 0; attempt < 4; ++attempt) {  // the value may grow between the two calls
    DWORD type = 0, size = 0;
    if (RegQueryValueEx(key, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    std::vector<WCHAR> buffer(size / sizeof(WCHAR) + 1, L'\0');
    DWORD bufferSize = static_cast<DWORD>(buffer.size() * sizeof(WCHAR));
    LONG error = RegQueryValueEx(key, valueName, nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()), &bufferSize);
    if (error == ERROR_MORE_DATA) continue;
    if (error != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    value.assign(buffer.data());
    return true;
  }
  return false;
}

}  // namespace tessaly::win32
