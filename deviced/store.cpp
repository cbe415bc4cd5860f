#include "deviced/store.h"

#include "device/text.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace hv::deviced {

namespace {

// SQLite widens the name of every database to its full path, symbolic links resolved, and
// refuses one over 512 bytes: a deep device root would leave the daemon without its store. A
// long path is reached through a descriptor of its folder instead, under a file system that
// takes such a name as it stands.
constexpr size_t kLongStorePath = 400;
constexpr char kFdPrefix[] = "/proc/self/fd/";
constexpr char kVerbatimVfs[] = "hv-verbatim";

sqlite3_vfs* g_baseVfs = nullptr;

int verbatimFullPathname(sqlite3_vfs*, const char* name, int n, char* out) {
    if (std::strncmp(name, kFdPrefix, sizeof kFdPrefix - 1) == 0 &&
        std::strlen(name) < static_cast<size_t>(n)) {
        std::strcpy(out, name);
        return SQLITE_OK;
    }
    return g_baseVfs->xFullPathname(g_baseVfs, name, n, out);
}

const char* verbatimVfs() {
    static sqlite3_vfs vfs{};
    static const bool registered = [] {
        g_baseVfs = sqlite3_vfs_find(nullptr);
        if (!g_baseVfs)
            return false;
        vfs = *g_baseVfs; // the same methods and data; only the names are taken as given
        vfs.pNext = nullptr;
        vfs.zName = kVerbatimVfs;
        vfs.xFullPathname = verbatimFullPathname;
        return sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
    }();
    return registered ? kVerbatimVfs : nullptr;
}

// The name a store is opened under, and the folder descriptor a long one goes through (to be
// closed once the database is).
struct StoreName {
    std::string name;
    const char* vfs = nullptr;
    int dirFd = -1;
    explicit StoreName(const std::string& path) : name(path) {
        const size_t slash = path.rfind('/');
        if (path.size() < kLongStorePath || slash == std::string::npos)
            return;
        vfs = verbatimVfs();
        if (vfs)
            dirFd = ::open(path.substr(0, slash).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (dirFd < 0) {
            vfs = nullptr;
            return;
        }
        name = kFdPrefix + std::to_string(dirFd) + path.substr(slash);
    }
    ~StoreName() {
        if (dirFd >= 0)
            ::close(dirFd);
    }
    StoreName(const StoreName&) = delete;
    StoreName& operator=(const StoreName&) = delete;
};

std::vector<uint8_t> timeBlob(const dev::SystemTime& t) {
    std::vector<uint8_t> b;
    for (uint16_t f :
         {t.year, t.month, t.dayOfWeek, t.day, t.hour, t.minute, t.second, t.milliseconds}) {
        b.push_back(static_cast<uint8_t>(f & 0xFF));
        b.push_back(static_cast<uint8_t>(f >> 8));
    }
    return b;
}

dev::SystemTime blobTime(const void* p, int n) {
    dev::SystemTime t{};
    if (!p || n != 16)
        return t;
    const auto* b = static_cast<const uint8_t*>(p);
    uint16_t* f[] = {&t.year, &t.month,  &t.dayOfWeek, &t.day,
                     &t.hour, &t.minute, &t.second,    &t.milliseconds};
    for (int i = 0; i < 8; ++i)
        *f[i] = static_cast<uint16_t>(b[2 * i] | b[2 * i + 1] << 8);
    return t;
}

// The index key of a start: its local file time, 0 (due at once) when it is no calendar time.
int64_t dueKey(const dev::SystemTime& start) {
    const auto ft = dev::toFileTime(start);
    return ft ? static_cast<int64_t>(std::min<dev::FileTime>(*ft, INT64_MAX)) : 0;
}

std::u16string columnText(sqlite3_stmt* s, int col) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
    return p ? dev::fromUtf8(std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(s, col))))
             : u"";
}

