// An array whose last element ends where an unreadable page begins, so that
// a read one element past its end stops the test program in any build: the
// bounds of a scan that reads several elements per step are checked where
// a sanitizer may not see them (arrays inside larger blocks).
#ifndef ORVDB_TESTS_SUPPORT_GUARDED_ARRAY_H_
#define ORVDB_TESTS_SUPPORT_GUARDED_ARRAY_H_

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace orv::testing {

template <typename T>
class GuardedArray {
 public:
  // A copy of items[0, count), its last element just before the guard page.
  GuardedArray(const T* items, size_t count) {
    const size_t page = page_size();
    const size_t data_pages = (count * sizeof(T) + page - 1) / page;
    bytes_ = (data_pages + 1) * page;
    base_ = static_cast<uint8_t*>(map(bytes_));
    uint8_t* guard = base_ + data_pages * page;
    protect(guard, page);
    data_ = reinterpret_cast<T*>(guard - count * sizeof(T));
    if (count > 0) memcpy(static_cast<void*>(data_), items, count * sizeof(T));
  }
  ~GuardedArray() { unmap(base_, bytes_); }
  GuardedArray(const GuardedArray&) = delete;
  GuardedArray& operator=(const GuardedArray&) = delete;

  const T* data() const { return data_; }

 private:
  // The test cannot go on without its guard page.
  [[noreturn]] static void fail() {
    fputs("GuardedArray: cannot map or protect a page\n", stderr);
    abort();
  }
#ifdef _WIN32
  static size_t page_size() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
  }
  static void* map(size_t bytes) {
    void* p = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (p == nullptr) fail();
    return p;
  }
  static void protect(void* page, size_t bytes) {
    DWORD old = 0;
    if (!VirtualProtect(page, bytes, PAGE_NOACCESS, &old)) fail();
  }
  static void unmap(void* base, size_t /*bytes*/) { VirtualFree(base, 0, MEM_RELEASE); }
#else
  static size_t page_size() { return static_cast<size_t>(sysconf(_SC_PAGESIZE)); }
  static void* map(size_t bytes) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) fail();
    return p;
  }
  static void protect(void* page, size_t bytes) {
    if (mprotect(page, bytes, PROT_NONE) != 0) fail();
  }
  static void unmap(void* base, size_t bytes) { munmap(base, bytes); }
#endif

  uint8_t* base_;  // the mapping: the data's pages, then the guard page
  size_t bytes_;   // the mapping's size
  T* data_;        // the array, ending at the guard page
};

}  // namespace orv::testing

#endif  // ORVDB_TESTS_SUPPORT_GUARDED_ARRAY_H_
