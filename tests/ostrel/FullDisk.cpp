#include "FullDisk.h"

#include <sqlite3.h>

#include <stdexcept>

std::atomic<bool> FullDisk::s_full{false};

namespace {

sqlite3_vfs* g_real = nullptr;

struct File {
  sqlite3_file base;
  sqlite3_file* real;
  bool log;
};

sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }
const sqlite3_io_methods* M(sqlite3_file* f) { return Real(f)->pMethods; }

int Close(sqlite3_file* f) {
  int rc = M(f)->xClose(Real(f));
  sqlite3_free(Real(f));
  return rc;
}
int Read(sqlite3_file* f, void* b, int n, sqlite3_int64 o) { return M(f)->xRead(Real(f), b, n, o); }
int Write(sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
  if (reinterpret_cast<File*>(f)->log && FullDisk::s_full) return SQLITE_FULL;
  return M(f)->xWrite(Real(f), b, n, o);
}
int Truncate(sqlite3_file* f, sqlite3_int64 s) { return M(f)->xTruncate(Real(f), s); }
int Sync(sqlite3_file* f, int flags) { return M(f)->xSync(Real(f), flags); }
int FileSize(sqlite3_file* f, sqlite3_int64* s) { return M(f)->xFileSize(Real(f), s); }
int Lock(sqlite3_file* f, int l) { return M(f)->xLock(Real(f), l); }
int Unlock(sqlite3_file* f, int l) { return M(f)->xUnlock(Real(f), l); }
int CheckReservedLock(sqlite3_file* f, int* r) { return M(f)->xCheckReservedLock(Real(f), r); }
int FileControl(sqlite3_file* f, int op, void* a) { return M(f)->xFileControl(Real(f), op, a); }
int SectorSize(sqlite3_file* f) { return M(f)->xSectorSize(Real(f)); }
int DeviceCharacteristics(sqlite3_file* f) { return M(f)->xDeviceCharacteristics(Real(f)); }
int ShmMap(sqlite3_file* f, int i, int s, int e, void volatile** p) { return M(f)->xShmMap(Real(f), i, s, e, p); }
int ShmLock(sqlite3_file* f, int o, int n, int fl) { return M(f)->xShmLock(Real(f), o, n, fl); }
void ShmBarrier(sqlite3_file* f) { M(f)->xShmBarrier(Real(f)); }
int ShmUnmap(sqlite3_file* f, int d) { return M(f)->xShmUnmap(Real(f), d); }
int Fetch(sqlite3_file* f, sqlite3_int64 o, int n, void** p) { return M(f)->xFetch(Real(f), o, n, p); }
int Unfetch(sqlite3_file* f, sqlite3_int64 o, void* p) { return M(f)->xUnfetch(Real(f), o, p); }

const sqlite3_io_methods kMethods = {3,        Close,    Read,      Write,       Truncate,          Sync,
                                     FileSize, Lock,     Unlock,    CheckReservedLock, FileControl, SectorSize,
                                     DeviceCharacteristics, ShmMap, ShmLock, ShmBarrier, ShmUnmap, Fetch,
                                     Unfetch};

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
  File* file = reinterpret_cast<File*>(f);
  file->base.pMethods = nullptr;
  file->real = static_cast<sqlite3_file*>(sqlite3_malloc(g_real->szOsFile));
  if (file->real == nullptr) return SQLITE_NOMEM;
  int rc = g_real->xOpen(g_real, name, file->real, flags, outFlags);
  if (rc != SQLITE_OK || file->real->pMethods == nullptr) {
    sqlite3_free(file->real);
    return rc != SQLITE_OK ? rc : SQLITE_CANTOPEN;
  }
  file->log = (flags & SQLITE_OPEN_WAL) != 0;
  file->base.pMethods = &kMethods;
  return SQLITE_OK;
}
int Delete(sqlite3_vfs*, const char* n, int s) { return g_real->xDelete(g_real, n, s); }
int Access(sqlite3_vfs*, const char* n, int f, int* r) { return g_real->xAccess(g_real, n, f, r); }
int FullPathname(sqlite3_vfs*, const char* n, int s, char* o) { return g_real->xFullPathname(g_real, n, s, o); }
void* DlOpen(sqlite3_vfs*, const char* n) { return g_real->xDlOpen(g_real, n); }
void DlError(sqlite3_vfs*, int n, char* m) { g_real->xDlError(g_real, n, m); }
void (*DlSym(sqlite3_vfs*, void* h, const char* s))(void) { return g_real->xDlSym(g_real, h, s); }
void DlClose(sqlite3_vfs*, void* h) { g_real->xDlClose(g_real, h); }
int Randomness(sqlite3_vfs*, int n, char* o) { return g_real->xRandomness(g_real, n, o); }
int Sleep(sqlite3_vfs*, int us) { return g_real->xSleep(g_real, us); }
int CurrentTime(sqlite3_vfs*, double* t) { return g_real->xCurrentTime(g_real, t); }
int GetLastError(sqlite3_vfs*, int n, char* m) { return g_real->xGetLastError(g_real, n, m); }
int CurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* t) { return g_real->xCurrentTimeInt64(g_real, t); }

sqlite3_vfs g_vfs = {2,        static_cast<int>(sizeof(File)), 0,       nullptr, "kovo-full-disk", nullptr,
                     Open,     Delete,   Access,    FullPathname, DlOpen, DlError, DlSym,   DlClose,
                     Randomness, Sleep,  CurrentTime, GetLastError, CurrentTimeInt64, nullptr, nullptr, nullptr};

}  // namespace

FullDisk::FullDisk() {
  g_real = sqlite3_vfs_find(nullptr);
  if (g_real == nullptr) throw std::runtime_error("no file system for SQLite");
  g_vfs.mxPathname = g_real->mxPathname;
  s_full = false;
  sqlite3_vfs_register(&g_vfs, 1);
}

FullDisk::~FullDisk() {
  sqlite3_vfs_unregister(&g_vfs);
  s_full = false;
}
