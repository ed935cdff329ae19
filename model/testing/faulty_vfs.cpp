#include "model/testing/faulty_vfs.h"

#include <sqlite3.h>

#include <cstdlib>

namespace model_testing {

namespace {

sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
std::array<int, 3> g_counts{};
fault g_failing = fault::write;
int g_fail_from = 0;  // 0: nothing fails

// Counts a call of `kind`; true when it is to fail.
bool fails(fault kind) {
  int n = ++g_counts[static_cast<int>(kind)];
  return g_fail_from > 0 && kind == g_failing && n >= g_fail_from;
}

// The file as SQLite sees it, with the system VFS's file behind it.
struct wrapped_file {
  sqlite3_file base;
  sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<wrapped_file*>(f)->real(); }
const sqlite3_io_methods& io(sqlite3_file* f) { return *real(f)->pMethods; }

int x_close(sqlite3_file* f) { return io(f).xClose(real(f)); }
int x_read(sqlite3_file* f, void* to, int n, sqlite3_int64 at) { return io(f).xRead(real(f), to, n, at); }
int x_write(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
  if (fails(fault::write)) return SQLITE_FULL;
  return io(f).xWrite(real(f), buffer, amount, offset);
}
int x_truncate(sqlite3_file* f, sqlite3_int64 size) { return io(f).xTruncate(real(f), size); }
int x_sync(sqlite3_file* f, int flags) {
  if (fails(fault::sync)) return SQLITE_IOERR_FSYNC;
  return io(f).xSync(real(f), flags);
}
int x_file_size(sqlite3_file* f, sqlite3_int64* size) { return io(f).xFileSize(real(f), size); }
int x_lock(sqlite3_file* f, int level) {
  if (fails(fault::lock)) return SQLITE_IOERR_LOCK;
  return io(f).xLock(real(f), level);
}
int x_unlock(sqlite3_file* f, int level) { return io(f).xUnlock(real(f), level); }
int x_check_reserved(sqlite3_file* f, int* out) { return io(f).xCheckReservedLock(real(f), out); }
int x_file_control(sqlite3_file* f, int op, void* arg) { return io(f).xFileControl(real(f), op, arg); }
int x_sector_size(sqlite3_file* f) { return io(f).xSectorSize(real(f)); }
int x_device(sqlite3_file* f) { return io(f).xDeviceCharacteristics(real(f)); }
int x_shm_map(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
  return io(f).xShmMap(real(f), region, size, extend, out);
}
int x_shm_lock(sqlite3_file* f, int offset, int n, int flags) {
  if ((flags & SQLITE_SHM_LOCK) && fails(fault::lock)) return SQLITE_IOERR_LOCK;
  return io(f).xShmLock(real(f), offset, n, flags);
}
void x_shm_barrier(sqlite3_file* f) { io(f).xShmBarrier(real(f)); }
int x_shm_unmap(sqlite3_file* f, int remove) { return io(f).xShmUnmap(real(f), remove); }
// Version 2: no memory-mapped reads, which the collection does not use.
const sqlite3_io_methods g_methods = {
    2,           x_close,          x_read,         x_write,  x_truncate,      x_sync,
    x_file_size, x_lock,           x_unlock,       x_check_reserved,          x_file_control,
    x_sector_size, x_device,       x_shm_map,      x_shm_lock, x_shm_barrier, x_shm_unmap,
    nullptr,     nullptr};

int x_open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* out_flags) {
  auto* file = reinterpret_cast<wrapped_file*>(f);
  file->base.pMethods = nullptr;
  int rc = g_real->xOpen(g_real, name, file->real(), flags, out_flags);
  if (file->real()->pMethods) file->base.pMethods = &g_methods;
  return rc;
}

}  // namespace

faulty_vfs::faulty_vfs() {
  g_real = sqlite3_vfs_find(nullptr);
  if (!g_real || g_real->iVersion < 1) std::abort();
  g_vfs = *g_real;
  g_vfs.zName = "faulty";
  g_vfs.szOsFile = static_cast<int>(sizeof(wrapped_file)) + g_real->szOsFile;
  g_vfs.xOpen = x_open;
  heal();
  reset_counts();
  sqlite3_vfs_register(&g_vfs, 1);
}

faulty_vfs::~faulty_vfs() {
  sqlite3_vfs_unregister(&g_vfs);
  sqlite3_vfs_register(g_real, 1);
}

void faulty_vfs::reset_counts() { g_counts = {}; }
int faulty_vfs::count(fault kind) const { return g_counts[static_cast<int>(kind)]; }
void faulty_vfs::fail_from(fault kind, int n) { g_failing = kind, g_fail_from = n; }
void faulty_vfs::heal() { g_fail_from = 0; }

}  // namespace model_testing
