#include "platform/registry_hive.h"

#include <unistd.h>

#include <cstdio>

#include "foundation/log.h"
#include "foundation/path.h"

namespace {

constexpr int kBusyTimeoutMs = 10000;

// Names compare with SQLite's NOCASE (ASCII letters) and keep their case.
constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS keys("
    "  id INTEGER PRIMARY KEY,"
    "  parent INTEGER NOT NULL,"
    "  name TEXT NOT NULL COLLATE NOCASE,"
    "  UNIQUE(parent, name));"
    "CREATE TABLE IF NOT EXISTS vals("
    "  key INTEGER NOT NULL,"
    "  name TEXT NOT NULL COLLATE NOCASE,"
    "  type INTEGER NOT NULL,"
    "  data BLOB,"
    "  PRIMARY KEY(key, name)) WITHOUT ROWID;"
    "INSERT OR IGNORE INTO keys(id, parent, name) VALUES(1, 0, '');";

// A prepared statement that finalises itself.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool ok() const { return rc_ == SQLITE_OK; }
  int rc() const { return rc_; }
  Statement& Bind(int i, int64_t v) {
    if (ok())
      rc_ = sqlite3_bind_int64(stmt_, i, v);
    return *this;
  }
  Statement& Bind(int i, std::string_view v) {
    if (ok())
      rc_ = sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step() { return ok() ? sqlite3_step(stmt_) : rc_; }
  int64_t Int(int col) { return sqlite3_column_int64(stmt_, col); }
  int Type(int col) { return sqlite3_column_type(stmt_, col); }
  std::string Text(int col) {
    const unsigned char* p = sqlite3_column_text(stmt_, col);
    return p ? std::string(reinterpret_cast<const char*>(p), sqlite3_column_bytes(stmt_, col))
             : std::string();
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int rc_;
};

bool IsCorruption(int rc) {
  int primary = rc & 0xff;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

bool FileExists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

void FillValue(Statement& s, int type_col, int data_col, RegValue* value) {
  value->type = static_cast<RegType>(s.Int(type_col));
  value->text.clear();
  value->dword = 0;
  if (value->type == kRegDword)
    value->dword = static_cast<uint32_t>(s.Int(data_col));
  else
    value->text = s.Text(data_col);
}

}  // namespace

RegistryHive::~RegistryHive() {
  sqlite3_close_v2(db_);
}

std::shared_ptr<RegistryHive> RegistryHive::Connect(const std::string& path, bool create, int* rc) {
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW;
  if (create)
    flags |= SQLITE_OPEN_CREATE;
  sqlite3* db = nullptr;
  *rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  if (*rc != SQLITE_OK && !create) {
    // A user may read the machine hive without being allowed to write it.
    sqlite3_close_v2(db);
    db = nullptr;
    *rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOFOLLOW, nullptr);
  }
  if (*rc != SQLITE_OK) {
    sqlite3_close_v2(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  sqlite3_extended_result_codes(db, 1);
  // The WAL files stay when the last writer closes, so that users who may
  // read the machine hive but not write its folder can still open it.
  int persist = 1;
  sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
  return std::shared_ptr<RegistryHive>(new RegistryHive(db, path));
}

bool RegistryHive::InitSchema(int* rc) {
  // WAL lets readers go on while another process writes.
  *rc = sqlite3_exec(db_, "PRAGMA journal_mode=WAL;", nullptr, nullptr, nullptr);
  if (*rc != SQLITE_OK)
    return false;
  *rc = sqlite3_exec(db_, "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr);
  if (*rc != SQLITE_OK)
    return false;
  *rc = sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr);
  if (*rc != SQLITE_OK) {
    sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
    return false;
  }
  *rc = sqlite3_exec(db_, "COMMIT;", nullptr, nullptr, nullptr);
  return *rc == SQLITE_OK;
}

std::shared_ptr<RegistryHive> RegistryHive::Open(const std::string& path, bool create) {
  if (path.empty())
    return nullptr;
  if (!create) {
    if (!FileExists(path))
      return nullptr;
    int rc = SQLITE_OK;
    std::shared_ptr<RegistryHive> hive = Connect(path, false, &rc);
    if (!hive) {
      LOG_ERROR("[ERROR] registry, open hive=[%s] failed, err=[%s].", path.c_str(),
                sqlite3_errstr(rc));
      return nullptr;
    }
    Statement probe(hive->db_, "SELECT 1 FROM keys WHERE id=1;");
    rc = probe.Step();
    if (rc == SQLITE_ROW)
      return hive;
    // A database without our tables (a file just being created) reads as
    // empty without complaint.
    if ((probe.rc() & 0xff) != SQLITE_ERROR || IsCorruption(rc))
      hive->Fail(rc, "open");
    return nullptr;
  }

  if (!CreateFolderChain(FolderOf(path), 0755))
    return nullptr;
  for (int attempt = 0; attempt < 2; ++attempt) {
    int rc = SQLITE_OK;
    std::shared_ptr<RegistryHive> hive = Connect(path, true, &rc);
    if (hive && hive->InitSchema(&rc))
      return hive;
    if (!IsCorruption(rc)) {
      LOG_ERROR("[ERROR] registry, open hive=[%s] failed, err=[%s].", path.c_str(),
                sqlite3_errstr(rc));
      return nullptr;
    }
    hive.reset();
    std::string aside = path + ".corrupt";
    LOG_ERROR("[ERROR] registry, hive=[%s] is corrupt, moved to [%s].", path.c_str(),
              aside.c_str());
    rename(path.c_str(), aside.c_str());
    unlink((path + "-wal").c_str());
    unlink((path + "-shm").c_str());
  }
  return nullptr;
}

bool RegistryHive::Fail(int rc, const char* what) {
  if (!reported_) {
    reported_ = true;
    LOG_ERROR("[ERROR] registry, hive=[%s] %s failed, err=[%s].", path_.c_str(), what,
              sqlite3_errstr(rc));
  }
  return false;
}

bool RegistryHive::FindChild(int64_t parent, std::string_view name, int64_t* id) {
  Statement s(db_, "SELECT id FROM keys WHERE parent=?1 AND name=?2;");
  s.Bind(1, parent).Bind(2, name);
  int rc = s.Step();
  if (rc == SQLITE_ROW) {
    *id = s.Int(0);
    return true;
  }
  return rc == SQLITE_DONE ? false : Fail(rc, "read");
}

bool RegistryHive::CreateChild(int64_t parent, std::string_view name, int64_t* id) {
  Statement s(db_,
              "INSERT INTO keys(parent, name) SELECT ?1, ?2 "
              "WHERE EXISTS(SELECT 1 FROM keys WHERE id=?1) "
              "ON CONFLICT(parent, name) DO NOTHING;");
  s.Bind(1, parent).Bind(2, name);
  int rc = s.Step();
  if (rc != SQLITE_DONE)
    return Fail(rc, "write");
  return FindChild(parent, name, id);
}

bool RegistryHive::ChildAt(int64_t parent, uint32_t index, std::string* name) {
  Statement s(db_,
              "SELECT name FROM keys WHERE parent=?1 AND id<>?1 ORDER BY name LIMIT 1 OFFSET ?2;");
  s.Bind(1, parent).Bind(2, static_cast<int64_t>(index));
  int rc = s.Step();
  if (rc == SQLITE_ROW) {
    *name = s.Text(0);
    return true;
  }
  return rc == SQLITE_DONE ? false : Fail(rc, "read");
}

bool RegistryHive::ValueAt(int64_t key, uint32_t index, std::string* name, RegValue* value) {
  Statement s(db_,
              "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY name LIMIT 1 OFFSET ?2;");
  s.Bind(1, key).Bind(2, static_cast<int64_t>(index));
  int rc = s.Step();
  if (rc == SQLITE_ROW) {
    *name = s.Text(0);
    FillValue(s, 1, 2, value);
    return true;
  }
  return rc == SQLITE_DONE ? false : Fail(rc, "read");
}

bool RegistryHive::ReadValue(int64_t key, std::string_view name, RegValue* value) {
  Statement s(db_, "SELECT type, data FROM vals WHERE key=?1 AND name=?2;");
  s.Bind(1, key).Bind(2, name);
  int rc = s.Step();
  if (rc == SQLITE_ROW) {
    FillValue(s, 0, 1, value);
    return true;
  }
  return rc == SQLITE_DONE ? false : Fail(rc, "read");
}

bool RegistryHive::WriteValue(int64_t key, std::string_view name, const RegValue& value) {
  // An existing value keeps the name as first written.
  Statement s(db_,
              "INSERT INTO vals(key, name, type, data) SELECT ?1, ?2, ?3, ?4 "
              "WHERE EXISTS(SELECT 1 FROM keys WHERE id=?1) "
              "ON CONFLICT(key, name) DO UPDATE SET type=excluded.type, data=excluded.data;");
  s.Bind(1, key).Bind(2, name).Bind(3, static_cast<int64_t>(value.type));
  if (value.type == kRegDword)
    s.Bind(4, static_cast<int64_t>(value.dword));
  else
    s.Bind(4, std::string_view(value.text));
  int rc = s.Step();
  if (rc != SQLITE_DONE)
    return Fail(rc, "write");
  return sqlite3_changes(db_) > 0;
}

bool RegistryHive::DeleteValue(int64_t key, std::string_view name) {
  Statement s(db_, "DELETE FROM vals WHERE key=?1 AND name=?2;");
  s.Bind(1, key).Bind(2, name);
  int rc = s.Step();
  if (rc != SQLITE_DONE)
    return Fail(rc, "write");
  return sqlite3_changes(db_) > 0;
}

bool RegistryHive::DeleteTree(int64_t key) {
  if (key == kRootId)
    return false;
  int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK)
    return Fail(rc, "write");
  const char* kTree =
      "WITH RECURSIVE t(id) AS (SELECT ?1 UNION ALL "
      "SELECT keys.id FROM keys JOIN t ON keys.parent=t.id) ";
  std::string values = std::string(kTree) + "DELETE FROM vals WHERE key IN t;";
  std::string keys = std::string(kTree) + "DELETE FROM keys WHERE id IN t;";
  Statement a(db_, values.c_str());
  rc = a.Bind(1, key).Step();
  int changed = 0;
  if (rc == SQLITE_DONE) {
    Statement b(db_, keys.c_str());
    rc = b.Bind(1, key).Step();
    changed = sqlite3_changes(db_);
  }
  if (rc != SQLITE_DONE) {
    sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
    return Fail(rc, "write");
  }
  rc = sqlite3_exec(db_, "COMMIT;", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
    return Fail(rc, "write");
  }
  return changed > 0;
}
