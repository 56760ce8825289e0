#include "RegistryStore.h"

#include "RegistryPath.h"
#include "SettingsText.h"
#include "mdlTools.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <pwd.h>
#include <unistd.h>
#include <utility>

namespace {

// Marks the file as this program's store ("VNBY"), so that a foreign SQLite
// file that happens to lie at the path is never written to.
constexpr int ApplicationId = 0x564E4259;
// How long a call waits for another running copy that holds the file.
constexpr int BusyTimeoutMs = 5000;
// How often a waiting call looks again. SQLite's own busy timeout backs off to
// long sleeps and so starves behind a copy that writes again and again; short
// steps find the gap between two of its transactions.
constexpr long BusyStepMicroseconds = 500;

constexpr int64_t NoKey = 0;

int WaitWhileBusy(void *context, int attempt)
{
    auto &since = *static_cast<std::chrono::steady_clock::time_point *>(context);
    const auto now = std::chrono::steady_clock::now();
    if (attempt == 0)
        since = now;
    else if (now - since >= std::chrono::milliseconds(BusyTimeoutMs))
        return 0;
    // Steps of varying length, so that two waiting copies do not keep meeting.
    const long micros = BusyStepMicroseconds / 2 + (attempt * 7919L) % BusyStepMicroseconds;
    const timespec step{0, micros * 1000L};
    ::nanosleep(&step, nullptr);
    return 1;
}

class Statement final
{
  public:
    Statement(sqlite3 *db, const char *sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            m_stmt = nullptr;
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool Ok() const { return m_stmt != nullptr; }
    Statement &Bind(int index, int64_t value)
    {
        if (m_stmt)
            sqlite3_bind_int64(m_stmt, index, value);
        return *this;
    }
    Statement &Bind(int index, std::string_view text)
    {
        if (m_stmt)
            sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()),
                              SQLITE_TRANSIENT);
        return *this;
    }
    Statement &Bind(int index, const std::vector<uint8_t> &data)
    {
        if (m_stmt)
            sqlite3_bind_blob(m_stmt, index,
                              data.empty() ? "" : static_cast<const void *>(data.data()),
                              static_cast<int>(data.size()), SQLITE_TRANSIENT);
        return *this;
    }
    void Reset()
    {
        if (m_stmt) {
            sqlite3_reset(m_stmt);
            sqlite3_clear_bindings(m_stmt);
        }
    }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step() { return m_stmt ? sqlite3_step(m_stmt) : SQLITE_ERROR; }
    int64_t Int(int column) const { return sqlite3_column_int64(m_stmt, column); }
    std::string Text(int column) const
    {
        const auto *text = sqlite3_column_text(m_stmt, column);
        return text ? std::string(reinterpret_cast<const char *>(text),
                                  static_cast<size_t>(sqlite3_column_bytes(m_stmt, column)))
                    : std::string();
    }
    std::vector<uint8_t> Blob(int column) const
    {
        const auto *data = static_cast<const uint8_t *>(sqlite3_column_blob(m_stmt, column));
        const int size = sqlite3_column_bytes(m_stmt, column);
        return data && size > 0 ? std::vector<uint8_t>(data, data + size) : std::vector<uint8_t>();
    }

  private:
    sqlite3_stmt *m_stmt = nullptr;
};

