#include "platform/zip_memory_io.h"

#include <algorithm>
#include <cstring>

namespace {

ZipMemoryFile* FileOf(voidpf opaque) {
  return static_cast<ZipMemoryFile*>(opaque);
}

size_t SizeOf(const ZipMemoryFile* f) {
  return f->writing ? f->output.size() : f->input.size();
}

voidpf ZCALLBACK Open(voidpf opaque, const void*, int mode) {
  ZipMemoryFile* f = FileOf(opaque);
  f->writing = (mode & ZLIB_FILEFUNC_MODE_CREATE) != 0;
  f->position = 0;
  if (f->writing)
    f->output.clear();
  return f;
}

uLong ZCALLBACK Read(voidpf opaque, voidpf, void* buf, uLong size) {
  ZipMemoryFile* f = FileOf(opaque);
  const char* data = f->writing ? f->output.data() : f->input.data();
  size_t total = SizeOf(f);
  if (f->position >= total)
    return 0;
  size_t n = std::min<size_t>(size, total - f->position);
  memcpy(buf, data + f->position, n);
  f->position += n;
  return static_cast<uLong>(n);
}

uLong ZCALLBACK Write(voidpf opaque, voidpf, const void* buf, uLong size) {
  ZipMemoryFile* f = FileOf(opaque);
  if (!f->writing)
    return 0;
  if (f->position + size > f->output.size())
    f->output.resize(f->position + size);
  memcpy(f->output.data() + f->position, buf, size);
  f->position += size;
  return size;
}

ZPOS64_T ZCALLBACK Tell(voidpf opaque, voidpf) {
  return FileOf(opaque)->position;
}

long ZCALLBACK Seek(voidpf opaque, voidpf, ZPOS64_T offset, int origin) {
  ZipMemoryFile* f = FileOf(opaque);
  size_t base = 0;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR)
    base = f->position;
  else if (origin == ZLIB_FILEFUNC_SEEK_END)
    base = SizeOf(f);
  else if (origin != ZLIB_FILEFUNC_SEEK_SET)
    return -1;
  if (offset > SizeOf(f) - base && !f->writing)
    return -1;
  f->position = base + offset;
  return 0;
}

int ZCALLBACK Close(voidpf, voidpf) {
  return 0;
}

int ZCALLBACK Error(voidpf, voidpf) {
  return 0;
}

}  // namespace

void FillZipMemoryFunctions(ZipMemoryFile* file, zlib_filefunc64_def* def) {
  def->zopen64_file = Open;
  def->zread_file = Read;
  def->zwrite_file = Write;
  def->ztell64_file = Tell;
  def->zseek64_file = Seek;
  def->zclose_file = Close;
  def->zerror_file = Error;
  def->opaque = file;
}