// A prepared statement that finalizes itself.
class Stmt {
public:
    Stmt(sqlite3* db, const char* sql) {
        if (db)
            sqlite3_prepare_v2(db, sql, -1, &s_, nullptr);
    }
    ~Stmt() { sqlite3_finalize(s_); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    explicit operator bool() const { return s_ != nullptr; }
    sqlite3_stmt* get() { return s_; }
    void text(int i, const std::u16string& v) {
        const std::string u = dev::toUtf8(v);
        sqlite3_bind_text(s_, i, u.data(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
    }
    void time(int i, const dev::SystemTime& t) {
        const auto b = timeBlob(t);
        sqlite3_bind_blob(s_, i, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
    }
    void integer(int i, int64_t v) { sqlite3_bind_int64(s_, i, v); }
    int step() { return sqlite3_step(s_); }

private:
    sqlite3_stmt* s_ = nullptr;
};

} // namespace

Store::~Store() {
    close();
}

void Store::close() {
    sqlite3_close(db_);
    db_ = nullptr;
    if (dirFd_ >= 0)
        ::close(dirFd_);
    dirFd_ = -1;
    count_.reset();
}

bool Store::exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool Store::open(const std::string& path) {
    StoreName n(path);
    dirFd_ = std::exchange(n.dirFd, -1);
    if (sqlite3_open_v2(n.name.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        n.vfs) != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(db_, 5000);
    return exec("PRAGMA journal_mode=WAL") && exec("PRAGMA synchronous=NORMAL") &&
           exec("CREATE TABLE IF NOT EXISTS timed(handle INTEGER PRIMARY KEY AUTOINCREMENT, app "
                "TEXT NOT NULL,"
                " args TEXT NOT NULL, start BLOB NOT NULL, finish BLOB NOT NULL)") &&
           exec("CREATE TABLE IF NOT EXISTS runat(app TEXT NOT NULL, event INTEGER NOT NULL,"
                " PRIMARY KEY(app, event))") &&
           exec("CREATE TABLE IF NOT EXISTS fired(handle INTEGER PRIMARY KEY, instance INTEGER "
                "NOT NULL, at INTEGER NOT NULL)") &&
           indexStarts();
}

// The start as a local file time in a column of its own with an index, so that planning the
// next wake-up reads one row instead of all. A store of an older daemon gets the column here.
bool Store::indexStarts() {
    bool hasColumn = false;
    {
        Stmt s(db_, "SELECT 1 FROM pragma_table_info('timed') WHERE name = 'due'");
        hasColumn = s && s.step() == SQLITE_ROW;
    }
    if (!hasColumn) {
        if (!exec("BEGIN IMMEDIATE"))
            return false;
        bool ok = exec("ALTER TABLE timed ADD COLUMN due INTEGER NOT NULL DEFAULT 0");
        std::vector<std::pair<int64_t, int64_t>> dues;
        {
            Stmt s(db_, "SELECT handle, start FROM timed");
            while (ok && s && s.step() == SQLITE_ROW)
                dues.emplace_back(sqlite3_column_int64(s.get(), 0),
                                  dueKey(blobTime(sqlite3_column_blob(s.get(), 1),
                                                  sqlite3_column_bytes(s.get(), 1))));
        }
        for (const auto& [handle, due] : dues) {
            Stmt u(db_, "UPDATE timed SET due = ? WHERE handle = ?");
            u.integer(1, due);
            u.integer(2, handle);
            ok = ok && u && u.step() == SQLITE_DONE;
        }
        if (!exec(ok ? "COMMIT" : "ROLLBACK") || !ok)
            return false;
    }
    return exec("CREATE INDEX IF NOT EXISTS timed_due ON timed(due, handle)");
}

uint32_t Store::addTimed(const std::u16string& app, const std::u16string& args,
                         const dev::SystemTime& start, const dev::SystemTime& end) {
    Stmt s(db_, "INSERT INTO timed(app, args, start, finish, due) VALUES(?, ?, ?, ?, ?)");
    if (!s)
        return 0;
    s.text(1, app);
    s.text(2, args);
    s.time(3, start);
    s.time(4, end);
    s.integer(5, dueKey(start));
    if (s.step() != SQLITE_DONE)
        return 0;
    dirty_ = true;
    if (count_)
        ++*count_;
    const sqlite3_int64 id = sqlite3_last_insert_rowid(db_);
    if (id <= 0 || id > 0xFFFFFFFFLL) {
        removeTimed(static_cast<uint32_t>(id));
        return 0;
    }
    return static_cast<uint32_t>(id);
}

bool Store::updateTimed(uint32_t handle, const std::u16string& app, const std::u16string& args,
                        const dev::SystemTime& start, const dev::SystemTime& end) {
    Stmt s(db_,
           "UPDATE timed SET app = ?, args = ?, start = ?, finish = ?, due = ? WHERE handle = ?");
    if (!s)
        return false;
    s.text(1, app);
    s.text(2, args);
    s.time(3, start);
    s.time(4, end);
    s.integer(5, dueKey(start));
    s.integer(6, handle);
    dirty_ = true;
    return s.step() == SQLITE_DONE && sqlite3_changes(db_) == 1;
}

bool Store::removeTimed(uint32_t handle) {
    Stmt s(db_, "DELETE FROM timed WHERE handle = ?");
    if (!s)
        return false;
    s.integer(1, handle);
    dirty_ = true;
    const bool removed = s.step() == SQLITE_DONE && sqlite3_changes(db_) == 1;
    if (removed && count_ && *count_ > 0)
        --*count_;
    return removed;
}

namespace {
std::vector<StoredTimed> readTimed(Stmt& s) {
    std::vector<StoredTimed> out;
    while (s && s.step() == SQLITE_ROW) {
        StoredTimed t;
        t.handle = static_cast<uint32_t>(sqlite3_column_int64(s.get(), 0));
        t.application = columnText(s.get(), 1);
        t.arguments = columnText(s.get(), 2);
        t.start = blobTime(sqlite3_column_blob(s.get(), 3), sqlite3_column_bytes(s.get(), 3));
        t.end = blobTime(sqlite3_column_blob(s.get(), 4), sqlite3_column_bytes(s.get(), 4));
        out.push_back(std::move(t));
    }
    return out;
}
} // namespace

std::vector<StoredTimed> Store::timed() {
    Stmt s(db_, "SELECT handle, app, args, start, finish FROM timed ORDER BY handle");
    return readTimed(s);
}

std::vector<StoredTimed> Store::timedPage(uint32_t afterHandle, size_t limit) {
    Stmt s(db_, "SELECT handle, app, args, start, finish FROM timed WHERE handle > ? "
                "ORDER BY handle LIMIT ?");
    s.integer(1, afterHandle);
    s.integer(2, static_cast<int64_t>(std::min<size_t>(limit, INT64_MAX)));
    return readTimed(s);
}

size_t Store::timedCount() {
    // Counted once, then kept by every change: a status request reads no rows.
    if (!count_) {
        Stmt s(db_, "SELECT COUNT(*) FROM timed");
        if (!s || s.step() != SQLITE_ROW)
            return 0;
        count_ = static_cast<size_t>(sqlite3_column_int64(s.get(), 0));
    }
    return *count_;
}

std::optional<dev::FileTime> Store::earliestStart() {
    Stmt s(db_, "SELECT due FROM timed ORDER BY due LIMIT 1");
    if (!s || s.step() != SQLITE_ROW)
        return std::nullopt;
    return static_cast<dev::FileTime>(std::max<int64_t>(sqlite3_column_int64(s.get(), 0), 0));
}

std::vector<StoredTimed> Store::startingBy(dev::FileTime localLimit, size_t limit) {
    Stmt s(db_, "SELECT handle, app, args, start, finish FROM timed WHERE due <= ? "
                "ORDER BY due, handle LIMIT ?");
    s.integer(1, static_cast<int64_t>(std::min<dev::FileTime>(localLimit, INT64_MAX)));
    s.integer(2, static_cast<int64_t>(std::min<size_t>(limit, INT64_MAX)));
    return readTimed(s);
}

bool Store::takeForFiring(uint32_t handle, int64_t instance, int64_t now) {
    if (!exec("BEGIN IMMEDIATE"))
        return false;
    bool ok = false;
    {
        Stmt del(db_, "DELETE FROM timed WHERE handle = ?");
        del.integer(1, handle);
        ok = del && del.step() == SQLITE_DONE && sqlite3_changes(db_) == 1;
    }
    if (ok) {
        Stmt add(db_, "INSERT OR REPLACE INTO fired(handle, instance, at) VALUES(?, ?, ?)");
        add.integer(1, handle);
        add.integer(2, instance);
        add.integer(3, now);
        ok = add && add.step() == SQLITE_DONE;
    }
    if (!ok || !exec("COMMIT")) {
        exec("ROLLBACK");
        return false;
    }
    dirty_ = true;
    if (count_ && *count_ > 0)
        --*count_;
    return true;
}

void Store::forgetFirings(int64_t before) {
    Stmt s(db_, "DELETE FROM fired WHERE at < ?");
    s.integer(1, before);
    if (s && s.step() == SQLITE_DONE && sqlite3_changes(db_) > 0)
        dirty_ = true;
}

bool Store::setRunAt(const std::u16string& app, uint32_t event) {
    dirty_ = true;
    if (event == 0) {
        Stmt s(db_, "DELETE FROM runat WHERE app = ?");
        if (!s)
            return false;
        s.text(1, app);
        return s.step() == SQLITE_DONE;
    }
    Stmt s(db_, "INSERT OR IGNORE INTO runat(app, event) VALUES(?, ?)");
    if (!s)
        return false;
    s.text(1, app);
    s.integer(2, event);
    return s.step() == SQLITE_DONE;
}

std::vector<std::pair<std::u16string, uint32_t>> Store::runAt() {
    std::vector<std::pair<std::u16string, uint32_t>> out;
    Stmt s(db_, "SELECT app, event FROM runat ORDER BY rowid");
    while (s && s.step() == SQLITE_ROW)
        out.emplace_back(columnText(s.get(), 0),
                         static_cast<uint32_t>(sqlite3_column_int64(s.get(), 1)));
    return out;
}

void Store::checkpoint() {
    if (db_ && sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr,
                                         nullptr) == SQLITE_OK)
        dirty_ = false;
}

bool Store::intact() {
    Stmt s(db_, "PRAGMA quick_check");
    if (!s || s.step() != SQLITE_ROW)
        return false;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0));
    return text && std::string_view(text) == "ok" && s.step() == SQLITE_DONE;
}

size_t Store::salvageFrom(const std::string& damagedPath) {
    sqlite3* old = nullptr;
    StoreName n(damagedPath);
    if (sqlite3_open_v2(n.name.c_str(), &old, SQLITE_OPEN_READONLY, n.vfs) != SQLITE_OK) {
        sqlite3_close(old);
        return 0;
    }
    size_t recovered = 0;
    {
        // Row by row: a damaged page ends the scan, the rows read before it are kept.
        Stmt s(old, "SELECT handle, app, args, start, finish FROM timed");
        while (s && s.step() == SQLITE_ROW) {
            const sqlite3_int64 handle = sqlite3_column_int64(s.get(), 0);
            if (handle <= 0 || handle > 0xFFFFFFFFLL)
                continue;
            Stmt in(db_, "INSERT OR IGNORE INTO timed(handle, app, args, start, finish, due) "
                         "VALUES(?, ?, ?, ?, ?, ?)");
            if (!in)
                break;
            const dev::SystemTime start =
                blobTime(sqlite3_column_blob(s.get(), 3), sqlite3_column_bytes(s.get(), 3));
            in.integer(1, handle);
            in.text(2, columnText(s.get(), 1));
            in.text(3, columnText(s.get(), 2));
            in.time(4, start);
            in.time(5, blobTime(sqlite3_column_blob(s.get(), 4), sqlite3_column_bytes(s.get(), 4)));
            in.integer(6, dueKey(start));
            if (in.step() == SQLITE_DONE && sqlite3_changes(db_) == 1)
                ++recovered;
        }
    }
    {
        Stmt s(old, "SELECT app, event FROM runat");
        while (s && s.step() == SQLITE_ROW)
            setRunAt(columnText(s.get(), 0),
                     static_cast<uint32_t>(sqlite3_column_int64(s.get(), 1)));
    }
    sqlite3_close(old);
    count_.reset();
    return recovered;
}

namespace {

// Whether a query finds a row in the store at `path`, opened apart from the daemon that owns it;
// nothing when the store cannot be read. `bind` sets the query's parameters.
template <typename Bind>
std::optional<bool> rowExists(const std::string& path, const char* sql, Bind bind) {
    sqlite3* db = nullptr;
    // Read-write without create: a database left by a killed daemon may need its WAL recovered.
    StoreName n(path);
    if (sqlite3_open_v2(n.name.c_str(), &db, SQLITE_OPEN_READWRITE, n.vfs) != SQLITE_OK) {
        sqlite3_close(db);
        return std::nullopt;
    }
    sqlite3_busy_timeout(db, 5000);
    std::optional<bool> result;
    {
        Stmt s(db, sql);
        if (s) {
            bind(s);
            const int rc = s.step();
            if (rc == SQLITE_ROW)
                result = true;
            else if (rc == SQLITE_DONE)
                result = false;
        }
    }
    sqlite3_close(db);
    return result;
}

} // namespace

std::optional<bool> firedBy(const std::string& path, uint32_t handle, int64_t instance) {
    return rowExists(path, "SELECT 1 FROM fired WHERE handle = ? AND instance = ?", [&](Stmt& s) {
        s.integer(1, handle);
        s.integer(2, instance);
    });
}

std::optional<bool> timedStillRegistered(const std::string& path, uint32_t handle) {
    return rowExists(path, "SELECT 1 FROM timed WHERE handle = ?",
                     [&](Stmt& s) { s.integer(1, handle); });
}

} // namespace hv::deviced