// One open of the file with one transaction; rolled back unless committed.
class Session final
{
  public:
    Session(const std::string &path, bool write)
    {
        if (path.empty())
            return; // SQLite would open a private temporary database instead
        if (write) {
            const auto folder = mdlTools::GetFolderPart(path);
            if (!folder.empty() && !mdlTools::CreatePath(folder))
                return;
        }
        // Reads open the file for writing too when they may: a reader that finds
        // the journal of a crashed writer must be able to roll it back.
        const int flags = SQLITE_OPEN_READWRITE | (write ? SQLITE_OPEN_CREATE : 0);
        if (sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr) != SQLITE_OK) {
            sqlite3_close(m_db);
            m_db = nullptr;
            if (write)
                return;
            if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
                sqlite3_close(m_db);
                m_db = nullptr;
                return;
            }
        }
        sqlite3_busy_handler(m_db, WaitWhileBusy, &m_waitingSince);
        // The rollback journal (not WAL) lets a copy on a read-only folder still
        // read; FULL syncs make a commit survive a crash of the whole machine.
        if (write && !Exec("PRAGMA synchronous=FULL"))
            return;
        if (!Exec(write ? "BEGIN IMMEDIATE" : "BEGIN"))
            return;
        m_inTransaction = true;
        m_ready = write ? PrepareForWrite() : CheckForRead();
    }
    ~Session()
    {
        if (m_inTransaction)
            Exec("ROLLBACK");
        sqlite3_close(m_db);
    }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    bool Ready() const { return m_ready; }
    sqlite3 *Db() const { return m_db; }

    bool Commit()
    {
        if (!m_inTransaction || !Exec("COMMIT"))
            return false;
        m_inTransaction = false;
        return true;
    }

    bool Exec(const char *sql)
    {
        return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }

    std::optional<int64_t> PragmaInt(const char *sql)
    {
        Statement st(m_db, sql);
        if (st.Step() != SQLITE_ROW)
            return std::nullopt;
        return st.Int(0);
    }

    // The id of the key at the path below the root (the root's own id is its
    // handle value); NoKey when a part is missing, nullopt on a failed query.
    std::optional<int64_t> FindKey(int64_t root, const std::vector<std::string_view> &parts,
                                   std::string *storedName = nullptr)
    {
        int64_t id = root;
        Statement st(m_db, "SELECT id, name FROM keys WHERE parent=?1 AND fold=?2");
        if (!st.Ok())
            return std::nullopt;
        for (const auto part : parts) {
            st.Bind(1, id).Bind(2, SettingsText::UpperCase(part));
            const int rc = st.Step();
            if (rc == SQLITE_DONE)
                return NoKey;
            if (rc != SQLITE_ROW)
                return std::nullopt;
            id = st.Int(0);
            if (storedName)
                *storedName = st.Text(1);
            st.Reset();
        }
        return id;
    }

    // Creates the missing keys of the path; nullopt on failure.
    std::optional<int64_t> CreateKey(int64_t root, const std::vector<std::string_view> &parts)
    {
        int64_t id = root;
        for (const auto part : parts) {
            const auto fold = SettingsText::UpperCase(part);
            Statement find(m_db, "SELECT id FROM keys WHERE parent=?1 AND fold=?2");
            find.Bind(1, id).Bind(2, fold);
            const int rc = find.Step();
            if (rc == SQLITE_ROW) {
                id = find.Int(0);
                continue;
            }
            if (rc != SQLITE_DONE)
                return std::nullopt;
            Statement insert(m_db, "INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3)");
            insert.Bind(1, id).Bind(2, part).Bind(3, fold);
            if (insert.Step() != SQLITE_DONE)
                return std::nullopt;
            id = sqlite3_last_insert_rowid(m_db);
        }
        return id;
    }

  private:
    bool CheckForRead()
    {
        const auto version = PragmaInt("PRAGMA user_version");
        const auto appId = PragmaInt("PRAGMA application_id");
        return version && appId && *version == RegistryStore::SchemaVersion &&
               *appId == ApplicationId;
    }

    bool PrepareForWrite()
    {
        const auto version = PragmaInt("PRAGMA user_version");
        const auto appId = PragmaInt("PRAGMA application_id");
        if (!version || !appId)
            return false; // not a database at all, or damaged
        if (*version == RegistryStore::SchemaVersion && *appId == ApplicationId)
            return true;
        if (*version != 0 || *appId != 0)
            return false; // a later layout, or somebody else's database
        Statement tables(m_db, "SELECT count(*) FROM sqlite_schema");
        if (tables.Step() != SQLITE_ROW || tables.Int(0) != 0)
            return false; // not empty: not ours to take over
        // Version 1: keys form a tree; a top-level key's parent is its root's handle.
        return Exec("CREATE TABLE keys(id INTEGER PRIMARY KEY, parent INTEGER NOT NULL, "
                    "name TEXT NOT NULL, fold TEXT NOT NULL, UNIQUE(parent, fold))") &&
               Exec("CREATE TABLE vals(id INTEGER PRIMARY KEY, key INTEGER NOT NULL, "
                    "name TEXT NOT NULL, fold TEXT NOT NULL, type INTEGER NOT NULL, "
                    "data BLOB NOT NULL, UNIQUE(key, fold))") &&
               Exec("PRAGMA application_id=1447969369") && Exec("PRAGMA user_version=1");
    }

    sqlite3 *m_db = nullptr;
    std::chrono::steady_clock::time_point m_waitingSince;
    bool m_inTransaction = false;
    bool m_ready = false;
};

static_assert(ApplicationId == 1447969369);

bool ReadValues(sqlite3 *db, int64_t key, std::vector<RegistryRawValue> &values)
{
    Statement st(db, "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY id");
    st.Bind(1, key);
    int rc;
    while ((rc = st.Step()) == SQLITE_ROW)
        values.push_back({st.Text(0), static_cast<int32_t>(st.Int(1)), st.Blob(2)});
    return rc == SQLITE_DONE;
}

