#include "model/testing/faulty_vfs.h"

#include <sqlite3.h>

#include <cstdlib>
#include <map>

namespace model_testing {
namespace {

sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
std::array<int, 3> g_counts{};
fault g_failing = fault::write;
int g_fail_from = 0;  // 0: nothing fails

bool fails(fault kind) {
  int n = ++g_counts[static_cast<int>(kind)];
  return g_fail_from > 0 && kind == g_failing && n >= g_fail_from;
}

// A file's methods: the system VFS's, but for the counted calls below.
struct counting_methods {
  sqlite3_io_methods methods;  // first: the file points to it
  const sqlite3_io_methods* real;
};
std::map<const sqlite3_io_methods*, counting_methods> g_methods;  // by the system's methods

const sqlite3_io_methods& real(sqlite3_file* f) {
  return *reinterpret_cast<const counting_methods*>(f->pMethods)->real;
}
int x_write(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
  return fails(fault::write) ? SQLITE_FULL : real(f).xWrite(f, buffer, amount, offset);
}
int x_sync(sqlite3_file* f, int flags) {
  return fails(fault::sync) ? SQLITE_IOERR_FSYNC : real(f).xSync(f, flags);
}
int x_lock(sqlite3_file* f, int level) {
  return fails(fault::lock) ? SQLITE_IOERR_LOCK : real(f).xLock(f, level);
}
int x_shm_lock(sqlite3_file* f, int offset, int n, int flags) {
  if ((flags & SQLITE_SHM_LOCK) && fails(fault::lock)) return SQLITE_IOERR_LOCK;
  return real(f).xShmLock(f, offset, n, flags);
}

int x_open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* out_flags) {
  int rc = g_real->xOpen(g_real, name, f, flags, out_flags);
  if (!f->pMethods) return rc;
  auto [entry, added] = g_methods.try_emplace(f->pMethods, counting_methods{*f->pMethods, f->pMethods});
  if (added) {
    sqlite3_io_methods& methods = entry->second.methods;
    methods.iVersion = 2;  // no memory-mapped reads, which the collection does not use
    methods.xWrite = x_write, methods.xSync = x_sync, methods.xLock = x_lock, methods.xShmLock = x_shm_lock;
  }
  f->pMethods = &entry->second.methods;
  return rc;
}

}  // namespace

faulty_vfs::faulty_vfs() {
  g_real = sqlite3_vfs_find(nullptr);
  if (!g_real || g_real->iVersion < 1) std::abort();
  g_vfs = *g_real;
  g_vfs.zName = "faulty";
  g_vfs.xOpen = x_open;
  fail_from(fault::write, 0);
  sqlite3_vfs_register(&g_vfs, 1);
}

faulty_vfs::~faulty_vfs() {
  sqlite3_vfs_unregister(&g_vfs);
  sqlite3_vfs_register(g_real, 1);
}

int faulty_vfs::count(fault kind) const { return g_counts[static_cast<int>(kind)]; }
void faulty_vfs::fail_from(fault kind, int n) { g_counts = {}, g_failing = kind, g_fail_from = n; }
void faulty_vfs::heal() { g_fail_from = 0; }

}  // namespace model_testing