bool ReadSubkeys(sqlite3 *db, int64_t key, bool recursive, size_t depth,
                 std::vector<RegistryKeySnapshot> &subkeys)
{
    // A damaged file could link keys in a circle; the depth limit ends the walk.
    if (depth > RegistryPath::MaxKeyDepth)
        return false;
    std::vector<int64_t> ids;
    {
        Statement st(db, "SELECT id, name FROM keys WHERE parent=?1 ORDER BY fold, id");
        st.Bind(1, key);
        int rc;
        while ((rc = st.Step()) == SQLITE_ROW) {
            ids.push_back(st.Int(0));
            subkeys.push_back({st.Text(1), {}, {}});
        }
        if (rc != SQLITE_DONE)
            return false;
    }
    if (!recursive)
        return true;
    for (size_t i = 0; i < ids.size(); ++i)
        if (!ReadValues(db, ids[i], subkeys[i].Values) ||
            !ReadSubkeys(db, ids[i], true, depth + 1, subkeys[i].Subkeys))
            return false;
    return true;
}

} // namespace

std::string RegistryStore::DefaultPath()
{
    std::string base;
    const char *config = std::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is to be ignored, as the XDG rules say.
    if (config && config[0] == '/') {
        base = config;
    } else {
        const char *home = std::getenv("HOME");
        std::string homeFolder = home && home[0] == '/' ? home : "";
        if (homeFolder.empty()) {
            passwd pw{};
            passwd *found = nullptr;
            std::vector<char> buffer(16384);
            if (getpwuid_r(getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found &&
                found->pw_dir && found->pw_dir[0] == '/')
                homeFolder = found->pw_dir;
        }
        if (homeFolder.empty())
            return {};
        base = mdlTools::RemoveBackslash(homeFolder) + "/.config";
    }
    return mdlTools::RemoveBackslash(base) + "/vannerby/registry.db";
}

bool RegistryStore::KeyExists(int32_t root, std::string_view section) const
{
    const auto parts = RegistryPath::Split(section);
    if (!IsRoot(root) || !parts)
        return false;
    if (parts->empty())
        return true;
    Session session(m_strPath, false);
    if (!session.Ready())
        return false;
    const auto id = session.FindKey(root, *parts);
    return id && *id != NoKey;
}

std::optional<RegistryRawValue> RegistryStore::QueryValue(int32_t root, std::string_view section,
                                                          std::string_view name) const
{
    const auto parts = RegistryPath::Split(section);
    if (!IsRoot(root) || !parts)
        return std::nullopt;
    Session session(m_strPath, false);
    if (!session.Ready())
        return std::nullopt;
    const auto id = session.FindKey(root, *parts);
    if (!id || *id == NoKey)
        return std::nullopt;
    Statement st(session.Db(), "SELECT name, type, data FROM vals WHERE key=?1 AND fold=?2");
    st.Bind(1, *id).Bind(2, SettingsText::UpperCase(name));
    if (st.Step() != SQLITE_ROW)
        return std::nullopt;
    return RegistryRawValue{st.Text(0), static_cast<int32_t>(st.Int(1)), st.Blob(2)};
}

std::optional<RegistryKeySnapshot> RegistryStore::ReadKey(int32_t root, std::string_view section,
                                                          bool recursive) const
{
    const auto parts = RegistryPath::Split(section);
    if (!IsRoot(root) || !parts)
        return std::nullopt;
    Session session(m_strPath, false);
    RegistryKeySnapshot key;
    if (!session.Ready()) {
        // No store yet: the root exists and is empty, every other key is missing.
        if (parts->empty())
            return key;
        return std::nullopt;
    }
    const auto id = session.FindKey(root, *parts, &key.Name);
    if (!id || *id == NoKey)
        return std::nullopt;
    if (!ReadValues(session.Db(), *id, key.Values) ||
        !ReadSubkeys(session.Db(), *id, recursive, parts->size(), key.Subkeys))
        return std::nullopt;
    return key;
}

RegistryStatus RegistryStore::CreateKey(int32_t root, std::string_view section)
{
    const auto parts = RegistryPath::Split(section);
    if (!IsRoot(root) || !parts)
        return RegistryStatus::BadName;
    Session session(m_strPath, true);
    if (!session.Ready())
        return RegistryStatus::Unavailable;
    if (!session.CreateKey(root, *parts))
        return RegistryStatus::Unavailable;
    return session.Commit() ? RegistryStatus::Ok : RegistryStatus::WriteFailed;
}

RegistryStatus RegistryStore::SetValue(int32_t root, std::string_view section,
                                       std::string_view name, int32_t type,
                                       const std::vector<uint8_t> &data)
{
    const auto parts = RegistryPath::Split(section);
    if (!IsRoot(root) || !parts)
        return RegistryStatus::BadName;
    Session session(m_strPath, true);
    if (!session.Ready())
        return RegistryStatus::Unavailable;
    const auto id = session.CreateKey(root, *parts);
    if (!id)
        return RegistryStatus::Unavailable;
    if (SettingsText::CharCount(name) > RegistryPath::MaxValueNameChars ||
        data.size() > RegistryPath::MaxValueBytes)
        return RegistryStatus::WriteFailed;
    // A value keeps the name and the place in the key's order it was created with.
    Statement st(session.Db(),
                 "INSERT INTO vals(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
                 "ON CONFLICT(key, fold) DO UPDATE SET type=excluded.type, data=excluded.data");
    st.Bind(1, *id)
        .Bind(2, name)
        .Bind(3, SettingsText::UpperCase(name))
        .Bind(4, type)
        .Bind(5, data);
    if (st.Step() != SQLITE_DONE)
        return RegistryStatus::WriteFailed;
    return session.Commit() ? RegistryStatus::Ok : RegistryStatus::WriteFailed;
}

namespace {

// Runs work on an existing key inside one writing session and commits when it
// succeeds; the status of the first step that fails otherwise.
template <class Work>
RegistryStatus changeExistingKey(const std::string &path, int32_t root, std::string_view section,
                                 bool keyMayBeRoot, Work work)
{
    const auto parts = RegistryPath::Split(section);
    if (!RegistryStore::IsRoot(root) || !parts || (parts->empty() && !keyMayBeRoot))
        return RegistryStatus::BadName;
    Session session(path, true);
    if (!session.Ready())
        return RegistryStatus::Unavailable;
    const auto id = session.FindKey(root, *parts);
    if (!id)
        return RegistryStatus::Unavailable;
    if (*id == NoKey)
        return RegistryStatus::KeyNotFound;
    const RegistryStatus status = work(session, *id);
    if (status != RegistryStatus::Ok)
        return status;
    return session.Commit() ? RegistryStatus::Ok : RegistryStatus::WriteFailed;
}

} // namespace

RegistryStatus RegistryStore::DeleteKey(int32_t root, std::string_view section, bool withSubkeys)
{
    return changeExistingKey(m_strPath, root, section, false, [&](Session &session, int64_t id) {
        Statement children(session.Db(), "SELECT count(*) FROM keys WHERE parent=?1");
        children.Bind(1, id);
        if (children.Step() != SQLITE_ROW)
            return RegistryStatus::Unavailable;
        if (children.Int(0) > 0 && !withSubkeys)
            return RegistryStatus::HasSubkeys;
        Statement values(session.Db(),
                         "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION SELECT k.id FROM keys k "
                         "JOIN tree t ON k.parent=t.id) DELETE FROM vals WHERE key IN tree");
        Statement keys(session.Db(),
                       "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION SELECT k.id FROM keys k "
                       "JOIN tree t ON k.parent=t.id) DELETE FROM keys WHERE id IN tree");
        values.Bind(1, id);
        keys.Bind(1, id);
        if (values.Step() != SQLITE_DONE || keys.Step() != SQLITE_DONE)
            return RegistryStatus::WriteFailed;
        return RegistryStatus::Ok;
    });
}

RegistryStatus RegistryStore::DeleteValue(int32_t root, std::string_view section,
                                          std::string_view name)
{
    return changeExistingKey(m_strPath, root, section, true, [&](Session &session, int64_t id) {
        Statement st(session.Db(), "DELETE FROM vals WHERE key=?1 AND fold=?2");
        st.Bind(1, id).Bind(2, SettingsText::UpperCase(name));
        if (st.Step() != SQLITE_DONE)
            return RegistryStatus::WriteFailed;
        if (sqlite3_changes(session.Db()) == 0)
            return RegistryStatus::ValueNotFound;
        return RegistryStatus::Ok;
    });
}

RegistryStatus RegistryStore::DeleteAllValues(int32_t root, std::string_view section)
{
    return changeExistingKey(m_strPath, root, section, true, [&](Session &session, int64_t id) {
        Statement st(session.Db(), "DELETE FROM vals WHERE key=?1");
        st.Bind(1, id);
        return st.Step() == SQLITE_DONE ? RegistryStatus::Ok : RegistryStatus::WriteFailed;
    });
}
